; What the setup program (ferrimond.nsi), the uninstaller (uninstaller.nsi)
; and Uninstall.exe (uninstall.nsi) share: names, folders, the version, the
; running-program check and regsvr32. Each script defines DESCRIPTION (its
; file description) before including this file.
;   SRCDIR       the source tree (for the icon)
;   VERSION_NSH  the version file CMake writes (build/win/generated/version.nsh)

!if ${NSIS_PACKEDVERSION} < 0x03008000
  !error "makensis 3.08 or later is needed (!uninstfinalize)"
!endif

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "${VERSION_NSH}"
!include "LogicLib.nsh"
!include "x64.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Ferrimond"
!define PUBLISHER "Ferrimond"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ferrimond"
; The program keeps its records here whatever folder it runs from.
!define DATA_FOLDER "C:\Program Files\Ferrimond"
; The mutex the running program holds for its single-instance check: in
; the Global namespace, so that a copy running in another session counts.
; An earlier build held it in its own session's Local namespace: that name
; is checked as well.
!define INSTANCE_MUTEX "Global\Ferrimond.Instance"
!define OLD_INSTANCE_MUTEX "Local\Ferrimond.Instance"
!define ICON "${SRCDIR}/ferrimond/app/ferrimond.ico"

Name "${PRODUCT} ${FERRIMOND_VERSION}"
BrandingText "${PRODUCT} ${FERRIMOND_VERSION}"

VIProductVersion "${FERRIMOND_VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${DESCRIPTION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${FERRIMOND_VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${FERRIMOND_VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Ferrimond"

; One setup or uninstall at a time, in any session: the one that finds the
; mutex taken ends with 12. Held until the process ends.
!define SETUP_MUTEX "Global\Ferrimond.Setup"
!macro OneSetupAtATime
  Var /GLOBAL SetupMutex
  System::Call 'kernel32::CreateMutexW(p 0, i 0, w "${SETUP_MUTEX}") p .r1 ?e'
  Pop $2
  ${If} $1 P= 0
  ${OrIf} $2 = 183
    ${If} $1 P<> 0
      System::Call 'kernel32::CloseHandle(p r1)'
    ${EndIf}
    MessageBox MB_ICONEXCLAMATION|MB_OK "Another Ferrimond setup or uninstall is running. Please wait for it to end and start again." /SD IDOK
    SetErrorLevel 12
    Quit
  ${EndIf}
  StrCpy $SetupMutex $1
!macroend

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
