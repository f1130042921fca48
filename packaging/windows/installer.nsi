; The installer: the licence to agree to, both programs and the licence texts
; into Program Files, a Start-menu entry, and an uninstaller that Windows'
; list of programs knows.
; makensis -DVERSION=x.y -DSOURCE=<folder of the files> -DICON=<.ico> -DOUTFILE=<setup.exe> installer.nsi
; 64-bit like the programs it installs (and so runnable by wine64 in the tests).
Target amd64-unicode
SetCompressor /SOLID lzma
!include "MUI2.nsh"
!include "FileFunc.nsh"

!define NAME "ホタル奇譚ムービーカッター"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\hotaru-movie-cutter"
; Where the program keeps its settings (Qt's QSettings: organisation, then program).
!define SETTINGS_KEY "Software\hotaru-movie-cutter"

Name "${NAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\HotaruMovieCutter"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
; Our name at the foot of each page, not the build of the tool that made it.
BrandingText "${NAME} ${VERSION}"

; No copyright line to give.
!pragma warning disable 9100
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1041 "ProductName" "${NAME}"
VIAddVersionKey /LANG=1041 "FileDescription" "${NAME} セットアップ"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_LICENSE "${SOURCE}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Section "Install"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${SOURCE}/hotaru-movie-cutter.exe"
  File "${SOURCE}/hotaru-movie-cutter.com"
  File "${SOURCE}/cpk2avi.exe"
  File "${SOURCE}/readme.txt"
  File "${SOURCE}/LICENSE.txt"
  File /r "${SOURCE}/licenses"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; The shortcut starts in a folder every user may write to and finds in
  ; Explorer (the public Videos), not in Program Files: with no output folder
  ; chosen, movies go to the folder the program starts in.
  SetOutPath "$VIDEOS"
  CreateShortCut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\hotaru-movie-cutter.exe"
  SetOutPath "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\hotaru-movie-cutter.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The ${NAME} authors"
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${NAME}.lnk"
  Delete "$INSTDIR\hotaru-movie-cutter.exe"
  Delete "$INSTDIR\hotaru-movie-cutter.com"
  Delete "$INSTDIR\cpk2avi.exe"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\LICENSE.txt"
  RMDir /r "$INSTDIR\licenses"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; The remembered settings are the user's: removed only when asked (a
  ; silent uninstall keeps them).
  SetShellVarContext current
  MessageBox MB_YESNO|MB_ICONQUESTION "保存されている設定 (HKEY_CURRENT_USER\${SETTINGS_KEY}) も削除しますか?" /SD IDNO IDNO keep
  DeleteRegKey HKCU "${SETTINGS_KEY}"
keep:
SectionEnd
