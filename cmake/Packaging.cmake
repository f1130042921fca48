# The Debian package: whatever the install rules install (the program, the
# converter, the desktop entry, the AppStream metainfo, the icons, the manual
# pages in English and Japanese) and nothing else.
# scripts/package.sh builds it from a Release tree of its own.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${HOTARU_PROGRAM_NAME})
set(CPACK_PACKAGE_VERSION ${HOTARU_VERSION})
set(CPACK_PACKAGE_VENDOR ${PROJECT_NAME})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "copies the movies of the game's two CDs out of their archive")
# The summary above is the first line; these follow it.
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "ホタル奇譚ムービーカッター finds the archive hotaru4 on a CD-ROM drive,"
  "recognises the disc by the archive's size and copies the movies you pick"
  "into <title>.cpk files, optionally converting each into <title>.avi, or"
  "into <title>.mp4 (H.264 and AAC) that browsers and phones play, with the"
  "bundled converter cpk2avi. It reads the archive from disc images too (ISO,"
  "BIN/CUE, CHD). Besides its window it has a command line (--list, --extract)."
  "It speaks English and Japanese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${PROJECT_NAME})
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps adds to Depends the libraries the binaries link (Debian's Qt
# and FFmpeg); named here is what no binary links: Qt's own texts, which the
# program loads for its dialogs' buttons in Japanese or English.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-translations-l10n)
# The catalogue's titles, and so the files' names, are Japanese whatever the
# program speaks: an English system without a Japanese font draws them as boxes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-noto-cjk)
include(CPack)

# Installs the package into a scratch root and checks what it holds.
if(HOTARU_BUILD_TESTS AND NOT WIN32)
  add_subdirectory(${PROJECT_SOURCE_DIR}/tests/package ${PROJECT_BINARY_DIR}/tests/package)
endif()
