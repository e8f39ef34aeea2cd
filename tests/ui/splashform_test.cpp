#include "ui/splashform.h"

#include <gtest/gtest.h>

#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "support/program.h"
#include "support/programwindows.h"
#include "support/mainwindow.h"

using framework::Application;

TEST(Splash, ShowsTheProgramPictureBorderlessOnTop) {
  kaleidon::TForm3 splash;
  splash.Show();
  EXPECT_EQ(splash.ClientSize().cx, 300);
  EXPECT_EQ(splash.ClientSize().cy, 200);
  EXPECT_EQ(splash.Caption(), "Kaleidon Version0.5");
  EXPECT_TRUE(GetWindowLongW(splash.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_FALSE(GetWindowLongW(splash.Handle(), GWL_STYLE) & WS_CAPTION);
  BITMAP picture{};
  ASSERT_TRUE(GetObjectW(splash.Image1->Bitmap(), sizeof picture, &picture));
  EXPECT_EQ(picture.bmWidth, 300);
  EXPECT_EQ(picture.bmHeight, 200);
  EXPECT_FALSE(splash.Label1->Enabled());
  EXPECT_EQ(splash.Label1->GetFont().color, RGB(255, 0, 0));
  EXPECT_TRUE(splash.Label1->GetFont().bold);
}

TEST(Splash, ClickOnTheLabelFlashesItAndClosesTheWindow) {
  kaleidon::TForm3::flashDelayMs = 1;
  kaleidon::TForm3 splash;
  splash.Label1->SetEnabled(true);
  splash.ShowStatus("Close");
  splash.Show();
  splash.Label1->OnClick();
  EXPECT_FALSE(splash.Visible());
  EXPECT_EQ(splash.Label1->GetFont().color, RGB(255, 255, 0));  // the last colour of the flash
}

TEST(Splash, DoubleClickOnTheMainWindowShowsTheAboutWindowUntilClosed) {
  kaleidon::TForm3::flashDelayMs = 1;
  ProgramWindows w;
  HWND seen = nullptr;
  std::string label;
  LONG style = 0;
  Application::Instance().Queue([&] {
    seen = FindWindowW(L"TForm3", nullptr);
    if (auto* about = static_cast<kaleidon::TForm3*>(framework::Form::FromHandle(seen))) {
      label = about->Label1->Text();
      style = GetWindowLongW(seen, GWL_STYLE);
      about->Label1->OnClick();
    }
  });
  Widgets(*w.main).Label5->OnDblClick();
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(label, "Close");
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(IsWindow(seen));  // released once closed
}

// The about window, the main window's caption and the properties of
// Kaleidon.exe name one version.
TEST(Splash, TheAboutWindowNamesTheVersionOfTheProgramFile) {
  std::wstring exe = framework::Widen(BuiltProgramPath());
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  std::string numbers = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                        std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                        std::to_string(HIWORD(fixed->dwFileVersionLS));
  EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), 0);
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
  for (const wchar_t* name : {L"FileVersion", L"ProductVersion"}) {
    wchar_t* text = nullptr;
    std::wstring key = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
    ASSERT_TRUE(VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&text), &length));
    EXPECT_EQ(framework::Narrow(text), numbers);
  }

  kaleidon::TForm3 about(Application::Instance().Handle(), true);
  EXPECT_EQ(about.Caption(), "Kaleidon Version" + numbers);
  EXPECT_EQ(about.Label2->Text(), "Version " + numbers);
  EXPECT_GE(about.Label2->Left(), 0);
  EXPECT_LE(about.Label2->Bounds().right, 300);
  EXPECT_LE(about.Label2->Bounds().bottom, 200);
  ProgramWindows w;
  EXPECT_EQ(w.main->Caption(), "Kaleidon v" + numbers);
}
