// The baseline program of the window benchmarks: a plain window the size of Tidewarp's main window
// with one report list with check boxes where Tidewarp shows its result list, and nothing else.
// Filling it (bare::kFillMessage) is the plain way: redraw off, every row inserted, texts and check
// set, redraw on. Closes on WM_CLOSE.
#include "bench/BareWindow.h"

#include <commctrl.h>

#include <cstdio>

namespace {

HWND g_list = nullptr;

void AddColumn(int index, const char* title, int width) {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<char*>(title);
    column.iSubItem = index;
    SendMessageA(g_list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

void MakeList(HWND window) {
    const RECT& r = bare::kListRect;
    g_list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SINGLESEL,
                             r.left, r.top, r.right - r.left, r.bottom - r.top, window, nullptr, nullptr, nullptr);
    SendMessageA(g_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    AddColumn(0, "Select", 40);
    AddColumn(1, "Type", 50);
    AddColumn(2, "FileName", 259);
}

// Rows like a class scan's: category and the registry path of the broken class.
void Fill(int rows) {
    SendMessageA(g_list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(g_list, LVM_DELETEALLITEMS, 0, 0);
    char item[128];
    for (int i = 0; i < rows; ++i) {
        LVITEMA row{};
        row.mask = LVIF_TEXT;
        row.iItem = i;
        row.pszText = const_cast<char*>("");
        int at = static_cast<int>(SendMessageA(g_list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row)));
        LVITEMA cell{};
        cell.iSubItem = 1;
        cell.pszText = const_cast<char*>("CLSID");
        SendMessageA(g_list, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&cell));
        std::snprintf(item, sizeof item, "HKEY_CLASSES_ROOT\\CLSID\\{7DBE0013-0000-4000-8000-%012d}", i);
        cell.iSubItem = 2;
        cell.pszText = item;
        SendMessageA(g_list, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&cell));
        LVITEMA check{};
        check.stateMask = LVIS_STATEIMAGEMASK;
        check.state = INDEXTOSTATEIMAGEMASK(2);
        SendMessageA(g_list, LVM_SETITEMSTATE, at, reinterpret_cast<LPARAM>(&check));
    }
    SendMessageA(g_list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(g_list, nullptr, TRUE);
}

LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        MakeList(window);
        return 0;
    case bare::kFillMessage:
        Fill(static_cast<int>(wp));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, msg, wp, lp);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSA wc{};
    wc.lpfnWndProc = Procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "TidewarpBareWindow";
    if (!RegisterClassA(&wc)) return 1;
    // A pop-up like Tidewarp's skinned window, centred the same way.
    int x = (GetSystemMetrics(SM_CXSCREEN) - bare::kWidth) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - bare::kHeight) / 2;
    HWND window = CreateWindowExA(0, wc.lpszClassName, bare::kTitle, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, x, y,
                                  bare::kWidth, bare::kHeight, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
