#include "agreement_prompt.h"

#include "legalprompt.h"

/* The two names are kept in the code section: with no read-only data section of its own the
   DLL's headers and sections fit in 4 KiB.  (The MSVC linkers merge read-only data into the
   code section instead.) */
#ifdef __MINGW32__
#define IN_CODE_SECTION __attribute__((section(".text$names")))
#else
#define IN_CODE_SECTION
#endif
static const char text_file_name[] IN_CODE_SECTION = "liscn.txt";
static const char template_name[] IN_CODE_SECTION = "AboutBox";

HINSTANCE agreement_instance;
char agreement_text[AGREEMENT_TEXT_SIZE];

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        agreement_instance = instance;
    return TRUE;
}

extern "C" int WINAPI DisplayLegalBullshit(void)
{
    OFSTRUCT of;
    HFILE file;
    INT_PTR result;
    int outcome;

    /* A plain loop: the DLL has no C runtime to provide memset. */
    for (int i = 0; i < AGREEMENT_TEXT_SIZE; i++)
        agreement_text[i] = 0;

    file = OpenFile(text_file_name, &of, OF_READ);
    if (file == HFILE_ERROR)
        return LEGALPROMPT_NO_TEXT;

    /* A text that could not be read must not be offered for acceptance. */
    if (_lread(file, agreement_text, AGREEMENT_TEXT_READ) == (UINT)HFILE_ERROR) {
        _lclose(file);
        return LEGALPROMPT_NO_TEXT;
    }

    result = DialogBoxParamA(agreement_instance, template_name, NULL, ShowLegal, 0);
    outcome = result == 1 ? LEGALPROMPT_ACCEPTED : LEGALPROMPT_DECLINED;

    /* Closed only now, so the text cannot be deleted or renamed while it is on screen. */
    _lclose(file);
    return outcome;
}
