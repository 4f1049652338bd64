; The Ferrimond uninstaller, made when the package is made (not by the setup
; program at install time), so that it can be signed like every other file.
; makensis hands it over through !uninstfinalize; the installer this script
; also makes writes nothing and is thrown away. Defines besides those of
; ferrimond.nsh:
;   UNINSTALLER  the path the uninstaller is copied to
;   OUTDIR       a scratch folder for the unused installer
;
; Uninstall.exe (uninstall.nsi) carries it, runs it from a temporary folder
; with _?=<program folder> and waits for it. Its exit codes:
;   0     removed
;   1     cancelled by the user
;   2     refused: Ferrimond is running; nothing was removed
;   7     refused: no Ferrimond.exe in the folder, or the uninstall entry
;         names another folder; nothing was removed
;   8     Ferrimond.exe could not be removed (and was not marked for removal)
;   12    refused: another Ferrimond setup or uninstall is running
;   3010  removed; files in use go when Windows restarts
; When it has removed the program it starts a second copy of itself with
; /CLEANUP, which removes Uninstall.exe and the empty program folder as soon
; as Uninstall.exe has ended.

!define DESCRIPTION "Ferrimond uninstaller"
!include "${__FILEDIR__}/ferrimond.nsh"
!include "MUI2.nsh"
!include "Sections.nsh"

OutFile "${OUTDIR}/write-uninstaller.exe"
SilentInstall silent
!uninstfinalize 'cp "%1" "${UNINSTALLER}"'

!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_TEXT_TOP "Ferrimond will be removed. Your backup records and saved selections stay unless you tick the box below."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Section
  WriteUninstaller "$EXEDIR\unused.exe"
SectionEnd

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
  Delete /REBOOTOK "$PROGRAMFILES32\Ferrimond\Almanix.dll"
  ; The folder waits for a restart only when its library does.
  ${If} ${FileExists} "$PROGRAMFILES32\Ferrimond\Almanix.dll"
    RMDir /REBOOTOK "$PROGRAMFILES32\Ferrimond"
  ${Else}
    RMDir "$PROGRAMFILES32\Ferrimond"
  ${EndIf}

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
Function un.RemoveEmptyFolders
  RMDir "${DATA_FOLDER}\log"
  RMDir "${DATA_FOLDER}"
  RMDir "$INSTDIR"
FunctionEnd

Section "-un.Folders"
  Call un.RemoveEmptyFolders
SectionEnd

Function un.onInit
  SetRegView 64
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/CLEANUP" $R1
  ${IfNot} ${Errors}
    ; Uninstall.exe cannot go while it waits for the uninstall: it goes
    ; once it has ended (within 30 s), and the program folder with it.
    ${For} $R1 1 300
      Delete "$INSTDIR\Uninstall.exe"
      ${IfNot} ${FileExists} "$INSTDIR\Uninstall.exe"
        ${Break}
      ${EndIf}
      Sleep 100
    ${Next}
    Call un.RemoveEmptyFolders
    ; This copy stays in its temporary folder: marked for removal at the
    ; next restart, it would tell deployment tools that a restart is due.
    Quit
  ${EndIf}
  !insertmacro OneSetupAtATime
  !insertmacro FerrimondRunning
  ${If} $0 = 1
    MessageBox MB_ICONEXCLAMATION|MB_OK "Ferrimond is running. Please close Ferrimond and start the uninstall again." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  ; Only the folder Ferrimond is installed in is emptied: an uninstaller
  ; pointed at another folder (a wrong _?=) removes nothing.
  ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${IfNot} ${FileExists} "$INSTDIR\Ferrimond.exe"
  ${OrIf} $R1 != $INSTDIR
    MessageBox MB_ICONSTOP|MB_OK "Ferrimond is not installed in $INSTDIR. Nothing was removed." /SD IDOK
    SetErrorLevel 7
    Quit
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/REMOVEDATA" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSecData}
  ${EndIf}
FunctionEnd

Function un.onUninstSuccess
  ; Still there and not due to go at restart: the uninstall did not work.
  ${If} ${FileExists} "$INSTDIR\Ferrimond.exe"
  ${AndIfNot} ${RebootFlag}
    SetErrorLevel 8
    Return
  ${EndIf}
  ${If} ${RebootFlag}
    MessageBox MB_ICONINFORMATION|MB_OK "Some Ferrimond files are in use by another program. They are removed when Windows restarts." /SD IDOK
    SetErrorLevel 3010
  ${EndIf}
  SetOutPath "$TEMP"
  Exec '"$EXEPATH" /S /CLEANUP _?=$INSTDIR'
FunctionEnd
