; quorvi-setup.exe: puts the QUORVI control software into the Windows system
; directory and registers it, and writes quorvi-uninstall.exe, which takes it
; out again. The quorvisetup plug-in, built from src/, does the work, so that
; a step that fails undoes the ones before it; this script shows the pages
; and carries the files.
;
; Given by the build: OUTFILE, PLUGINDIR, VERSION and the six files CORE,
; PANEL, TRAY, ASIO, ASIOPANEL, MIXER.
;
; Command line of quorvi-setup.exe:   /S (no pages)  /NOTRAY  /LOG=<file>
; Command line of the uninstaller:    /S  /REMOVEDATA  /LOG=<file>
; Exit code: 0 done, 2 failed (nothing changed), 3010 done but Windows must
; restart to finish replacing or removing files in use.

Unicode false   ; an ANSI installer, as Windows 9x runs only those
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include Sections.nsh
!include nsDialogs.nsh

!addplugindir /x86-ansi "${PLUGINDIR}"

Name "QUORVI"
Caption "QUORVI Setup"
UninstallCaption "QUORVI Uninstall"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUnInstDetails show
BrandingText "Quelmar QUORVI ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "QUORVI control software"
VIAddVersionKey "CompanyName" "Quelmar"
VIAddVersionKey "FileDescription" "QUORVI Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Quelmar"

Var LogFile
Var RemoveData
Var RemoveDataBox

; The details stay on screen: they say what went where.
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_UNFINISHPAGE_NOAUTOCLOSE
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_COMPONENTSPAGE_TEXT_TOP "The control software goes into the Windows system directory: the Control Panel applet, the tray application, the ASIO driver and its latency program, and the AudioX mixer plug-in."
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
UninstPage custom un.UserDataPage un.UserDataPageLeave
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "English"

; What the plug-in left on the stack: shows a failure and ends the run with
; exit code 2, or shows what could not be finished. $0 is emptied before the
; call: a plug-in that could not run leaves no answer, and that is a failure.
!macro Outcome NOT_RUN
    Pop $0   ; ok, failed or incomplete
    Pop $1   ; the text for the user
    Pop $2   ; 1 when Windows must restart
    ${If} $0 != ok
    ${AndIf} $0 != failed
    ${AndIf} $0 != incomplete
        StrCpy $0 failed
        StrCpy $1 "Setup could not run its engine, quorvisetup.dll. ${NOT_RUN}"
        StrCpy $2 0
    ${EndIf}
    ${If} $2 == 1
        SetRebootFlag true
    ${EndIf}
    ${If} $0 == failed
        MessageBox MB_OK|MB_ICONSTOP "$1" /SD IDOK
        SetErrorLevel 2
        Abort
    ${ElseIf} $0 == incomplete
        MessageBox MB_OK|MB_ICONEXCLAMATION "$1" /SD IDOK
    ${EndIf}
!macroend

; /LOG=<file> from the parameters in $R0. A shell quotes a path with spaces
; as "/LOG=C:\My Logs\setup.log", where GetOptions sees no option at all.
!macro LogOption
    ClearErrors
    ${GetOptions} $R0 "/LOG=" $LogFile
    ${If} ${Errors}
        ${WordReplace} $R0 '"' "" "+" $R1
        ClearErrors
        ${GetOptions} $R1 "/LOG=" $LogFile
    ${EndIf}
!macroend

Section "QUORVI control software" SecSuite
    SectionIn RO
SectionEnd

Section "Start the tray application at log-on" SecTray
SectionEnd

Section "-Install"
    InitPluginsDir
    SetDetailsPrint none
    SetOutPath "$PLUGINSDIR\package"
    File "${CORE}"
    File "${PANEL}"
    File "${TRAY}"
    File "${ASIO}"
    File "${ASIOPANEL}"
    File "${MIXER}"
    WriteUninstaller "$PLUGINSDIR\package\quorvi-uninstall.exe"
    ; Out of the temporary folder, which cannot go at the end while it is
    ; this process's current folder.
    SetOutPath "$TEMP"
    SetDetailsPrint both
    ${If} ${SectionIsSelected} ${SecTray}
        StrCpy $3 1
    ${Else}
        StrCpy $3 0
    ${EndIf}
    StrCpy $0 ""
    quorvisetup::Install "$PLUGINSDIR\package" $3 "${VERSION}" $LogFile
    !insertmacro Outcome "Nothing was changed."
SectionEnd

Function .onInit
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/NOTRAY" $R1
    ${IfNot} ${Errors}
        !insertmacro UnselectSection ${SecTray}
    ${EndIf}
    !insertmacro LogOption
FunctionEnd

Function .onInstSuccess
    ${If} ${RebootFlag}
        SetErrorLevel 3010
    ${EndIf}
FunctionEnd

Function un.onInit
    ${GetParameters} $R0
    StrCpy $RemoveData 0
    ; Only the bare option asks for it: "/REMOVEDATA=0" or a longer word
    ; starting with it must not take the user's setups. Without quotes, as
    ; GetOptions counts a quoted option that follows as this one's value.
    ${WordReplace} $R0 '"' "" "+" $R1
    ClearErrors
    ${GetOptions} $R1 "/REMOVEDATA" $R1
    ${IfNot} ${Errors}
    ${AndIf} $R1 == ""
        StrCpy $RemoveData 1
    ${EndIf}
    !insertmacro LogOption
FunctionEnd

Function un.UserDataPage
    !insertmacro MUI_HEADER_TEXT "Your setups and settings" "Choose whether they stay on this computer."
    nsDialogs::Create 1018
    Pop $0
    ${NSD_CreateLabel} 0 0 100% 40u "Your setup files (*.ssf in $SYSDIR), the QUORVI settings and the ASIO latency and channels chosen in asiopanel stay on this computer, for a later installation to find, unless you tick the box below."
    Pop $0
    ${NSD_CreateCheckbox} 0 48u 100% 12u "&Also remove my setup files and settings"
    Pop $RemoveDataBox
    ${If} $RemoveData == 1
        ${NSD_Check} $RemoveDataBox
    ${EndIf}
    nsDialogs::Show
FunctionEnd

Function un.UserDataPageLeave
    ${NSD_GetState} $RemoveDataBox $RemoveData
    ${If} $RemoveData != 1
        StrCpy $RemoveData 0
    ${EndIf}
FunctionEnd

Section "Uninstall"
    StrCpy $0 ""
    quorvisetup::Uninstall $RemoveData $LogFile
    !insertmacro Outcome "Nothing was removed."
SectionEnd

Function un.onUninstSuccess
    ${If} ${RebootFlag}
        SetErrorLevel 3010
    ${EndIf}
FunctionEnd
