#pragma once
// The shell's functions the program calls (shell32.dll), bound late
// (latebound.h): the shell's library and the libraries it brings are loaded
// the first time one is called, not before a start's first window shows.
// Each answers as its function does on failure when the library or the
// function is missing.
#include <windows.h>

#include <shellapi.h>

namespace framework::shell {

BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data);
HINSTANCE Execute(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                  const wchar_t* folder, int show);
DWORD_PTR GetFileInfo(const wchar_t* path, DWORD attributes, SHFILEINFOW* info, UINT size, UINT flags);
HRESULT GetStockIconInfo(SHSTOCKICONID id, UINT flags, SHSTOCKICONINFO* info);

}  // namespace framework::shell
