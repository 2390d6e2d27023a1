; The Windows installer of Orthelev: the desktop program, orthelev-cli.exe,
; a Start-menu entry, the log file types offered to the desktop program and
; an uninstaller that removes what the installer made, and nothing else.
; Per machine (Program Files, HKLM) when run with administrator rights,
; else per user; /AllUsers or /CurrentUser choose on the command line.
;
; makensis -DVERSION=2.6.0 -DSTAGE=<folder with the .exe files>
;          -DFILE_TYPES=<generated include> -DOUTFILE=<setup.exe> orthelev.nsi

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!define PRODUCT "Orthelev"
!define PROGID "Orthelev.log"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orthelev"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
; An installation for the current user makes that the default mode, of the
; uninstaller too.
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_MUI
!include MultiUser.nsh
!include MUI2.nsh
!include x64.nsh

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user  ; raised by MultiUser where the user may
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "Orthelev maintainers"
VIAddVersionKey "LegalCopyright" "Orthelev maintainers"

!define MUI_ICON "${STAGE}\orthelev.ico"
!define MUI_UNICON "${STAGE}\orthelev.ico"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "Orthelev needs 64-bit Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  SetRegView 64
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

; Offers the desktop program for the extension; makes it the extension's
; program only where no other program is the extension's program.
!macro LogFileType EXTENSION
  WriteRegStr SHCTX "Software\Classes\${EXTENSION}\OpenWithProgids" "${PROGID}" ""
  WriteRegStr SHCTX "Software\Classes\Applications\orthelev.exe\SupportedTypes" "${EXTENSION}" ""
  ; The user's own choice, then the machine's (as the merged HKCR would show them).
  ReadRegStr $0 HKCU "Software\Classes\${EXTENSION}" ""
  ${If} $0 == ""
    ReadRegStr $0 HKLM "Software\Classes\${EXTENSION}" ""
  ${EndIf}
  ${If} $0 == ""
    WriteRegStr SHCTX "Software\Classes\${EXTENSION}" "" "${PROGID}"
  ${EndIf}
!macroend

Section "Orthelev"
  SetOutPath "$INSTDIR"
  File "${STAGE}\orthelev.exe"
  File "${STAGE}\orthelev-cli.exe"
  File "${STAGE}\README.md"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\orthelev.exe"

  WriteRegStr SHCTX "Software\Classes\${PROGID}" "" "GPS log"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\DefaultIcon" "" '"$INSTDIR\orthelev.exe",0'
  WriteRegStr SHCTX "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\orthelev.exe" "%1"'
  WriteRegStr SHCTX "Software\Classes\Applications\orthelev.exe\shell\open\command" "" '"$INSTDIR\orthelev.exe" "%1"'
  !include "${FILE_TYPES}"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "Orthelev maintainers"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\orthelev.exe",0'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

!macroundef LogFileType
; Takes back what the installer added for the extension: the offer, and the
; extension's program where it is still this one.
!macro LogFileType EXTENSION
  DeleteRegValue SHCTX "Software\Classes\${EXTENSION}\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty SHCTX "Software\Classes\${EXTENSION}\OpenWithProgids"
  ReadRegStr $0 SHCTX "Software\Classes\${EXTENSION}" ""
  ${If} $0 == "${PROGID}"
    DeleteRegValue SHCTX "Software\Classes\${EXTENSION}" ""
  ${EndIf}
  DeleteRegKey /ifempty SHCTX "Software\Classes\${EXTENSION}"
!macroend

Section "Uninstall"
  !include "${FILE_TYPES}"
  DeleteRegKey SHCTX "Software\Classes\${PROGID}"
  DeleteRegKey SHCTX "Software\Classes\Applications\orthelev.exe"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\orthelev.exe"
  Delete "$INSTDIR\orthelev-cli.exe"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"  ; kept when it holds files of the user's, such as orthelev.ini
SectionEnd
