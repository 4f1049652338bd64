; Uninstall.exe, the program the uninstall entry starts. An uninstaller
; cannot remove the folder it runs from, so it runs from a temporary copy;
; a copy started on its own returns at once, and the caller would see 0
; even from an uninstall that refuses. This program starts that copy itself
; (the uninstaller from uninstaller.nsi, which it carries), waits for it and
; ends with its exit code. Defines besides those of ferrimond.nsh:
;   REAL_UNINSTALLER  the uninstaller made from uninstaller.nsi
;   OUTFILE           the Uninstall.exe to write
;
; Uninstall.exe [/S] [/REMOVEDATA] exits with:
;   0     removed
;   1     cancelled by the user
;   2     refused: Ferrimond is running; nothing was removed
;   6     the uninstaller could not be started; nothing was removed
;   3010  removed; files in use go when Windows restarts
; Uninstall.exe itself and the empty program folder go right after it ends.

!define DESCRIPTION "Ferrimond uninstall"
!include "${__FILEDIR__}/ferrimond.nsh"
!include "WordFunc.nsh"

OutFile "${OUTFILE}"
Icon "${ICON}"
SilentInstall silent

Section
  ; Everything the caller gave (/S, /REMOVEDATA) goes on to the uninstaller;
  ; a folder given with _?= (as for any uninstaller) is this one anyway.
  ${GetParameters} $R0
  ${WordFind} "$R0" "_?=" "+1{" $R0
  GetTempFileName $R1
  Delete "$R1"
  CreateDirectory "$R1"
  SetOutPath "$R1"
  ClearErrors
  File "/oname=$R1\Ferrimond-Uninstall.exe" "${REAL_UNINSTALLER}"
  ExecWait '"$R1\Ferrimond-Uninstall.exe" $R0 _?=$EXEDIR' $0
  ${If} ${Errors}
    StrCpy $0 6
  ${EndIf}
  ; The copy stays while the uninstaller's clean-up runs from it.
  SetOutPath "$TEMP"
  Delete "$R1\Ferrimond-Uninstall.exe"
  RMDir "$R1"
  SetErrorLevel $0
SectionEnd
