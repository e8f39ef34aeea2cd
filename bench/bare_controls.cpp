// The start-up's second yardstick: the windows of the main window and
// nothing else. Its frame, its font and its child windows (two drop-down
// boxes, three list boxes, one of them hidden, twelve buttons, an edit with
// its arrows) are the main window's, made with the same styles and the same
// common controls, but nothing is read, listed or measured: what the window
// costs before the program does anything of its own.
#include <windows.h>
#include <commctrl.h>

#include <cwchar>

#include "bench/yardstick.h"

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_MEASUREITEM) {
    reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->itemHeight = 18;
    return TRUE;
  }
  if (msg == WM_ACTIVATE && LOWORD(wp) != WA_INACTIVE) {
    // As a dialog does: the first control takes the keys.
    SetFocus(GetNextDlgTabItem(hwnd, nullptr, FALSE));
    return 0;
  }
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

struct Child {
  const wchar_t* windowClass;
  DWORD style;
  DWORD exStyle;
  int x, y, width, height;
  const wchar_t* text;
};

constexpr DWORD kListStyle =
    WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NODATA | LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT;
constexpr DWORD kComboStyle = WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
constexpr DWORD kButtonStyle = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

constexpr Child kChildren[] = {
    {L"COMBOBOX", kComboStyle | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, 0, 5, 5, 251, 22, L""},
    {L"LISTBOX", kListStyle, WS_EX_CLIENTEDGE, 5, 35, 251, 221, L""},
    {L"COMBOBOX", kComboStyle, 0, 260, 5, 251, 22, L""},
    {L"LISTBOX", kListStyle & ~WS_VISIBLE, WS_EX_CLIENTEDGE, 260, 35, 201, 221, L""},
    {L"LISTBOX", kListStyle, WS_EX_CLIENTEDGE, 260, 35, 251, 221, L""},
    {L"BUTTON", kButtonStyle, 0, 5, 265, 81, 25, L"ﾗﾝﾀﾞﾑ変更"},
    {L"BUTTON", kButtonStyle, 0, 90, 265, 81, 25, L"フォルダ登録"},
    {L"BUTTON", kButtonStyle, 0, 175, 265, 81, 25, L"オプション"},
    {L"BUTTON", kButtonStyle, 0, 260, 265, 81, 25, L"ビューア"},
    {L"BUTTON", kButtonStyle, 0, 345, 265, 81, 25, L"スロット保存"},
    {L"BUTTON", kButtonStyle, 0, 430, 265, 81, 25, L"スロット読込"},
    {L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL | WS_CLIPCHILDREN | WS_VISIBLE, WS_EX_CLIENTEDGE, 5, 300, 81, 24, L"1"},
    {L"BUTTON", kButtonStyle | WS_DISABLED, 0, 90, 300, 81, 25, L"登録解除"},
    {L"BUTTON", kButtonStyle, 0, 175, 300, 81, 25, L"タスクトレイ"},
    {L"BUTTON", kButtonStyle, 0, 260, 300, 81, 25, L"フォルダ一覧"},
    {L"BUTTON", kButtonStyle, 0, 345, 300, 81, 25, L"一括登録"},
    {L"BUTTON", kButtonStyle, 0, 430, 300, 81, 25, L"終了"},
    {L"BUTTON", kButtonStyle, 0, 390, 380, 121, 25, L"戻る"},
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_USEREX_CLASSES};
  InitCommonControlsEx(&icc);
  HWND form = MakeYardstickWindow(instance, L"KaleidonBenchBareControls", L"Bare controls", WindowProc,
                                  SIZE{516, 410});
  if (!form) return 1;
  HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"ＭＳ Ｐゴシック");
  int id = 1000;
  HWND edit = nullptr;
  for (const Child& c : kChildren) {
    HWND child = CreateWindowExW(c.exStyle, c.windowClass, c.text, WS_CHILD | c.style, c.x, c.y, c.width,
                                 c.height, form, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id++)), instance, nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (std::wcscmp(c.windowClass, L"EDIT") == 0) edit = child;
  }
  CreateWindowExW(0, UPDOWN_CLASSW, nullptr, WS_CHILD | WS_VISIBLE | UDS_NOTHOUSANDS, 65, 0, 16, 20, edit, nullptr,
                  instance, nullptr);
  ShowWindow(form, SW_SHOW);
  UpdateWindow(form);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(form, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
