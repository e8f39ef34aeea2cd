#include "app/startup.h"

#include <windows.h>

#include <memory>

#include "archive/unlha32.h"
#include "core/loadgate.h"
#include "core/settings.h"
#include "framework/application.h"
#include "ui/folderlistform.h"
#include "ui/mainform.h"
#include "ui/optionsform.h"
#include "ui/splashform.h"
#include "ui/viewerform.h"

namespace kaleidon {

namespace {

using framework::Application;

constexpr const char* kSecondStartCaption = "二重起動";
constexpr const char* kSecondStartText = "カレイドンは既に起動されています。同時に複数の起動はできません。";

// Another copy runs: say so, bring it forward and leave.
void ReportRunningCopy() {
  Application::Instance().MessageBox(kSecondStartText, kSecondStartCaption, MB_OK | MB_ICONINFORMATION, true);
  if (HWND running = FindWindowW(L"TMyMainForm", nullptr)) {
    SetForegroundWindow(running);
    HWND owner = GetWindow(running, GW_OWNER);
    if (owner && IsIconic(owner)) SendMessageW(owner, WM_SYSCOMMAND, SC_RESTORE, -1);
  }
}

struct ProgramWindows {
  std::unique_ptr<TForm1> main;
  std::unique_ptr<TForm2> options;
  std::unique_ptr<TForm4> viewer;
  std::unique_ptr<TForm5> folderList;
};

void CreateMain(ProgramWindows& w, const CommandLine& cl) {
  w.main = std::make_unique<TForm1>(cl);
  Application::Instance().SetMainForm(w.main.get());
}

void CreateOptionsAndViewer(ProgramWindows& w, const CommandLine& cl) {
  w.options = std::make_unique<TForm2>(*w.main, cl);
  w.main->Options = w.options.get();
  w.viewer = std::make_unique<TForm4>();
  w.main->Viewer = w.viewer.get();
}

// The folder list dialog's creation: the slot table, then the changes of the
// start-up.
void CreateFolderList(ProgramWindows& w, const CommandLine& cl) {
  w.folderList = std::make_unique<TForm5>(*w.main);
  w.main->FolderList = w.folderList.get();
  w.options->FolderList = w.folderList.get();
  TForm2& o = *w.options;
  w.folderList->FillTable(o.SpinEdit3->Value());
  if (cl.Change()) {
    WaitForLowLoad(o.SpinEdit4->Value(), o.SpinEdit5->Value());
    w.main->ChangeWallpaper(!o.CheckBox5->Checked());
    Application::Instance().SetShowMainForm(false);
    Application::Instance().Terminate();
    return;
  }
  if (o.CheckBox1->Checked()) {
    if (o.CheckBox6->Checked()) WaitForLowLoad(o.SpinEdit4->Value(), o.SpinEdit5->Value());
    w.main->ChangeWallpaper(true);
  }
}

void SetTitleAndHelp() {
  Application::Instance().SetTitle("カレイドン");
  Application::Instance().SetHelpFile("KALEIDON.hlp");
}

}  // namespace

int RunKaleidon(const CommandLine& commandLine) {
  Application& app = Application::Instance();
  if (HANDLE running = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kInstanceMutexName)) {
    ReportRunningCopy();
    CloseHandle(running);
    return 0;
  }
  HANDLE mutex = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
  // Two copies started at the same moment both get past the first look:
  // the one that did not create the mutex gives way.
  if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    ReportRunningCopy();
    return 0;
  }
  // The archive library, when installed, is bound once for the whole run.
  LoadUnlhaLibrary();
  app.Initialize();

  ProgramWindows windows;
  try {
    if (OpenSettings().ReadBool(kSysInfo, "Splash", defaults::kSplash)) {
      std::unique_ptr<TForm3> splash = std::make_unique<TForm3>();
      splash->Label1->SetEnabled(true);
      splash->ShowStatus("ｶﾚｲﾄﾞﾝ起動中");
      splash->Show();
      splash->Repaint();
      SetTitleAndHelp();
      splash->ShowStatus("起動処理中...");
      CreateMain(windows, commandLine);
      splash->ShowStatus("ｵﾌﾟｼｮﾝ設定更新中...");
      CreateOptionsAndViewer(windows, commandLine);
      framework::IniFile ini = OpenSettings();
      if (ini.ReadBool(kSysInfo, "Dlay", defaults::kDlay)) splash->ShowStatus("ｽﾛｰｽﾀｰﾄ待機中...");
      if (ini.ReadBool(kSysInfo, "StartUpChange", defaults::kStartUpChange)) splash->ShowStatus("壁紙変更中...");
      CreateFolderList(windows, commandLine);
    } else {
      SetTitleAndHelp();
      CreateMain(windows, commandLine);
      CreateOptionsAndViewer(windows, commandLine);
      CreateFolderList(windows, commandLine);
    }
  } catch (const std::exception& e) {
    app.ShowException(e);
    app.SetMainForm(nullptr);
    FreeUnlhaLibrary();
    if (mutex) CloseHandle(mutex);
    return 0;
  }

  // The main window has its own taskbar button; the application window, now
  // owned by it, has none.
  SetWindowLongPtrW(app.Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(windows.main->Handle()));
  app.Run();
  app.SetMainForm(nullptr);
  FreeUnlhaLibrary();
  if (mutex) CloseHandle(mutex);
  return 0;
}

}  // namespace kaleidon
