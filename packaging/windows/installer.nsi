; The installer: the licence to agree to, both programs, Qt's own texts and
; the licence texts into Program Files, a Start-menu entry, and an
; uninstaller that Windows' list of programs knows. It speaks English or
; Japanese, offering the system's language first.
; makensis -DVERSION=x.y -DSOURCE=<folder of the files> -DICON=<.ico> -DOUTFILE=<setup.exe> installer.nsi
; 64-bit like the programs it installs (and so runnable by wine64 in the tests).
Target amd64-unicode
SetCompressor /SOLID lzma
!include "MUI2.nsh"
!include "FileFunc.nsh"

!define NAME "ホタル奇譚ムービーカッター"
!define NAME_EN "Hotaru Kitan Movie Cutter"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\hotaru-movie-cutter"
; Where the program keeps its settings (Qt's QSettings: organisation, then program).
!define SETTINGS_KEY "Software\hotaru-movie-cutter"

Name "$(PRODUCT)"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\HotaruMovieCutter"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
; Our name at the foot of each page, not the build of the tool that made it.
BrandingText "$(PRODUCT) ${VERSION}"

; No copyright line to give.
!pragma warning disable 9100
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1041 "ProductName" "${NAME}"
VIAddVersionKey /LANG=1041 "FileDescription" "${NAME} セットアップ"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${NAME_EN}"
VIAddVersionKey /LANG=1033 "FileDescription" "${NAME_EN} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
; Both languages are offered whatever the system's code page; the one chosen
; is kept for the uninstaller.
!define MUI_LANGDLL_ALLLANGUAGES
!define MUI_LANGDLL_REGISTRY_ROOT HKLM
!define MUI_LANGDLL_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MUI_LANGDLL_REGISTRY_VALUENAME "InstallerLanguage"
!insertmacro MUI_PAGE_LICENSE "${SOURCE}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; English first: a system in neither language gets English.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_RESERVEFILE_LANGDLL

LangString PRODUCT ${LANG_ENGLISH} "${NAME_EN}"
LangString PRODUCT ${LANG_JAPANESE} "${NAME}"
LangString PUBLISHER ${LANG_ENGLISH} "The ${NAME_EN} authors"
LangString PUBLISHER ${LANG_JAPANESE} "The ${NAME} authors"
LangString DELETE_SETTINGS ${LANG_ENGLISH} "Also delete the saved settings (HKEY_CURRENT_USER\${SETTINGS_KEY})?"
LangString DELETE_SETTINGS ${LANG_JAPANESE} "保存されている設定 (HKEY_CURRENT_USER\${SETTINGS_KEY}) も削除しますか?"

; The system's language is chosen already; the box lets the user pick the other.
Function .onInit
  !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

Function un.onInit
  !insertmacro MUI_UNGETLANGUAGE
FunctionEnd

Section "Install"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${SOURCE}/hotaru-movie-cutter.exe"
  File "${SOURCE}/hotaru-movie-cutter.com"
  File "${SOURCE}/cpk2avi.exe"
  File "${SOURCE}/readme.txt"
  File "${SOURCE}/readme-en.txt"
  File "${SOURCE}/LICENSE.txt"
  File /r "${SOURCE}/licenses"
  File /r "${SOURCE}/translations"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; The shortcut starts in a folder every user may write to and finds in
  ; Explorer (the public Videos), not in Program Files: with no output folder
  ; chosen, movies go to the folder the program starts in.
  SetOutPath "$VIDEOS"
  CreateShortCut "$SMPROGRAMS\$(PRODUCT).lnk" "$INSTDIR\hotaru-movie-cutter.exe"
  SetOutPath "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "$(PRODUCT)"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\hotaru-movie-cutter.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "$(PUBLISHER)"
  ; For the uninstaller; a silent install shows no page that would keep it.
  WriteRegStr ${MUI_LANGDLL_REGISTRY_ROOT} "${MUI_LANGDLL_REGISTRY_KEY}" "${MUI_LANGDLL_REGISTRY_VALUENAME}" $LANGUAGE
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  ; The shortcut is named in the language installed in, which may not be this one.
  Delete "$SMPROGRAMS\${NAME}.lnk"
  Delete "$SMPROGRAMS\${NAME_EN}.lnk"
  Delete "$INSTDIR\hotaru-movie-cutter.exe"
  Delete "$INSTDIR\hotaru-movie-cutter.com"
  Delete "$INSTDIR\cpk2avi.exe"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\readme-en.txt"
  Delete "$INSTDIR\LICENSE.txt"
  RMDir /r "$INSTDIR\licenses"
  RMDir /r "$INSTDIR\translations"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; The remembered settings are the user's: removed only when asked (a
  ; silent uninstall keeps them).
  SetShellVarContext current
  MessageBox MB_YESNO|MB_ICONQUESTION "$(DELETE_SETTINGS)" /SD IDNO IDNO keep
  DeleteRegKey HKCU "${SETTINGS_KEY}"
keep:
SectionEnd
