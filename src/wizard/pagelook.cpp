// Pages at their monitor's DPI and in reading order for the keyboard.
#include "resource.h"
#include "session/display.h"
#include "wizard/pagelook.h"

void FitPagePicture(HWND dialog, int dpi)
{
    HWND control = GetDlgItem(dialog, IDC_PICTURE);
    HBITMAP picture, previous;

    if (!control)
        return;
    picture = LoadPictureForDpi(PICTURE_STRIP, dpi);
    if (!picture)
        return;
    previous = (HBITMAP)SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)picture);
    if (previous && previous != picture)
        DeleteObject(previous);
}

static int TakesFocus(HWND control)
{
    LONG style = GetWindowLongA(control, GWL_STYLE);

    if (!IsWindowEnabled(control) || !IsWindowVisible(control))
        return 0;
    if ((style & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
        return SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    return 1;
}

void PreparePage(HWND dialog, const WORD *ids, int count)
{
    HWND picture = GetDlgItem(dialog, IDC_PICTURE), previous = GetDlgItem(dialog, ids[0]), control;
    HWND focus = NULL;
    int i;

    // The picture is decoration: no name for a screen reader to read out. Its text is
    // the template's resource number; a picture control would take new text for another
    // picture's name, so the text is set past it.
    if (picture)
        DefWindowProcA(picture, WM_SETTEXT, 0, (LPARAM)"");
    FitPagePicture(dialog, WindowDpi(dialog));
    for (i = 0; i < count; i++) {
        control = GetDlgItem(dialog, ids[i]);
        if (!control)
            continue;
        if (i > 0)
            SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (!focus && TakesFocus(control))
            focus = control;
        previous = control;
    }
    if (focus)
        SetFocus(focus);
}

int HandlePageLook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    const RECT *suggested = (const RECT *)lParam;

    switch (message) {
    case WM_DPICHANGED:
        // The dialog manager rescales the page's font and controls; the picture follows
        // once that is done.
        SetWindowPos(dialog, NULL, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        PostMessageA(dialog, WM_REFIT_PICTURE, LOWORD(wParam), 0);
        return 0;
    case WM_REFIT_PICTURE:
        FitPagePicture(dialog, (int)wParam);
        return 1;
    case WM_DESTROY:
        DeleteObject((HBITMAP)SendDlgItemMessageA(dialog, IDC_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, 0));
        return 0;
    }
    return 0;
}
