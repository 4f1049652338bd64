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
; the folder of the installed copy (when that folder is still there; else
; the default folder), or /D=<folder>, which moves an installed copy from
; another folder there; /FORCE allows a silent
; downgrade. Uninstall.exe /S removes the program and keeps the user's data,
; and Uninstall.exe /S /REMOVEDATA removes that too.
;
; Exit codes of the setup program:
;   0     installed
;   1     cancelled by the user
;   2     refused: Ferrimond is running
;   3     refused: not a 64-bit edition of Windows
;   4     a library could not be registered: what this setup wrote was removed,
;         and in an upgrade or a move the installed copy with it (install
;         again once regsvr32 works); the user's records stay
;   5     refused: a newer version is installed (silent, without /FORCE)
;   9     refused: the copy in the old folder (a move with /D=) could not be
;         removed: its uninstaller failed; nothing was installed
;   10    refused: the folder holds another program's Uninstall.exe (and no
;         Ferrimond.exe); nothing was installed
;   11    refused: the folder is in the 32-bit Program Files, where the x86
;         Almanix.dll goes; nothing was installed
;   12    refused: another Ferrimond setup or uninstall is running
;   13    the install stopped (a file could not be written): run it again
; (1 and 2 are also NSIS's own codes for a cancel and a stop: the setup
; sets every code it ends with itself.)
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
; Empty: .onInit tells a folder given with /D= from none.
InstallDir ""

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
; The exit code of a failed install, when the setup has set one.
Var FailCode

; Replaces the path on top of the stack with its full, long form (no "."
; or "..", no trailing dot or backslash, no short names): one folder
; spelt two ways compares equal (== ignores case).
Function CanonicalPath
  Exch $0
  Push $1
  Push $2
  System::Call 'kernel32::GetFullPathNameW(w r0, i ${NSIS_MAX_STRLEN}, w .r1, p 0) i .r2'
  ${If} $2 > 0
    StrCpy $0 $1
  ${EndIf}
  System::Call 'kernel32::GetLongPathNameW(w r0, w .r1, i ${NSIS_MAX_STRLEN}) i .r2'
  ${If} $2 > 0
    StrCpy $0 $1
  ${EndIf}
  StrCpy $1 $0 1 -1
  StrLen $2 $0
  ${If} $1 == "\"
  ${AndIf} $2 > 3
    StrCpy $0 $0 -1
  ${EndIf}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Registers one library; on failure tells the user, undoes the install and
; ends the setup with exit code 4.
!macro RegisterOrFail REGSVR32 DLL BITS
  !insertmacro Regsvr32 "${REGSVR32}" "" "${DLL}"
  ${If} $0 != 0
    DetailPrint "regsvr32 (${BITS}) failed: $0"
    MessageBox MB_ICONSTOP|MB_OK "The ${BITS} Almanix.dll could not be registered (regsvr32: $0). Ferrimond was removed; please install it again once this is fixed. Your backup records are kept." /SD IDOK
    Call UndoInstall
    StrCpy $FailCode 4
    SetErrorLevel 4
    Abort
  ${EndIf}
!macroend

; Replaces the path on top of the stack with 1 when Windows is to delete or
; replace that file at the next restart (an uninstall or upgrade that found
; it in use), else 0.
Function PendingAtRestart
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  StrCpy $4 "\??\$0"
  StrCpy $0 0
  ; RRF_RT_REG_MULTI_SZ: first the size, then the pairs of names (from, to;
  ; an empty "to" deletes), each ending in a 0, and a 0 after the last.
  StrCpy $2 0
  System::Call 'advapi32::RegGetValueW(p 0x80000002, w "SYSTEM\CurrentControlSet\Control\Session Manager", w "PendingFileRenameOperations", i 0x20, p 0, p 0, *i r2r2) i .r3'
  ${If} $3 = 0
  ${AndIf} $2 > 0
    System::Alloc $2
    Pop $1
    System::Call 'advapi32::RegGetValueW(p 0x80000002, w "SYSTEM\CurrentControlSet\Control\Session Manager", w "PendingFileRenameOperations", i 0x20, p 0, p r1, *i r2r2) i .r3'
    ${If} $3 = 0
      StrCpy $3 $1
      IntPtrOp $5 $1 + $2
      IntPtrOp $5 $5 - 2
      ${DoWhile} $3 P< $5
        System::Call '*$3(&w${NSIS_MAX_STRLEN} .r2)'
        ${If} $2 == $4
        ${OrIf} $2 == "!$4"
          StrCpy $0 1
        ${EndIf}
        System::Call 'kernel32::lstrlenW(p r3) i .r2'
        IntOp $2 $2 + 1
        IntOp $2 $2 * 2
        IntPtrOp $3 $3 + $2
      ${Loop}
    ${EndIf}
    System::Free $1
  ${EndIf}
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Writes one file; when the old one is in use (a library loaded by another
; program), or an earlier uninstall or upgrade left it to be deleted or
; replaced at the next restart, writes the new one beside it and puts it in
; place when Windows restarts (after the earlier operation), and the setup
; ends with 3010.
; (Testing the error flag clears it: the result is kept in $8.)
!macro InstallFile SRC DEST
  StrCpy $8 writable
  Push "${DEST}"
  Call PendingAtRestart
  Pop $9
  ${If} $9 = 1
    StrCpy $8 "in use"
  ${EndIf}
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
  !insertmacro OneSetupAtATime
  !insertmacro FerrimondRunning
  ${If} $0 = 1
    MessageBox MB_ICONEXCLAMATION|MB_OK "Ferrimond is running. Please close Ferrimond and start the setup again." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  ; An upgrade goes where the installed copy is (unless its folder is gone),
  ; unless /D= names a folder: then the copy moves there. Only a copy of
  ; ours is moved: its uninstaller beside its Ferrimond.exe.
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 != ""
    Push $R0
    Call CanonicalPath
    Pop $R0
  ${EndIf}
  ${If} $INSTDIR == ""
    StrCpy $INSTDIR "$PROGRAMFILES64\Ferrimond"
    ${If} $R0 != ""
    ${AndIf} ${FileExists} "$R0\*.*"
      StrCpy $INSTDIR $R0
    ${EndIf}
  ${EndIf}
  Push $INSTDIR
  Call CanonicalPath
  Pop $INSTDIR
  ${If} $R0 != ""
  ${AndIf} $R0 != $INSTDIR
  ${AndIf} ${FileExists} "$R0\Ferrimond.exe"
  ${AndIf} ${FileExists} "$R0\Uninstall.exe"
    StrCpy $PreviousCopy $R0
  ${EndIf}
  ; The x86 library goes to $PROGRAMFILES32\Ferrimond: the x64 one and the
  ; program cannot go there too.
  Push $PROGRAMFILES32
  Call CanonicalPath
  Pop $R1
  StrLen $R2 $R1
  StrCpy $R3 $INSTDIR $R2
  StrCpy $R2 $INSTDIR 1 $R2
  ${If} $R3 == $R1
  ${AndIf} $R2 == "\"
  ${OrIf} $INSTDIR == $R1
    MessageBox MB_ICONSTOP|MB_OK "Ferrimond is a 64-bit program: please install it outside $R1." /SD IDOK
    SetErrorLevel 11
    Quit
  ${EndIf}
  ; Another program's uninstaller is never overwritten.
  ${If} ${FileExists} "$INSTDIR\Uninstall.exe"
  ${AndIfNot} ${FileExists} "$INSTDIR\Ferrimond.exe"
    MessageBox MB_ICONSTOP|MB_OK "$INSTDIR holds another program's Uninstall.exe. Please install Ferrimond in another folder." /SD IDOK
    SetErrorLevel 10
    Quit
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

Function .onInstFailed
  ${If} $FailCode == ""
    SetErrorLevel 13
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
  ; When that fails, the old copy and its uninstaller stay as they are.
  ${If} $PreviousCopy != ""
    ; Its uninstaller takes the setups' mutex itself.
    System::Call 'kernel32::CloseHandle(p $SetupMutex)'
    ClearErrors
    ExecWait '"$PreviousCopy\Uninstall.exe" /S _?=$PreviousCopy' $0
    System::Call 'kernel32::CreateMutexW(p 0, i 0, w "${SETUP_MUTEX}") p .s'
    Pop $SetupMutex
    ${If} ${Errors}
      StrCpy $0 "not started"
    ${EndIf}
    ${If} $0 == 3010
      SetRebootFlag true
    ${ElseIf} $0 != 0
      MessageBox MB_ICONSTOP|MB_OK "Ferrimond in $PreviousCopy could not be removed (its uninstaller: $0). Ferrimond was not installed in $INSTDIR." /SD IDOK
      StrCpy $FailCode 9
      SetErrorLevel 9
      Abort
    ${EndIf}
    DetailPrint "The copy in $PreviousCopy was removed (exit code $0)"
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
