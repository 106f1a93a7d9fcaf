/* Host stand-in for <windows.h>: the types, constants and calls that the library uses, with
   the meaning the real ones have, so that the library's sources build unchanged on the host.
   Behaviour is implemented in windows_standin.cpp; tests steer it through standin.h. */
#ifndef LEGALPROMPT_HOST_WINDOWS_H
#define LEGALPROMPT_HOST_WINDOWS_H

#include <stddef.h>
#include <stdint.h>

#define WINAPI
#define CALLBACK
#define TRUE 1
#define FALSE 0

typedef int BOOL;
typedef unsigned int UINT;
typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef uint8_t BYTE;
typedef long LONG;
typedef char CHAR;
typedef void *LPVOID;
typedef const char *LPCSTR;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef int HFILE;

typedef struct HWND__ *HWND;
typedef struct HINSTANCE__ *HINSTANCE;
typedef struct HDC__ *HDC;

typedef struct tagRECT {
    LONG left, top, right, bottom;
} RECT, *LPRECT;

#define OFS_MAXPATHNAME 128
typedef struct _OFSTRUCT {
    BYTE cBytes;
    BYTE fFixedDisk;
    WORD nErrCode;
    WORD Reserved1;
    WORD Reserved2;
    CHAR szPathName[OFS_MAXPATHNAME];
} OFSTRUCT, *LPOFSTRUCT;

typedef INT_PTR (CALLBACK *DLGPROC)(HWND, UINT, WPARAM, LPARAM);

#define LOWORD(l) ((WORD)((UINT_PTR)(l) & 0xffff))
#define HIWORD(l) ((WORD)(((UINT_PTR)(l) >> 16) & 0xffff))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)((WORD)(l) | ((DWORD)(WORD)(h) << 16)))

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

#define HFILE_ERROR ((HFILE)-1)
#define OF_READ 0x0000

#define IDOK 1
#define IDCANCEL 2

#define WM_CLOSE 0x0010
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define SC_CLOSE 0xF060
#define BN_CLICKED 0

#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_VISIBLE 0x10000000u
#define WS_CAPTION 0x00C00000u
#define WS_BORDER 0x00800000u
#define WS_VSCROLL 0x00200000u
#define WS_SYSMENU 0x00080000u
#define WS_TABSTOP 0x00010000u
#define DS_SETFONT 0x40
#define DS_MODALFRAME 0x80
#define BS_DEFPUSHBUTTON 0x1
#define ES_MULTILINE 0x4
#define ES_READONLY 0x800

#define HORZRES 8
#define VERTRES 10

#define SWP_NOSIZE 0x0001
#define SWP_NOZORDER 0x0004

/* KERNEL32 */
/* Searches a bare name in the host program's directory, then the current directory; opens it
   for reading and fills *of; HFILE_ERROR when no file opens or the full path is 128 or more. */
HFILE WINAPI OpenFile(LPCSTR name, LPOFSTRUCT of, UINT style);
/* Reads up to count bytes into buffer; the number read (0 at the end), or HFILE_ERROR. */
UINT WINAPI _lread(HFILE file, LPVOID buffer, UINT count);
/* Closes the file; the handle, or HFILE_ERROR when it was not open. */
HFILE WINAPI _lclose(HFILE file);

/* USER32 */
/* Runs a modal dialog from template name of module instance; the value given to EndDialog,
   or -1 when the template is not in the module. */
INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc, LPARAM param);
/* The dialog's child window with this control identifier, or NULL. */
HWND WINAPI GetDlgItem(HWND dialog, int id);
/* Sets the window's text, up to the first zero byte; FALSE for a window that does not exist. */
BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text);
/* Gives the keyboard focus to the window (NULL: to none); the window that had it. */
HWND WINAPI SetFocus(HWND window);
/* Marks the modal dialog to end with result once its procedure returns; FALSE if no dialog. */
BOOL WINAPI EndDialog(HWND dialog, INT_PTR result);
/* The window's outer rectangle in screen pixels, frame and caption included. */
BOOL WINAPI GetWindowRect(HWND window, LPRECT rect);
/* A device context for the window's screen; NULL for a window that does not exist. */
HDC WINAPI GetDC(HWND window);
/* Gives back a context from GetDC; 1 when it was taken, else 0. */
int WINAPI ReleaseDC(HWND window, HDC dc);
/* Moves and sizes the window; SWP_NOSIZE keeps the size, SWP_NOZORDER the z-order. */
BOOL WINAPI SetWindowPos(HWND window, HWND after, int x, int y, int cx, int cy, UINT flags);

/* GDI32 */
/* HORZRES and VERTRES: the primary screen's width and height in pixels; 0 for other indexes. */
int WINAPI GetDeviceCaps(HDC dc, int index);

#endif
