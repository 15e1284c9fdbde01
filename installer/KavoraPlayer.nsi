; The Kavora Player installer for 64-bit Windows. It installs for every user of the machine:
; the player, its resource module, the source filter that decodes the voice track and the
; command-line tool go into one folder; the filter is registered; .kav documents open in the
; player; the player appears in Default Apps and the Start menu; and an uninstaller takes all
; of it away again.
;
; installer/make-packages.sh builds it:
;   makensis -DVERSION=1.2.3 -DBIN_DIR=<binaries> -DOUT_FILE=<setup.exe> [-DICON_FILE=<icon>] KavoraPlayer.nsi

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!ifndef VERSION
  !error "define VERSION (for example -DVERSION=1.0.0)"
!endif
!ifndef BIN_DIR
  !error "define BIN_DIR, the folder that holds KavoraPlayer.exe, ZEL.dll and KavoraSource.dll"
!endif
!ifndef OUT_FILE
  !error "define OUT_FILE, the installer to write"
!endif

!define APP_NAME "Kavora Player"
!define PUBLISHER "Kavora"
!define PLAYER_EXE "KavoraPlayer.exe"
!define PROG_ID "KavoraPlayer.Document.1"
!define DOCUMENT_TYPE "Kavora File"
!define CLASSES "Software\Classes"
!define APP_KEY "Software\Kavora\KavoraPlayer"
!define CAPABILITIES_KEY "${APP_KEY}\Capabilities"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KavoraPlayer"
!define SHORTCUT "$SMPROGRAMS\${APP_NAME}.lnk"
; The player's icon is resource 128 of its resource module; a negative index names a resource.
!define ICON_LOCATION "$INSTDIR\ZEL.dll,-128"
!define OPEN_COMMAND '"$INSTDIR\${PLAYER_EXE}" "%1"'
!define SHCNE_ASSOCCHANGED 0x08000000

Name "${APP_NAME}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\${APP_NAME}"
InstallDirRegKey HKLM "${APP_KEY}" "InstallDir"
BrandingText "${APP_NAME} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${APP_NAME}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${APP_NAME} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!ifdef ICON_FILE
  !define MUI_ICON "${ICON_FILE}"
  !define MUI_UNICON "${ICON_FILE}"
!endif
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "${APP_NAME} needs a 64-bit edition of Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "${APP_NAME}" SecPlayer
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${BIN_DIR}/${PLAYER_EXE}"
  File "${BIN_DIR}/ZEL.dll"
  File "${BIN_DIR}/KavoraSource.dll"
  !if /FileExists "${BIN_DIR}/kavtool.exe"
    File "${BIN_DIR}/kavtool.exe"
  !endif

  ; The uninstaller comes first, so that whatever fails below can still be taken away.
  WriteUninstaller "$INSTDIR\uninstall.exe"
  Call WriteUninstallEntry
  Call RegisterFilter
  Call WriteAssociation
  CreateShortcut "${SHORTCUT}" "$INSTDIR\${PLAYER_EXE}" "" "$INSTDIR\ZEL.dll" 0
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
SectionEnd

Function WriteUninstallEntry
  WriteRegStr HKLM "${APP_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "${ICON_LOCATION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
FunctionEnd

; Without the filter the player opens documents but plays none, so an installation that
; cannot register it has failed.
Function RegisterFilter
  ClearErrors
  RegDLL "$INSTDIR\KavoraSource.dll"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "The Kavora source filter could not be registered, so ${APP_NAME} would not play any document.$\n$\nRun the setup again, or remove ${APP_NAME} with its uninstaller." /SD IDOK
    Abort "KavoraSource.dll could not be registered."
  ${EndIf}
FunctionEnd

Function WriteAssociation
  ; The document type: its name, its icon and the command that opens it.
  WriteRegStr HKLM "${CLASSES}\${PROG_ID}" "" "${DOCUMENT_TYPE}"
  WriteRegStr HKLM "${CLASSES}\${PROG_ID}" "FriendlyTypeName" "${DOCUMENT_TYPE}"
  WriteRegStr HKLM "${CLASSES}\${PROG_ID}\DefaultIcon" "" "${ICON_LOCATION}"
  WriteRegStr HKLM "${CLASSES}\${PROG_ID}\shell" "" "open"
  WriteRegStr HKLM "${CLASSES}\${PROG_ID}\shell\open\command" "" '${OPEN_COMMAND}'

  ; The extension: our type by default, and on the extension's "Open with" list.
  WriteRegStr HKLM "${CLASSES}\.kav" "" "${PROG_ID}"
  WriteRegStr HKLM "${CLASSES}\.kav\OpenWithProgids" "${PROG_ID}" ""

  ; The program itself, as "Open with" shows it.
  WriteRegStr HKLM "${CLASSES}\Applications\${PLAYER_EXE}" "FriendlyAppName" "${APP_NAME}"
  WriteRegStr HKLM "${CLASSES}\Applications\${PLAYER_EXE}\SupportedTypes" ".kav" ""
  WriteRegStr HKLM "${CLASSES}\Applications\${PLAYER_EXE}\shell\open\command" "" '${OPEN_COMMAND}'

  ; Default Apps: what the player is and which types it can take.
  WriteRegStr HKLM "${CAPABILITIES_KEY}" "ApplicationName" "${APP_NAME}"
  WriteRegStr HKLM "${CAPABILITIES_KEY}" "ApplicationDescription" \
    "Plays Kavora File documents: a voice recording together with the pictures that belong to it."
  WriteRegStr HKLM "${CAPABILITIES_KEY}" "ApplicationIcon" "${ICON_LOCATION}"
  WriteRegStr HKLM "${CAPABILITIES_KEY}\FileAssociations" ".kav" "${PROG_ID}"
  WriteRegStr HKLM "Software\RegisteredApplications" "${APP_NAME}" "${CAPABILITIES_KEY}"
FunctionEnd

Section "Uninstall"
  ; The filter unregisters itself from its own DLL, so this comes before the files go.
  ClearErrors
  UnRegDLL "$INSTDIR\KavoraSource.dll"
  ${If} ${Errors}
    DetailPrint "KavoraSource.dll could not be unregistered."
  ${EndIf}
  Call un.RemoveAssociation
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'

  Delete "${SHORTCUT}"
  Delete "$INSTDIR\${PLAYER_EXE}"
  Delete "$INSTDIR\ZEL.dll"
  Delete "$INSTDIR\KavoraSource.dll"
  Delete "$INSTDIR\kavtool.exe"
  Delete "$INSTDIR\uninstall.exe"
  ; Only an empty folder goes: anything the user put there stays.
  RMDir "$INSTDIR"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegValue HKLM "${APP_KEY}" "InstallDir"
  DeleteRegKey /ifempty /ifnovalues HKLM "${APP_KEY}"
  DeleteRegKey /ifempty /ifnovalues HKLM "Software\Kavora"
SectionEnd

; Keys that belong to the player alone go entirely; the extension's keys are shared with other
; programs, so only what still names our type is taken out of them.
Function un.RemoveAssociation
  DeleteRegValue HKLM "Software\RegisteredApplications" "${APP_NAME}"
  DeleteRegKey HKLM "${CAPABILITIES_KEY}"
  DeleteRegKey HKLM "${CLASSES}\Applications\${PLAYER_EXE}"
  DeleteRegKey HKLM "${CLASSES}\${PROG_ID}"

  ReadRegStr $0 HKLM "${CLASSES}\.kav" ""
  ${If} $0 == "${PROG_ID}"
    DeleteRegValue HKLM "${CLASSES}\.kav" ""
  ${EndIf}
  DeleteRegValue HKLM "${CLASSES}\.kav\OpenWithProgids" "${PROG_ID}"
  DeleteRegKey /ifempty /ifnovalues HKLM "${CLASSES}\.kav\OpenWithProgids"
  DeleteRegKey /ifempty /ifnovalues HKLM "${CLASSES}\.kav"
FunctionEnd
