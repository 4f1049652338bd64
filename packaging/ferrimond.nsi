; The Ferrimond setup program: Ferrimond.exe, its user guide and Almanix.dll
; for 64-bit and 32-bit hosts, each library registered by the regsvr32 of
; its own bitness, and Uninstall.exe. Built by packaging/make-package.sh
; (makensis) with these defines besides those of ferrimond.nsh:
;   BIN64          folder with Ferrimond.exe, Ferrimond.html and the x64 Almanix.dll
;   ALMANIX_X86    the x86 Almanix.dll
;   UNINSTALL_EXE  Uninstall.exe, made before from uninstall.nsi
;   INSTALLED_KIB  the size of the installed files in KiB
;   OUTDIR         where the setup program goes
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
; Uninstall.exe ends with the uninstall's own code (see uninstall.nsi).

!define DESCRIPTION "Ferrimond setup"
!include "${__FILEDIR__}/ferrimond.nsh"
!include "MUI2.nsh"
!include "Sections.nsh"
!include "WordFunc.nsh"

; A file that cannot be written fails the install instead of being skipped.
AllowSkipFiles off
OutFile "${OUTDIR}/Ferrimond-Setup-${FERRIMOND_VERSION}.exe"
InstallDir "$PROGRAMFILES64\Ferrimond"

!define MUI_ICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Ferrimond.exe"
!define MUI_FINISHPAGE_RUN_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_LANGUAGE "English"

; The folder of an installed copy that this setup moves elsewhere (/D=).
Var PreviousCopy

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
  ; An upgrade goes where the installed copy is, unless /D= names a folder:
  ; then the copy moves there.
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 != ""
  ${AndIf} $INSTDIR == "$PROGRAMFILES64\Ferrimond"
    StrCpy $INSTDIR $R0
  ${EndIf}
  ${If} $R0 != $INSTDIR
    StrCpy $PreviousCopy $R0
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

  ; A copy installed in another folder is removed by its own uninstaller
  ; first (the user's records stay); _?= makes any version's wait for it.
  ${If} $PreviousCopy != ""
  ${AndIf} ${FileExists} "$PreviousCopy\Uninstall.exe"
    ExecWait '"$PreviousCopy\Uninstall.exe" /S _?=$PreviousCopy' $0
    DetailPrint "The copy in $PreviousCopy was removed (exit code $0)"
    ${If} $0 = 3010
      SetRebootFlag true
    ${EndIf}
    Delete "$PreviousCopy\Uninstall.exe"
    RMDir "$PreviousCopy"
  ${EndIf}

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

  File "/oname=$INSTDIR\Uninstall.exe" "${UNINSTALL_EXE}"

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
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${INSTALLED_KIB}
SectionEnd
