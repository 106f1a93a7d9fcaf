/* The library's entry callback and its prompt: load "liscn.txt", run the dialog, report. */
#ifndef AGREEMENT_PROMPT_H
#define AGREEMENT_PROMPT_H

#include <windows.h>

/* 16380 bytes are read into a buffer cleared to 16384, so the text always ends in zeros. */
#define AGREEMENT_TEXT_SIZE 16384
#define AGREEMENT_TEXT_READ 16380

/* This library's module: the dialog template is looked up here, never in the host. */
extern HINSTANCE agreement_instance;
/* The agreement text of the latest prompt, as ANSI bytes ended by a zero byte. */
extern char agreement_text[AGREEMENT_TEXT_SIZE];

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

#endif
