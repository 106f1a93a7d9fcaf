; LegalPrompt.nsh: the licence agreement in front of the user, from an NSIS installer.
;
;     !include "LegalPrompt.nsh"
;     ${LegalPrompt} "license.txt" $0     ; in .onInit, a page's function or a section
;     StrCmp $0 "accepted" 0 +2 ...
;
; The first argument is your agreement text as makensis finds it (8-bit text in the ANSI code
; page, CR LF line ends: check it with liscn); the second a variable that gets one of
;     accepted    the user chose "Accept"; or a silent install (/S) whose command line says
;                 /LEGALPROMPT_ACCEPT=1
;     declined    "Do Not Accept", Esc or the close box
;     unattended  nobody was asked: a silent install without /LEGALPROMPT_ACCEPT=1, or an
;                 installer that runs where no user can see a window (a service, SYSTEM in
;                 session 0)
;     no text     the text could not be opened or read; nothing was shown
;     error       the prompt could not be run, or did not end with an answer: the installer's
;                 details (DetailPrint, in a section) say why
; Compare it as a string; no answer but "accepted" may let the installation go on.
;
; How: the plug-in legalprompt_nsis, of the installer's target, carries the prompt program and
; the library inside it.  It writes them and your text into a new folder with a random name
; (in the system's temp folder when the installer runs elevated, where only SYSTEM and the
; Administrators may enter, else in the user's temp folder), holds the three files open so
; that no other process may change or delete them, runs the program from there in a job that
; ends it if the installer is ended, and takes "accepted" only from the program's own
; acceptance, never from an exit code that another process could give by ending it.  The
; program loads nothing from its folder but the library.  While it is up the installer's
; window is disabled, so that the installer takes no clicks meant for the agreement.  The
; folder is removed when the prompt ends; your text goes to $PLUGINSDIR as
; legalprompt-text.txt for the plug-in to read, and is deleted after.

!ifndef LEGALPROMPT_NSH
!define LEGALPROMPT_NSH
!verbose push
!verbose 3

!include "FileFunc.nsh"

!addplugindir /x86-unicode "${__FILEDIR__}\x86-unicode"
!addplugindir /x86-ansi "${__FILEDIR__}\x86-ansi"
!addplugindir /amd64-unicode "${__FILEDIR__}\amd64-unicode"

!macro LegalPrompt TEXT RESULT
    !verbose push
    !verbose 3
    !define /redef LEGALPROMPT_ID ${__COUNTER__}
    Push $0
    Push $1
    IfSilent 0 legalprompt_ask_${LEGALPROMPT_ID}
        ${GetParameters} $0
        ${GetOptions} $0 "/LEGALPROMPT_ACCEPT=" $1
        StrCpy $0 "unattended"
        StrCmp $1 "1" 0 legalprompt_done_${LEGALPROMPT_ID}
        StrCpy $0 "accepted"
        Goto legalprompt_done_${LEGALPROMPT_ID}
    legalprompt_ask_${LEGALPROMPT_ID}:
    InitPluginsDir
    File "/oname=$PLUGINSDIR\legalprompt-text.txt" "${TEXT}"
    EnableWindow $HWNDPARENT 0
    legalprompt_nsis::Show "$PLUGINSDIR\legalprompt-text.txt"
    Pop $0
    Pop $1
    EnableWindow $HWNDPARENT 1
    Delete "$PLUGINSDIR\legalprompt-text.txt"
    StrCmp $1 "" legalprompt_done_${LEGALPROMPT_ID}
        DetailPrint "LegalPrompt: $1"
    legalprompt_done_${LEGALPROMPT_ID}:
    Pop $1
    Exch $0
    Pop ${RESULT}
    !verbose pop
!macroend
!define LegalPrompt "!insertmacro LegalPrompt"

!verbose pop
!endif
