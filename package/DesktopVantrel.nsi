; The Windows installer of Desktop Vantrel, one script for the 64-bit and the 32-bit build:
;   makensis -DVERSION=1.2.3.4 -DARCH=win64|win32 -DEXE=DesktopVantrel.exe -DREADME=README.txt
;            -DICON=Vantrel.ico -DOUTFILE=setup.exe DesktopVantrel.nsi
; Per user, no administrator rights: the program goes to the user's own programs folder, the
; uninstaller entry and the start at logon to the user's part of the registry.
; Command line (besides NSIS's /S and /D=folder):
;   setup.exe /AUTOSTART          also ticks "Start at logon" (for silent installs)
;   Uninstall.exe /REMOVESETTINGS also removes the settings and the log (for silent removals)

Unicode true
!if "${ARCH}" == "win64"
    Target amd64-unicode
!else
    Target x86-unicode
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include WinMessages.nsh
!include Win\WinNT.nsh

!define APP "Desktop Vantrel"
!define EXE_NAME "DesktopVantrel.exe"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\DesktopVantrel"
; What the program's own "Aut&o start" box writes: this value, holding the bare path of the exe.
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Vantrel"
; How a running copy is found and ended: its main window, its Exit command (EXIT_COMMAND, given
; by the build from kExitAction in src/app/Main.h), its instance mutex.
!define MAIN_WINDOW_CLASS "TMainForm"
!define INSTANCE_MUTEX "DesktopVantrel"
; The program's settings file and log.
!define DATA_DIR "$LOCALAPPDATA\Vantrel"

Name "${APP}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${APP}"
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
ManifestDPIAware true
BrandingText "${APP} ${VERSION}"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${APP}"
VIAddVersionKey /LANG=1033 "CompanyName" "Vantrel Software"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Vantrel Software"
VIAddVersionKey /LANG=1033 "FileDescription" "${APP} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

Var WasRunning

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_PRE FinishPagePre
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE_NAME}"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${APP} now"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Ends a running copy the way its own Exit does (the log is closed as on every exit), then waits
; until the process has let go of its files: its instance mutex lives exactly as long as it does.
!macro END_RUNNING_COPY un
Function ${un}EndRunningCopy
    StrCpy $WasRunning 0
    FindWindow $0 "${MAIN_WINDOW_CLASS}" "${APP}"
    ${If} $0 P= 0
        Return
    ${EndIf}
    StrCpy $WasRunning 1
    DetailPrint "Ending the running ${APP}"
    SendMessage $0 ${WM_COMMAND} ${EXIT_COMMAND} 0 /TIMEOUT=10000
    StrCpy $1 0
    ${Do}
        System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${INSTANCE_MUTEX}") p .r2'
        ${If} $2 P= 0
            ${Break}
        ${EndIf}
        System::Call 'kernel32::CloseHandle(p r2)'
        IntOp $1 $1 + 1
        ${If} $1 >= 150
            MessageBox MB_OK|MB_ICONSTOP "${APP} is still running. Exit it from its tray menu and start again." /SD IDOK
            Abort
        ${EndIf}
        Sleep 200
    ${Loop}
FunctionEnd
!macroend
!insertmacro END_RUNNING_COPY ""
!insertmacro END_RUNNING_COPY "un."

Section "-Program"
    Call EndRunningCopy
    SetOutPath "$INSTDIR"
    File "/oname=${EXE_NAME}" "${EXE}"
    File "/oname=README.txt" "${README}"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateShortCut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\${EXE_NAME}" "" "$INSTDIR\${EXE_NAME}" 0

    WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${APP}"
    WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\${EXE_NAME},0"
    WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "Vantrel Software"
    WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "Start at logon" SecAutoStart
    WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" "$INSTDIR\${EXE_NAME}"
SectionEnd

Section "-Start again"
    ; Unticked: a registration of this copy goes; one of another copy is not ours to remove.
    ${IfNot} ${SectionIsSelected} ${SecAutoStart}
        ReadRegStr $0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
        ${If} $0 == "$INSTDIR\${EXE_NAME}"
            DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
        ${EndIf}
    ${EndIf}
    ${If} $WasRunning = 1
        Exec '"$INSTDIR\${EXE_NAME}"'
    ${EndIf}
SectionEnd

Function .onInit
    SetShellVarContext current
    StrCpy $WasRunning 0
    ; An upgrade keeps the start at logon as the user left it.
    ReadRegStr $0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
    ${If} $0 == "$INSTDIR\${EXE_NAME}"
        !insertmacro SelectSection ${SecAutoStart}
    ${EndIf}
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/AUTOSTART" $2
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SecAutoStart}
    ${EndIf}
FunctionEnd

; The program was started again already: no second start from the finish page.
Function FinishPagePre
    ${If} $WasRunning = 1
        Abort
    ${EndIf}
FunctionEnd

Section "-un.Program"
    Call un.EndRunningCopy
    ReadRegStr $0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
    ${If} $0 == "$INSTDIR\${EXE_NAME}"
        DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
    ${EndIf}
    Delete "$SMPROGRAMS\${APP}.lnk"
    Delete "$INSTDIR\${EXE_NAME}"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd

Section /o "un.Remove my settings and log" SecRemoveData
    RMDir /r "${DATA_DIR}"
SectionEnd

Function un.onInit
    SetShellVarContext current
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/REMOVESETTINGS" $1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SecRemoveData}
    ${EndIf}
FunctionEnd
