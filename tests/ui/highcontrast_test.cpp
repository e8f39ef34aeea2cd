// Under a high-contrast scheme the program's own colours (the status texts'
// red, blue and fuchsia, the help text's random colour) give way to the
// scheme's, so that nothing drawn in them vanishes into its background.
// The scheme is made as the system makes it: its colours set for the
// session, and the setting on.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <optional>

#include "framework/base/scopeguard.h"
#include "framework/gui/accessibility.h"
#include "framework/gui/listctrls.h"
#include "framework/gui/stdctrls.h"
#include "support/programwindows.h"
#include "support/mainwindow.h"

namespace {

// The system's colours of a black high-contrast scheme, for as long as it lives.
class HighContrastScheme {
 public:
  static constexpr COLORREF kFace = RGB(0, 0, 0), kText = RGB(255, 255, 255), kWindow = RGB(0, 0, 64),
                            kWindowText = RGB(255, 255, 0);
  HighContrastScheme() {
    for (size_t i = 0; i < kIndexes.size(); ++i) saved_[i] = GetSysColor(kIndexes[i]);
    const std::array<COLORREF, 4> scheme = {kFace, kText, kWindow, kWindowText};
    SetSysColors(static_cast<int>(kIndexes.size()), kIndexes.data(), scheme.data());
    framework::OverrideHighContrast(true);
  }
  ~HighContrastScheme() {
    framework::OverrideHighContrast(std::nullopt);
    SetSysColors(static_cast<int>(kIndexes.size()), kIndexes.data(), saved_.data());
  }
  HighContrastScheme(const HighContrastScheme&) = delete;
  HighContrastScheme& operator=(const HighContrastScheme&) = delete;

 private:
  static constexpr std::array<int, 4> kIndexes = {COLOR_BTNFACE, COLOR_BTNTEXT, COLOR_WINDOW, COLOR_WINDOWTEXT};
  std::array<COLORREF, 4> saved_{};
};

void Settle() {
  for (int i = 0; i < 10; ++i) {
    framework::Application::Instance().ProcessMessages();
    Sleep(10);
  }
}

void ShowInFront(framework::Form& f) {
  f.Show();
  SetForegroundWindow(f.Handle());
  RedrawWindow(f.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Settle();
}

// How many pixels of each colour the screen shows in a rectangle of a
// window's client area.
std::map<COLORREF, int> ColoursShown(HWND window, RECT client) {
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  const int w = client.right - client.left, h = client.bottom - client.top;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, w, h, screen, client.left, client.top, SRCCOPY);
  std::map<COLORREF, int> counts;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ++counts[GetPixel(dc, x, y)];
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return counts;
}

int Count(const std::map<COLORREF, int>& counts, COLORREF c) {
  auto it = counts.find(c);
  return it == counts.end() ? 0 : it->second;
}

}  // namespace

TEST(HighContrast, TheStatusTextsTakeTheSchemesColours) {
  ProgramWindows w;
  kaleidon::TForm1& f = *w.main;
  struct Status {
    framework::Label* label;
    COLORREF own;
  } statuses[] = {{Widgets(f).Label4, RGB(255, 0, 0)},
                  {Widgets(f).Label1, RGB(0, 0, 255)},
                  {Widgets(f).Label7, RGB(255, 0, 255)}};
  for (const Status& s : statuses) s.label->SetText("■■■■ 記憶 ■■■■");
  ShowInFront(f);
  for (const Status& s : statuses) EXPECT_GT(Count(ColoursShown(f.Handle(), s.label->Bounds()), s.own), 20) << s.label->Name();

  {
    HighContrastScheme scheme;
    ShowInFront(f);
    for (const Status& s : statuses) {
      SCOPED_TRACE(s.label->Name());
      const std::map<COLORREF, int> shown = ColoursShown(f.Handle(), s.label->Bounds());
      EXPECT_EQ(Count(shown, s.own), 0);
      EXPECT_GT(Count(shown, HighContrastScheme::kText), 20);
      EXPECT_GT(Count(shown, HighContrastScheme::kFace), 20);
    }
    // The captions of the status lines too.
    const std::map<COLORREF, int> caption = ColoursShown(f.Handle(), Widgets(f).Label3->Bounds());
    EXPECT_GT(Count(caption, HighContrastScheme::kText), 10);
  }
  f.Hide();
}

TEST(HighContrast, TheHelpTextsColourGivesWayToTheSchemes) {
  ProgramWindows w;
  kaleidon::TForm2& o = *w.options;
  o.PageControl1->SetActivePage(o.TabSheet3);
  constexpr COLORREF kGreen = RGB(0, 128, 0);
  auto showInGreen = [&] {
    ShowInFront(o);
    framework::Font font = o.Memo1->GetFont();
    font.color = kGreen;  // one of the colours it takes at random
    o.Memo1->SetFont(font);
    RedrawWindow(o.Memo1->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Settle();
    RECT client;
    GetClientRect(o.Memo1->Handle(), &client);
    return ColoursShown(o.Memo1->Handle(), client);
  };
  EXPECT_GT(Count(showInGreen(), kGreen), 20);
  {
    HighContrastScheme scheme;
    const std::map<COLORREF, int> shown = showInGreen();
    EXPECT_EQ(Count(shown, kGreen), 0);
    // A read-only text sits on the face, in the face's text colour; an
    // editable one in the window's colours.
    const bool onFace = o.Memo1->ReadOnly();
    EXPECT_GT(Count(shown, onFace ? HighContrastScheme::kText : HighContrastScheme::kWindowText), 20);
    EXPECT_GT(Count(shown, onFace ? HighContrastScheme::kFace : HighContrastScheme::kWindow), 20);
  }
  o.Hide();
}
