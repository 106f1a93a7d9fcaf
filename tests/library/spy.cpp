#include "spy.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

ImportSpy *spy;

std::string name_of(HWND window)
{
    if (!window) return "NULL";
    return (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) ? std::to_string(GetDlgCtrlID(window)) : "dialog";
}

void record(const std::string &call)
{
    if (spy) spy->calls.push_back(call);
}

BOOL(WINAPI *real_SetWindowTextA)(HWND, LPCSTR);
HDC(WINAPI *real_GetDC)(HWND);
int(WINAPI *real_ReleaseDC)(HWND, HDC);
int(WINAPI *real_GetDeviceCaps)(HDC, int);
BOOL(WINAPI *real_SetWindowPos)(HWND, HWND, int, int, int, int, UINT);
HWND(WINAPI *real_SetFocus)(HWND);
BOOL(WINAPI *real_EndDialog)(HWND, INT_PTR);

BOOL WINAPI spy_SetWindowTextA(HWND window, LPCSTR text)
{
    record("SetWindowTextA(" + name_of(window) + ")");
    return real_SetWindowTextA(window, text);
}

HDC WINAPI spy_GetDC(HWND window)
{
    record("GetDC(" + name_of(window) + ")");
    return spy && spy->fail_get_dc ? nullptr : real_GetDC(window);
}

int WINAPI spy_ReleaseDC(HWND window, HDC dc)
{
    record("ReleaseDC(" + name_of(window) + ")");
    return real_ReleaseDC(window, dc);
}

int WINAPI spy_GetDeviceCaps(HDC dc, int index)
{
    record("GetDeviceCaps(" + std::to_string(index) + ")");
    return spy && spy->screen_size >= 0 ? spy->screen_size : real_GetDeviceCaps(dc, index);
}

BOOL WINAPI spy_SetWindowPos(HWND window, HWND after, int x, int y, int cx, int cy, UINT flags)
{
    record("SetWindowPos(" + std::to_string(x) + ", " + std::to_string(y) + ", " + std::to_string(flags) + ")");
    return real_SetWindowPos(window, after, x, y, cx, cy, flags);
}

HWND WINAPI spy_SetFocus(HWND window)
{
    record("SetFocus(" + name_of(window) + ")");
    return real_SetFocus(window);
}

BOOL WINAPI spy_EndDialog(HWND dialog, INT_PTR result)
{
    record("EndDialog(" + std::to_string(result) + ")");
    return real_EndDialog(dialog, result);
}

struct Hook {
    const char *name;
    void *replacement;
    void **real;
};
const Hook hooks[] = {
    {"SetWindowTextA", (void *)spy_SetWindowTextA, (void **)&real_SetWindowTextA},
    {"GetDC", (void *)spy_GetDC, (void **)&real_GetDC},
    {"ReleaseDC", (void *)spy_ReleaseDC, (void **)&real_ReleaseDC},
    {"GetDeviceCaps", (void *)spy_GetDeviceCaps, (void **)&real_GetDeviceCaps},
    {"SetWindowPos", (void *)spy_SetWindowPos, (void **)&real_SetWindowPos},
    {"SetFocus", (void *)spy_SetFocus, (void **)&real_SetFocus},
    {"EndDialog", (void *)spy_EndDialog, (void **)&real_EndDialog},
};

// Calls visit(name, slot) for each import of the module taken by name.
template <typename Visit> void each_import(HMODULE module, Visit visit)
{
    BYTE *base = (BYTE *)module;
    IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress) return;
    for (IMAGE_IMPORT_DESCRIPTOR *d = (IMAGE_IMPORT_DESCRIPTOR *)(base + dir.VirtualAddress); d->Name; d++) {
        IMAGE_THUNK_DATA *names = (IMAGE_THUNK_DATA *)(base + d->OriginalFirstThunk);
        IMAGE_THUNK_DATA *slots = (IMAGE_THUNK_DATA *)(base + d->FirstThunk);
        for (; d->OriginalFirstThunk && names->u1.AddressOfData; names++, slots++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            visit((const char *)((IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData))->Name,
                  (void **)&slots->u1.Function);
        }
    }
}

void write_slot(void **slot, void *value)
{
    DWORD old;
    VirtualProtect(slot, sizeof *slot, PAGE_EXECUTE_READWRITE, &old);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, old, &old);
}

HMODULE spied;

}  // namespace

ImportSpy::ImportSpy(HMODULE library)
{
    spy = this;
    spied = library;
    each_import(library, [&](const char *name, void **slot) {
        for (const Hook &hook : hooks)
            if (strcmp(name, hook.name) == 0) {
                *hook.real = *slot;
                write_slot(slot, hook.replacement);
                patched++;
            }
    });
    EXPECT_EQ((int)(sizeof hooks / sizeof *hooks), patched) << "imports of the library not found";
}

ImportSpy::~ImportSpy()
{
    each_import(spied, [&](const char *, void **slot) {
        for (const Hook &hook : hooks)
            if (*slot == hook.replacement) write_slot(slot, *hook.real);
    });
    spy = nullptr;
}

std::vector<std::string> ImportSpy::calls_from(const std::string &first) const
{
    for (size_t i = 0; i < calls.size(); i++)
        if (calls[i].compare(0, first.size(), first) == 0)
            return std::vector<std::string>(calls.begin() + i, calls.end());
    return {};
}

int ImportSpy::count(const std::string &prefix) const
{
    int n = 0;
    for (const std::string &call : calls) n += call.compare(0, prefix.size(), prefix) == 0;
    return n;
}
