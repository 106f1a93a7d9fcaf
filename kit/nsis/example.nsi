; An installer that installs one file, and only when the user accepts the licence agreement.
; Exit codes: 0 installed; 10 declined; 11 no text to show; 12 the prompt could not be run;
; 13 nobody was asked (a silent install, /S, without /LEGALPROMPT_ACCEPT=1).
Name "LegalPrompt Example"
OutFile "example-setup.exe"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\LegalPrompt Example"
AutoCloseWindow true

!include "LegalPrompt.nsh"

Function .onInit
    ${LegalPrompt} "liscn.txt" $0
    StrCmp $0 "accepted" done
    StrCmp $0 "declined" 0 +2
        SetErrorLevel 10
    StrCmp $0 "no text" 0 +2
        SetErrorLevel 11
    StrCmp $0 "error" 0 +2
        SetErrorLevel 12
    StrCmp $0 "unattended" 0 +2
        SetErrorLevel 13
    Quit
    done:
FunctionEnd

Page instfiles

Section
    SetOutPath "$INSTDIR"
    File "readme.txt"
SectionEnd
