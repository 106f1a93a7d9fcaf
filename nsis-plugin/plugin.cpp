// legalprompt_nsis.dll: the NSIS plug-in behind LegalPrompt.nsh.  No C runtime, like the
// library; built for each installer target (x86-unicode, x86-ansi, amd64-unicode).
//
//     legalprompt_nsis::Show TEXT_PATH     (pops: the word, then a line for the details)
//
// It carries the prompt program and the library of its width in its own resources, so that
// neither ever lies in a folder where another process could swap it before it is used, and
// runs the program as run.h tells, with the text read from TEXT_PATH.  The word is one of
// "accepted", "declined", "no text", "unattended" (nobody can see the dialog) or "error"; the
// line says why when it is not "accepted" or "declined", else it is empty.
#include <windows.h>

#include "run.h"

#ifdef UNICODE
typedef WCHAR NsisChar;
#else
typedef char NsisChar;
#endif

// The plug-in interface of NSIS: the installer's stack of strings.
struct NsisStack {
    NsisStack *next;
    NsisChar text[1];
};

static HMODULE self;
static char text[16380];  // of the text the library reads the first 16380 bytes
static WCHAR text_path[8192 + 1];
static WCHAR line[4096];
static RunReport report;

static void pop(NsisStack **top, WCHAR *to, int room)
{
    to[0] = 0;
    NsisStack *entry = top ? *top : NULL;
    if (!entry)
        return;
#ifdef UNICODE
    int i = 0;
    for (; i < room - 1 && entry->text[i]; i++)
        to[i] = entry->text[i];
    to[i] = 0;
#else
    int length = MultiByteToWideChar(CP_ACP, 0, entry->text, -1, to, room);
    to[length > 0 ? length - 1 : 0] = 0;
#endif
    *top = entry->next;
    GlobalFree(entry);
}

static void push(NsisStack **top, int string_size, const WCHAR *value)
{
    if (string_size < 1)
        string_size = 1;
    NsisStack *entry = (NsisStack *)GlobalAlloc(GPTR, sizeof(NsisStack) + string_size * sizeof(NsisChar));
    if (!entry)
        return;
#ifdef UNICODE
    int length = 0;
    while (length < string_size - 1 && value[length])
        length++;
    if (value[length] && length > 0 && value[length - 1] >= 0xD800 && value[length - 1] < 0xDC00)
        length--;  // cut: not half of a pair
    for (int i = 0; i < length; i++)
        entry->text[i] = value[i];
#else
    // As much as fits, ended by a zero: a character takes one to three bytes (UTF-8 as the ANSI
    // code page), so the cut is found by measuring, at a whole character.
    // No best fit: a look-alike (a fullwidth quote or backslash) becomes "?", not ASCII.  UTF-8
    // takes no such flag, and has no look-alikes to fear.
    const DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    int length = lstrlenW(value), bytes;
    while (length > 0
           && (bytes = WideCharToMultiByte(CP_ACP, flags, value, length, NULL, 0, NULL, NULL)) > string_size - 1) {
        length -= (bytes - (string_size - 1) + 2) / 3;  // each character fewer is at most 3 bytes fewer
        if (length > 0 && value[length - 1] >= 0xD800 && value[length - 1] < 0xDC00)
            length--;  // not half of a pair
    }
    WideCharToMultiByte(CP_ACP, flags, value, length, entry->text, string_size - 1, NULL, NULL);
#endif
    entry->next = *top;
    *top = entry;
}

static int append(int at, const WCHAR *words)
{
    while (*words && at < (int)(sizeof line / sizeof *line) - 1)
        line[at++] = *words++;
    line[at] = 0;
    return at;
}

static int append_number(int at, DWORD number)
{
    WCHAR digits[12], *start = digits + 11;
    *start = 0;
    do {
        *--start = (WCHAR)(L'0' + number % 10);
        number /= 10;
    } while (number);
    return append(at, start);
}

// Reads the text, denying writes while it is read.
static BOOL read_text(RunFile *file)
{
    HANDLE handle = CreateFileW(text_path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    file->bytes = text;
    file->size = 0;
    if (handle == INVALID_HANDLE_VALUE)
        return FALSE;
    DWORD got;
    BOOL read = TRUE;
    while (file->size < sizeof text && (read = ReadFile(handle, text + file->size, sizeof text - file->size, &got, NULL))
           && got)
        file->size += got;
    CloseHandle(handle);
    return read;
}

static BOOL resource(int id, RunFile *file)
{
    HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
    HGLOBAL loaded = found ? LoadResource(self, found) : NULL;
    file->bytes = loaded ? LockResource(loaded) : NULL;
    file->size = found ? SizeofResource(self, found) : 0;
    return file->bytes != NULL;
}

static const WCHAR *show(void)
{
    RunFile files[RUN_FILES];
    line[0] = 0;
    if (!resource(1, &files[RUN_PROGRAM]) || !resource(2, &files[RUN_LIBRARY])) {
        append_number(append(0, L"the plug-in carries no prompt program or library (error "), GetLastError());
        append(lstrlenW(line), L")");
        return L"error";
    }
    if (!read_text(&files[RUN_TEXT])) {
        int at = append(append(0, L"cannot read the text "), text_path);
        append(append_number(append(at, L" (error "), GetLastError()), L")");
        return L"error";
    }
    int outcome = run_prompt_program(files, &report);
    line[0] = 0;  // a call refused while this one waited may have written its own
    if (outcome == RUN_ACCEPTED)
        return L"accepted";
    if (outcome == RUN_DECLINED)
        return L"declined";
    int at = 0;
    if (outcome == RUN_FAILED) {
        at = append(append(append(0, report.failed), report.path[0] ? L" " : L""), report.path);
        at = append(append_number(append(at, L" (error "), report.error), L")");
    }
    if (report.said[0])
        append(append(at, at ? L"; the prompt program said: " : L""), report.said);
    return outcome == RUN_NO_TEXT ? L"no text" : outcome == RUN_UNSEEN ? L"unattended" : L"error";
}

extern "C" void __cdecl Show(HWND, int string_size, NsisChar *, NsisStack **stack, void *)
{
    pop(stack, text_path, sizeof text_path / sizeof *text_path);
    const WCHAR *word = show();
    push(stack, string_size, line);
    push(stack, string_size, word);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        self = instance;
    return TRUE;
}
