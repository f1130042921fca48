# 64-bit Windows executables from Debian's mingw-w64 (posix thread model),
# linked statically so they run without any DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(HOTARU_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${HOTARU_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HOTARU_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${HOTARU_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${HOTARU_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
