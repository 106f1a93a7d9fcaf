#include "agreement_dialog.h"

#include "agreement_ids.h"
#include "agreement_prompt.h"
#include "legalprompt.h"

void CenterOnScreen(HWND window)
{
    RECT rect;
    HDC dc;
    int screen_width, screen_height, width, height;

    if (!GetWindowRect(window, &rect))
        return;
    dc = GetDC(window);
    if (!dc)
        return;
    screen_width = GetDeviceCaps(dc, HORZRES);
    screen_height = GetDeviceCaps(dc, VERTRES);
    ReleaseDC(window, dc);
    if (screen_width <= 0 || screen_height <= 0)
        return;

    /* The whole primary screen, task bar included; a dialog larger than the screen gets a
       negative position, the division truncating toward zero. */
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    SetWindowPos(window, NULL, (screen_width - width) / 2, (screen_height - height) / 2,
                 width, height, SWP_NOSIZE | SWP_NOZORDER);
}

extern "C" INT_PTR CALLBACK ShowLegal(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowTextA(GetDlgItem(dialog, IDC_AGREEMENT_TEXT), agreement_text);
        CenterOnScreen(dialog);
        SetFocus(GetDlgItem(dialog, IDOK));
        return TRUE;

    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
            EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
