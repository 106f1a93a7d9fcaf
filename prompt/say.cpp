#include "say.h"

// Room for two full paths of 32767 characters and the words around them; a longer message is
// cut, never overrun.
static WCHAR message[3 * 32768];
static int message_length;
static char encoded[3 * sizeof message / sizeof *message];  // UTF-8: at most 3 bytes a unit

static void put(WCHAR c)
{
    if (message_length < (int)(sizeof message / sizeof *message) - 1)
        message[message_length++] = c;
}

void say(const char *text)
{
    while (*text)
        put((unsigned char)*text++);
}

void complain(const char *text)
{
    say("legalprompt: ");
    say(text);
}

void say_wide(const WCHAR *text)
{
    for (; *text; text++)
        put(*text < L' ' || (*text >= 0x7F && *text < 0xA0) ? L'?' : *text);  // no control characters
}

void say_number(unsigned long number)
{
    char digits[12], *at = digits + 11;
    *at = 0;
    do {
        *--at = (char)('0' + number % 10);
        number /= 10;
    } while (number);
    say(at);
}

void say_system_error(DWORD error)
{
    WCHAR text[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                                  error, 0, text, sizeof text / sizeof *text, NULL);
    while (length && (text[length - 1] == L'\n' || text[length - 1] == L'\r' || text[length - 1] == L' '))
        length--;
    // Some texts name the file as %1 ("%1 is not a valid Win32 application."); the path is
    // said before them.
    for (DWORD i = 0; i < length; i++) {
        if (text[i] == L'%' && text[i + 1] == L'1') {
            say("the file");
            i++;
        } else {
            put(text[i]);
        }
    }
    if (length)
        say(" ");
    say("(error ");
    say_number(error);
    say(")");
}

// A handle that the parent gave this process, or none.  A GUI-subsystem program has no console
// of its own; it writes to the one of the program that started it, if that has one, so that it
// never makes a console window appear.
static HANDLE output_handle(DWORD std_handle)
{
    static HANDLE parent_console;
    HANDLE handle = GetStdHandle(std_handle);
    if (handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN)
        return handle;
    if (!parent_console && AttachConsole(ATTACH_PARENT_PROCESS))
        parent_console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     NULL, OPEN_EXISTING, 0, NULL);
    return parent_console == INVALID_HANDLE_VALUE ? NULL : parent_console;
}

BOOL tell(DWORD std_handle)
{
    HANDLE handle = output_handle(std_handle);
    DWORD mode, done;
    BOOL written = FALSE;
    if (handle) {
        // A console takes the characters themselves, whatever its code page; files and pipes
        // get UTF-8, as from the text tool.
        if (GetConsoleMode(handle, &mode)) {
            written = WriteConsoleW(handle, message, message_length, &done, NULL);
        } else {
            int length = WideCharToMultiByte(CP_UTF8, 0, message, message_length, encoded,
                                             sizeof encoded, NULL, NULL);
            int at = 0;
            while (at < length && WriteFile(handle, encoded + at, length - at, &done, NULL) && done)
                at += done;
            written = at == length;
        }
    }
    message_length = 0;
    return written;
}
