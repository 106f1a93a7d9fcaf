; The agreement on a page of its own after another page (the choice of folder): the installer's
; window is up, and must take no input while the agreement is shown.  Exit codes as the
; example's.
Name "LegalPrompt Pages"
OutFile "pages-setup.exe"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\LegalPrompt Pages"

!include "LegalPrompt.nsh"
Page directory
Page custom Agreement
Page instfiles

Function Agreement
    ${LegalPrompt} "liscn.txt" $0
    StrCmp $0 "accepted" +3
        SetErrorLevel 10
        Quit
FunctionEnd

Section
    SetOutPath "$INSTDIR"
    File "readme.txt"
SectionEnd
