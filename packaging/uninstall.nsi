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
;   6     the uninstaller could not be started, or it stopped on an error
;         (nothing was removed, or the entry in the list of installed
;         programs stays for the rest)
;   7     refused: the folder holds no Ferrimond.exe, or the uninstall entry
;         names another folder; nothing was removed
;   8     Ferrimond.exe could not be removed (and was not marked for removal)
;   12    refused: another Ferrimond setup or uninstall is running
;   3010  removed; files in use go when Windows restarts
; The folder removed is the one given with _?=<folder> (the usual way to run
; a copy of an uninstaller), else this program's own. That folder's
; Uninstall.exe and, when empty, the folder go right after it ends.

!define DESCRIPTION "Ferrimond uninstall"
!include "${__FILEDIR__}/ferrimond.nsh"
!include "WordFunc.nsh"

OutFile "${OUTFILE}"

; Drops the trailing quote (and a backslash before it) and trailing spaces
; a quoted "_?=<folder>" leaves on either side.
!macro TrimQuote VAR
  ${Do}
    StrCpy $9 ${VAR} 1 -1
    ${If} $9 == '"'
    ${OrIf} $9 == " "
    ${OrIf} $9 == "\"
      StrCpy ${VAR} ${VAR} -1
    ${Else}
      ${Break}
    ${EndIf}
  ${Loop}
!macroend
!define TrimQuote "!insertmacro TrimQuote"
Icon "${ICON}"
SilentInstall silent

Section
  ; Everything the caller gave (/S, /REMOVEDATA) goes on to the uninstaller,
  ; and the folder given with _?= (last, maybe quoted) or else this one.
  ${GetParameters} $R0
  StrCpy $R2 $EXEDIR
  ClearErrors
  ; Split where the uninstaller itself will: at the last _?=.
  ${WordFind} "$R0" "_?=" "E-1}" $R3
  ${IfNot} ${Errors}
    ${WordFind} "$R0" "_?=" "-1{" $R0
    ${TrimQuote} $R0
    ${TrimQuote} $R3
    ${If} $R3 != ""
      StrCpy $R2 $R3
    ${EndIf}
  ${EndIf}
  ; The clean-up after an uninstall (which deletes Uninstall.exe where _?=
  ; points, before any check of that folder) is the uninstaller's own to
  ; start: never passed on from a caller. Looked for in exactly what the
  ; uninstaller would be given, which may name no second folder either.
  ClearErrors
  ${GetOptions} $R0 "/CLEANUP" $R4
  ${If} ${Errors}
    ClearErrors
    ${WordFind} "$R0" "_?=" "E+1{" $R4
  ${EndIf}
  ${IfNot} ${Errors}
    SetErrorLevel 6
    Quit
  ${EndIf}
  ; The uninstaller runs elevated from a folder of its own that this
  ; program makes under Windows' Temp (not the user's %TEMP%, where another
  ; program could have placed libraries for it to load): a name that
  ; GetTempFileName reserves, with ".d" added, and no folder of that name
  ; may exist before.
  StrCpy $0 6
  GetTempFileName $R4 "$WINDIR\Temp"
  ${If} $R4 != ""
    System::Call 'kernel32::CreateDirectoryW(w "$R4.d", p 0) i .r1'
    ${If} $1 <> 0
      StrCpy $R1 "$R4.d"
      SetOutPath "$R1"
      ClearErrors
      File "/oname=$R1\Ferrimond-Uninstall.exe" "${REAL_UNINSTALLER}"
      ${IfNot} ${Errors}
        ExecWait '"$R1\Ferrimond-Uninstall.exe" $R0 _?=$R2' $0
      ${EndIf}
      ${If} ${Errors}
        StrCpy $0 6
      ${EndIf}
      ; 2 is also NSIS's own code for an uninstaller that stopped.
      ${If} $0 = 2
        StrCpy $R5 $0
        !insertmacro FerrimondRunning
        ${If} $0 = 0
          StrCpy $R5 6
        ${EndIf}
        StrCpy $0 $R5
      ${EndIf}
      ; The copy stays while the uninstaller's clean-up runs from it.
      SetOutPath "$WINDIR\Temp"
      Delete "$R1\Ferrimond-Uninstall.exe"
      RMDir "$R1"
    ${EndIf}
    Delete "$R4"
  ${EndIf}
  SetErrorLevel $0
SectionEnd
