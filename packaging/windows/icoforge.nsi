; The Windows installer: makensis -DVERSION=... -DARCH=i686|x86_64 -DWINDOW_EXE=...
; -DCLI_EXE=... -DOUTFILE=... icoforge.nsi (packaging/windows/CMakeLists.txt passes them).
;
; The window goes to Program Files\icoforge\icoforge.exe and the command line, whose
; program bears the same name, to Program Files\icoforge\bin\icoforge.exe. Program
; Files cannot be written by the user who runs the window, so the Start-menu entry and
; Explorer's "Extract icons with icoforge" start it with --output naming a folder of the
; user's own, %USERPROFILE%\Pictures\icoforge; the window expands the variable for the
; user it runs as, whoever installed it.

; The x86_64 build's installer is a 64-bit program too, so that it runs wherever the
; programs it installs can (64-bit Wine without its 32-bit half among them).
!if ${ARCH} == x86_64
Target amd64-unicode
!else
Unicode true
!endif
!include MUI2.nsh

!define PRODUCT icoforge
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define VERB "Software\Classes\SystemFileAssociations\$0\shell\${PRODUCT}"
!define OUTPUT_ARGUMENT '--output "%USERPROFILE%\Pictures\${PRODUCT}"'

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
!if ${ARCH} == x86_64
InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
InstallDirRegKey HKLM "${UNINSTALL_KEY}" InstallLocation
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 ProductName "${PRODUCT}"
VIAddVersionKey /LANG=0 ProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 FileVersion "${VERSION}"
VIAddVersionKey /LANG=0 FileDescription "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=0 LegalCopyright "the icoforge developers"

!define MUI_ICON "${WINDOW_ICON}"
!define MUI_UNICON "${WINDOW_ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE English
!insertmacro MUI_LANGUAGE SimpChinese

; The extensions Explorer offers the verb for.
!macro ForEachExtension MACRO
  !insertmacro ${MACRO} .exe
  !insertmacro ${MACRO} .dll
  !insertmacro ${MACRO} .icl
  !insertmacro ${MACRO} .ico
!macroend

!macro AddVerb EXTENSION
  StrCpy $0 "${EXTENSION}"
  WriteRegStr HKLM "${VERB}" "" "Extract icons with ${PRODUCT}"
  WriteRegStr HKLM "${VERB}" Icon "$INSTDIR\icoforge.exe,0"
  ; Expandable, so that %USERPROFILE% names the user who clicks.
  WriteRegExpandStr HKLM "${VERB}\command" "" '"$INSTDIR\icoforge.exe" ${OUTPUT_ARGUMENT} "%1"'
!macroend

!macro RemoveVerb EXTENSION
  StrCpy $0 "${EXTENSION}"
  DeleteRegKey HKLM "${VERB}"
!macroend

Function .onInit
!if ${ARCH} == x86_64
  SetRegView 64
!endif
FunctionEnd

Function un.onInit
!if ${ARCH} == x86_64
  SetRegView 64
!endif
FunctionEnd

Section
  SetOutPath "$INSTDIR"
  File "/oname=icoforge.exe" "${WINDOW_EXE}"
  SetOutPath "$INSTDIR\bin"
  File "/oname=icoforge.exe" "${CLI_EXE}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\icoforge.exe" '${OUTPUT_ARGUMENT}' "$INSTDIR\icoforge.exe" 0

  !insertmacro ForEachExtension AddVerb

  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayName "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayVersion "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" Publisher "the icoforge developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayIcon "$INSTDIR\icoforge.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" InstallLocation "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" NoModify 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" NoRepair 1
SectionEnd

; Only what the installer put there goes; the icons the user extracted stay theirs.
Section Uninstall
  Delete "$INSTDIR\icoforge.exe"
  Delete "$INSTDIR\bin\icoforge.exe"
  RMDir "$INSTDIR\bin"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  !insertmacro ForEachExtension RemoveVerb
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
