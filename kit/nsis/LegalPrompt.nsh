; LegalPrompt.nsh: the licence agreement in front of the user, from an NSIS installer.
;
;     !include "LegalPrompt.nsh"
;     ${LegalPrompt} "license.txt" $0     ; in .onInit, a page's function or a section
;     StrCmp $0 "accepted" 0 +2 ...
;
; The first argument is your agreement text as makensis finds it (8-bit text in the ANSI code
; page, CR LF line ends: check it with liscn); the second a variable that gets one of
;     accepted   the user chose "Accept"
;     declined   "Do Not Accept", Esc or the close box
;     no text    the text could not be opened or read; nothing was shown
;     error      the prompt could not be run
; Compare it as a string; no answer but "accepted" may let the installation go on.
;
; How: the include packs legalpromptw.exe, legalprompt.dll and your text, under the name
; liscn.txt, into the installer; at run time it puts the three in $PLUGINSDIR, runs the prompt
; program there and waits for its exit code.  Not the DLL through
; the System plug-in: the library looks for liscn.txt first in the folder of the program that
; loads it, which would be the installer's own, where a stray liscn.txt (a downloads folder)
; would be shown instead of yours.  The folder of legalpromptw.exe is one that the installer
; made and filled.  (The library opens the text by an 8-bit path of at most 127 bytes: with a
; temp folder of more than about 105 characters, or with characters outside the ANSI code
; page, the answer is "no text".)  The names liscn.txt, legalprompt.dll and legalpromptw.exe in
; $PLUGINSDIR are the include's.  The program is the GUI-subsystem one, so no console window opens and
; takes the keyboard from the dialog; it runs in a process of its own, so nothing stays loaded
; in the installer.  While it is up the installer's window is disabled, so that the installer
; takes no clicks meant for the agreement.  The files are deleted when it ends; $PLUGINSDIR,
; which is never made the current folder here, goes when the installer ends.
;
; The files match the installer: the 32-bit program for 32-bit installers (x86-unicode,
; x86-ansi), the 64-bit one for amd64-unicode ones, which then run where 32-bit programs cannot.

!ifndef LEGALPROMPT_NSH
!define LEGALPROMPT_NSH

!define LEGALPROMPT_DIR "${__FILEDIR__}"

!macro LegalPrompt TEXT RESULT
    !define /redef LEGALPROMPT_ID ${__COUNTER__}
    ; The installer's width as it is where the macro is used: a Target may follow the include.
    !if ${NSIS_PTR_SIZE} > 4
        !define /redef LEGALPROMPT_FILES "${LEGALPROMPT_DIR}\amd64"
    !else
        !define /redef LEGALPROMPT_FILES "${LEGALPROMPT_DIR}\x86"
    !endif
    Push $0
    InitPluginsDir
    File "/oname=$PLUGINSDIR\legalpromptw.exe" "${LEGALPROMPT_FILES}\legalpromptw.exe"
    File "/oname=$PLUGINSDIR\legalprompt.dll" "${LEGALPROMPT_FILES}\legalprompt.dll"
    File "/oname=$PLUGINSDIR\liscn.txt" "${TEXT}"
    EnableWindow $HWNDPARENT 0
    ClearErrors
    ExecWait '"$PLUGINSDIR\legalpromptw.exe"' $0
    IfErrors 0 +2
        StrCpy $0 "error"
    EnableWindow $HWNDPARENT 1
    Delete "$PLUGINSDIR\legalpromptw.exe"
    Delete "$PLUGINSDIR\legalprompt.dll"
    Delete "$PLUGINSDIR\liscn.txt"
    ; The program's exit code: 0, 1 or -1 (which 64-bit installers write as 4294967295);
    ; anything else is an error (2, 3, a crash).
    StrCmp $0 "0" 0 legalprompt_declined_${LEGALPROMPT_ID}
        StrCpy $0 "accepted"
        Goto legalprompt_done_${LEGALPROMPT_ID}
    legalprompt_declined_${LEGALPROMPT_ID}:
    StrCmp $0 "1" 0 legalprompt_no_text_${LEGALPROMPT_ID}
        StrCpy $0 "declined"
        Goto legalprompt_done_${LEGALPROMPT_ID}
    legalprompt_no_text_${LEGALPROMPT_ID}:
    StrCmp $0 "-1" +2
    StrCmp $0 "4294967295" 0 legalprompt_error_${LEGALPROMPT_ID}
        StrCpy $0 "no text"
        Goto legalprompt_done_${LEGALPROMPT_ID}
    legalprompt_error_${LEGALPROMPT_ID}:
        StrCpy $0 "error"
    legalprompt_done_${LEGALPROMPT_ID}:
    Exch $0
    Pop ${RESULT}
!macroend
!define LegalPrompt "!insertmacro LegalPrompt"

!endif
