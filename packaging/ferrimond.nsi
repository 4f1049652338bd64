; The Ferrimond setup program: Ferrimond.exe, its user guide and Almanix.dll
; for 64-bit and 32-bit hosts, each library registered by the regsvr32 of
; its own bitness. Built by scripts/package (makensis) with these defines:
;   SRCDIR       the source tree (for the icon)
;   VERSION_NSH  the version file CMake writes (build/win/generated/version.nsh)
;   BIN64        folder with Ferrimond.exe, Ferrimond.html and the x64 Almanix.dll
;   ALMANIX_X86  the x86 Almanix.dll
;   OUTDIR       where the setup program goes
;
; Silent use: Ferrimond-Setup-<version>.exe /S installs (or upgrades) into
; the folder of the installed copy, or /D=<folder>; /FORCE allows a silent
; downgrade. Uninstall.exe /S removes the program and keeps the user's data,
; and Uninstall.exe /S /REMOVEDATA removes that too.
;
; Exit codes of the setup program:
;   0     installed
;   1     cancelled by the user
;   2     refused: Ferrimond is running
;   3     refused: not a 64-bit edition of Windows
;   4     a library could not be registered; the install was undone
;   5     refused: a newer version is installed (silent, without /FORCE)
;   3010  installed; files in use are replaced when Windows restarts
; The uninstaller uses 0, 1, 2 and 3010 the same way.

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma
; A file that cannot be written fails the install instead of being skipped.
AllowSkipFiles off

!include "${VERSION_NSH}"
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"
!include "FileFunc.nsh"
!include "Sections.nsh"
!include "WordFunc.nsh"

!define PRODUCT "Ferrimond"
!define PUBLISHER "Ferrimond"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ferrimond"
; The program keeps its records here whatever folder it runs from.
!define DATA_FOLDER "C:\Program Files\Ferrimond"
; The mutex the running program holds for its single-instance check: in
; the Global namespace, so that a copy running in another session counts.
; Versions up to 1.4 held it in their own session's Local namespace.
!define INSTANCE_MUTEX "Global\Ferrimond.Instance"
!define OLD_INSTANCE_MUTEX "Local\Ferrimond.Instance"

Name "${PRODUCT} ${FERRIMOND_VERSION}"
OutFile "${OUTDIR}/Ferrimond-Setup-${FERRIMOND_VERSION}.exe"
InstallDir "$PROGRAMFILES64\Ferrimond"
BrandingText "${PRODUCT} ${FERRIMOND_VERSION}"

VIProductVersion "${FERRIMOND_VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${FERRIMOND_VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${FERRIMOND_VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Ferrimond"

!define MUI_ICON "${SRCDIR}/ferrimond/app/ferrimond.ico"
!define MUI_UNICON "${SRCDIR}/ferrimond/app/ferrimond.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Ferrimond.exe"
!define MUI_FINISHPAGE_RUN_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!define MUI_COMPONENTSPAGE_TEXT_TOP "Ferrimond will be removed. Your backup records and saved selections stay unless you tick the box below."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Sets $0 to 1 when Ferrimond is running in any session.
!macro FerrimondRunning
  StrCpy $0 0
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${INSTANCE_MUTEX}") p .r1'
  ${If} $1 P<> 0
    System::Call 'kernel32::CloseHandle(p r1)'
    StrCpy $0 1
  ${EndIf}
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${OLD_INSTANCE_MUTEX}") p .r1'
  ${If} $1 P<> 0
    System::Call 'kernel32::CloseHandle(p r1)'
    StrCpy $0 1
  ${EndIf}
!macroend

; Registers (or with /u unregisters) a library; $0 is regsvr32's exit code,
; or "not started" when regsvr32 could not be started at all.
!macro Regsvr32 REGSVR32 OPTIONS DLL
  StrCpy $0 "not started"
  ClearErrors
  ExecWait '"${REGSVR32}" /s ${OPTIONS} "${DLL}"' $0
  ${If} ${Errors}
    StrCpy $0 "not started"
  ${EndIf}
!macroend

; Registers one library; on failure tells the user, undoes the install and
; ends the setup with exit code 4.
!macro RegisterOrFail REGSVR32 DLL BITS
  !insertmacro Regsvr32 "${REGSVR32}" "" "${DLL}"
  ${If} $0 != 0
    DetailPrint "regsvr32 (${BITS}) failed: $0"
    MessageBox MB_ICONSTOP|MB_OK "The ${BITS} Almanix.dll could not be registered (regsvr32: $0). Ferrimond was not installed." /SD IDOK
    Call UndoInstall
    SetErrorLevel 4
    Abort
  ${EndIf}
!macroend

; Writes one file; when the old one is in use (a library loaded by another
; program), writes the new one beside it and replaces it when Windows
; restarts, and the setup ends with 3010.
; (Testing the error flag clears it: the result is kept in $8.)
!macro InstallFile SRC DEST
  StrCpy $8 writable
  ${If} ${FileExists} "${DEST}"
    ClearErrors
    FileOpen $9 "${DEST}" a
    ${If} ${Errors}
      StrCpy $8 "in use"
    ${Else}
      FileClose $9
    ${EndIf}
  ${EndIf}
  ${If} $8 == "in use"
    File "/oname=${DEST}.new" "${SRC}"
    Rename /REBOOTOK "${DEST}.new" "${DEST}"
    DetailPrint "${DEST} is in use: it is replaced when Windows restarts"
  ${Else}
    File "/oname=${DEST}" "${SRC}"
  ${EndIf}
!macroend

; Removes what this setup wrote before a registration failed.
Function UndoInstall
  SetRegView 64
  ; A folder that is the current one cannot be removed.
  SetOutPath "$TEMP"
  ${DisableX64FSRedirection}
  !insertmacro Regsvr32 "$SYSDIR\regsvr32.exe" "/u" "$INSTDIR\Almanix.dll"
  ${EnableX64FSRedirection}
  !insertmacro Regsvr32 "$WINDIR\SysWOW64\regsvr32.exe" "/u" "$PROGRAMFILES32\Ferrimond\Almanix.dll"
  Delete "$INSTDIR\Ferrimond.exe"
  Delete "$INSTDIR\Ferrimond.html"
  Delete "$INSTDIR\Almanix.dll"
  Delete "$INSTDIR\Uninstall.exe"
  Delete "$PROGRAMFILES32\Ferrimond\Almanix.dll"
  RMDir "$PROGRAMFILES32\Ferrimond"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Ferrimond\Ferrimond.lnk"
  Delete "$SMPROGRAMS\Ferrimond\Ferrimond user guide.lnk"
  RMDir "$SMPROGRAMS\Ferrimond"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  RMDir "${DATA_FOLDER}\log"
  RMDir "${DATA_FOLDER}"
  RMDir "$INSTDIR"
FunctionEnd

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP|MB_OK "Ferrimond needs a 64-bit edition of Windows." /SD IDOK
    SetErrorLevel 3
    Quit
  ${EndIf}
  SetRegView 64
  !insertmacro FerrimondRunning
  ${If} $0 = 1
    MessageBox MB_ICONEXCLAMATION|MB_OK "Ferrimond is running. Please close Ferrimond and start the setup again." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  ; An upgrade goes where the installed copy is, unless /D= names a folder.
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 != ""
  ${AndIf} $INSTDIR == "$PROGRAMFILES64\Ferrimond"
    StrCpy $INSTDIR $R0
  ${EndIf}
  ; A newer installed version is not replaced silently unless /FORCE says so.
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $R0 != ""
    ${VersionCompare} $R0 "${FERRIMOND_VERSION}" $R1
    ${If} $R1 = 1
      ${GetParameters} $R2
      ClearErrors
      ${GetOptions} $R2 "/FORCE" $R3
      ${If} ${Silent}
      ${AndIf} ${Errors}
        SetErrorLevel 5
        Quit
      ${EndIf}
      ${IfNot} ${Silent}
        MessageBox MB_ICONEXCLAMATION|MB_YESNO|MB_DEFBUTTON2 "Ferrimond $R0 is installed, newer than this setup's ${FERRIMOND_VERSION}. Replace it with the older version?" IDYES +3
        SetErrorLevel 5
        Quit
      ${EndIf}
    ${EndIf}
  ${EndIf}
FunctionEnd

Function .onInstSuccess
  ${If} ${RebootFlag}
    MessageBox MB_ICONINFORMATION|MB_OK "Some Ferrimond files are in use by another program. They are replaced when Windows restarts." /SD IDOK
    SetErrorLevel 3010
  ${EndIf}
FunctionEnd

Section "Ferrimond" SecProgram
  SectionIn RO
  SetOverwrite on

  SetOutPath "$INSTDIR"
  !insertmacro InstallFile "${BIN64}/Ferrimond.exe" "$INSTDIR\Ferrimond.exe"
  File "${BIN64}/Ferrimond.html"
  !insertmacro InstallFile "${BIN64}/Almanix.dll" "$INSTDIR\Almanix.dll"
  ; The program's data folder, with its log folder, as the program makes it.
  CreateDirectory "${DATA_FOLDER}\log"

  ; The 32-bit library goes where 32-bit programs are installed; its
  ; registration in the 32-bit view of the registry points there.
  SetOutPath "$PROGRAMFILES32\Ferrimond"
  !insertmacro InstallFile "${ALMANIX_X86}" "$PROGRAMFILES32\Ferrimond\Almanix.dll"

  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ${DisableX64FSRedirection}
  !insertmacro RegisterOrFail "$SYSDIR\regsvr32.exe" "$INSTDIR\Almanix.dll" 64-bit
  ${EnableX64FSRedirection}
  !insertmacro RegisterOrFail "$WINDIR\SysWOW64\regsvr32.exe" "$PROGRAMFILES32\Ferrimond\Almanix.dll" 32-bit

  SetOutPath "$INSTDIR"
  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\Ferrimond"
  CreateShortcut "$SMPROGRAMS\Ferrimond\Ferrimond.lnk" "$INSTDIR\Ferrimond.exe" "" "$INSTDIR\Ferrimond.exe" 0
  CreateShortcut "$SMPROGRAMS\Ferrimond\Ferrimond user guide.lnk" "$INSTDIR\Ferrimond.html"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${FERRIMOND_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Ferrimond.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "https://ferrimond.example.org"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SecProgram} $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; ---------------------------------------------------------------- uninstall

Section "un.Ferrimond" UnSecProgram
  SectionIn RO
  SetRegView 64

  ${DisableX64FSRedirection}
  !insertmacro Regsvr32 "$SYSDIR\regsvr32.exe" "/u" "$INSTDIR\Almanix.dll"
  ${EnableX64FSRedirection}
  !insertmacro Regsvr32 "$WINDIR\SysWOW64\regsvr32.exe" "/u" "$PROGRAMFILES32\Ferrimond\Almanix.dll"

  ; A library still loaded by another program goes when Windows restarts.
  Delete /REBOOTOK "$INSTDIR\Ferrimond.exe"
  Delete "$INSTDIR\Ferrimond.html"
  Delete /REBOOTOK "$INSTDIR\Almanix.dll"
  Delete "$INSTDIR\Uninstall.exe"
  Delete /REBOOTOK "$PROGRAMFILES32\Ferrimond\Almanix.dll"
  RMDir /REBOOTOK "$PROGRAMFILES32\Ferrimond"

  SetShellVarContext all
  Delete "$SMPROGRAMS\Ferrimond\Ferrimond.lnk"
  Delete "$SMPROGRAMS\Ferrimond\Ferrimond user guide.lnk"
  RMDir "$SMPROGRAMS\Ferrimond"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ; The schedule window's task; a missing task is no error.
  nsExec::Exec '"$SYSDIR\schtasks.exe" /delete /tn "Ferrimond backup" /f'
  Pop $0
SectionEnd

Section /o "un.Also remove my backup records and saved selections" UnSecData
  Delete "${DATA_FOLDER}\LastBackupT.tim"
  Delete "${DATA_FOLDER}\LastUploadT.tim"
  Delete "${DATA_FOLDER}\default.log"
  RMDir /r "${DATA_FOLDER}\log"
  RMDir /r "${DATA_FOLDER}\SavedFileVersion"
  Delete "C:\a.temp"
SectionEnd

; The folders go only when nothing else is left in them: the user's data
; keeps the program folder.
Section "-un.Folders"
  RMDir "${DATA_FOLDER}\log"
  RMDir "${DATA_FOLDER}"
  RMDir "$INSTDIR"
SectionEnd

Function un.onInit
  SetRegView 64
  !insertmacro FerrimondRunning
  ${If} $0 = 1
    MessageBox MB_ICONEXCLAMATION|MB_OK "Ferrimond is running. Please close Ferrimond and start the uninstall again." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVEDATA" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSecData}
  ${EndIf}
FunctionEnd

Function un.onUninstSuccess
  ${If} ${RebootFlag}
    MessageBox MB_ICONINFORMATION|MB_OK "Some Ferrimond files are in use by another program. They are removed when Windows restarts." /SD IDOK
    SetErrorLevel 3010
  ${EndIf}
FunctionEnd
