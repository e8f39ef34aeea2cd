#include "framework/base/shellcalls.h"

#include "framework/base/latebound.h"

namespace framework::shell {

namespace {
template <typename Function>
Function* Shell(const char* name) {
  return LateBound<Function>(L"shell32.dll", name);
}
}  // namespace

BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data) {
  static auto* call = Shell<decltype(::Shell_NotifyIconW)>("Shell_NotifyIconW");
  return call ? call(message, data) : FALSE;
}

HINSTANCE Execute(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                  const wchar_t* folder, int show) {
  static auto* call = Shell<decltype(::ShellExecuteW)>("ShellExecuteW");
  // What ShellExecute answers when it finds nothing to run.
  return call ? call(owner, verb, file, parameters, folder, show)
              : reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_DLLNOTFOUND));
}

DWORD_PTR GetFileInfo(const wchar_t* path, DWORD attributes, SHFILEINFOW* info, UINT size, UINT flags) {
  static auto* call = Shell<decltype(::SHGetFileInfoW)>("SHGetFileInfoW");
  return call ? call(path, attributes, info, size, flags) : 0;
}

HRESULT GetStockIconInfo(SHSTOCKICONID id, UINT flags, SHSTOCKICONINFO* info) {
  static auto* call = Shell<decltype(::SHGetStockIconInfo)>("SHGetStockIconInfo");
  return call ? call(id, flags, info) : E_NOTIMPL;
}

}  // namespace framework::shell
