// The program's windows on a screen of 144 DPI (150 %): the same layout as
// at 96 DPI, one and a half times as large, with nothing cut off and
// nothing lying on anything else. These tests run in a prefix of their own
// (tests/support/wine-144dpi).
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "framework/gui/dpi.h"
#include "framework/gui/grids.h"
#include "framework/gui/resources.h"
#include "framework/gui/stdctrls.h"
#include "support/measure.h"
#include "support/programwindows.h"
#include "support/mainwindow.h"
#include "tray/trayicon.h"
#include "ui/archiveform.h"
#include "ui/splashform.h"

namespace {

constexpr int kDpi = 144;

int Scaled(int designPixels) { return MulDiv(designPixels, kDpi, framework::kDesignDpi); }

struct Window {
  const framework::Form* form;
  int designWidth, designHeight;  // the client area at 96 DPI
  // Controls that lie on others by design (a picture under labels).
  std::vector<const framework::Control*> backgrounds;
  bool checkOverlaps = true;  // false where pages hold controls at the same places
};

// The client area is the design's scaled, every control lies inside it,
// captions fit their buttons and check boxes, and no two controls overlap.
void ExpectLaidOutAt144Dpi(const Window& w) {
  const framework::Form& f = *w.form;
  SCOPED_TRACE(f.ClassName());
  EXPECT_EQ(f.Dpi(), kDpi);
  EXPECT_EQ(f.ClientSize().cx, Scaled(w.designWidth));
  EXPECT_EQ(f.ClientSize().cy, Scaled(w.designHeight));
  RECT client{0, 0, f.ClientSize().cx, f.ClientSize().cy};
  const auto& controls = f.Controls();
  for (size_t i = 0; i < controls.size(); ++i) {
    const framework::Control& c = *controls[i];
    if (!c.Visible() || (dynamic_cast<const framework::GraphicControl*>(&c) && c.Text().empty())) continue;
    RECT b = c.Bounds(), inside;
    EXPECT_TRUE(IntersectRect(&inside, &b, &client) && EqualRect(&inside, &b)) << c.Name() << " " << c.Text();
    if (dynamic_cast<const framework::CheckBox*>(&c)) {
      EXPECT_LE(TextWidth(c) + Scaled(18), c.Width()) << c.Text();
    } else if (dynamic_cast<const framework::Button*>(&c)) {
      // Inside the push button's frame of two pixels at each side.
      EXPECT_LE(TextWidth(c) + 4, c.Width()) << c.Text();
    }
    if (!w.checkOverlaps || std::find(w.backgrounds.begin(), w.backgrounds.end(), &c) != w.backgrounds.end()) continue;
    for (size_t j = i + 1; j < controls.size(); ++j) {
      const framework::Control& d = *controls[j];
      if (!d.Visible() || std::find(w.backgrounds.begin(), w.backgrounds.end(), &d) != w.backgrounds.end()) continue;
      if (dynamic_cast<const framework::GraphicControl*>(&d) && d.Text().empty()) continue;
      RECT e = d.Bounds(), overlap;
      EXPECT_FALSE(IntersectRect(&overlap, &b, &e)) << c.Name() << " " << c.Text() << " / " << d.Name() << " " << d.Text();
    }
  }
}

}  // namespace

TEST(HighDpi, TheTestScreenIs144DpiForTheSystemAndForEveryWindow) {
  EXPECT_EQ(framework::SystemDpi(), kDpi);
  ProgramWindows w;
  EXPECT_EQ(framework::WindowDpi(w.main->Handle()), kDpi);
}

TEST(HighDpi, TheMainWindowIsItsLayoutOneAndAHalfTimesAsLarge) {
  ProgramWindows w;
  kaleidon::TForm1& f = *w.main;
  EXPECT_EQ(f.ClientSize().cx, 774);
  EXPECT_EQ(f.ClientSize().cy, 615);
  EXPECT_EQ(Widgets(f).Button3->Left(), 135);
  EXPECT_EQ(Widgets(f).Button3->Top(), 398);
  EXPECT_EQ(Widgets(f).FileListBox2->Bounds().right, 767);
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Widgets(f).Button3->Handle(), WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -18);
  // The file list's lines make room for the system's larger icons.
  EXPECT_GE(Widgets(f).FileListBox2->ItemHeight(), GetSystemMetrics(SM_CYSMICON) + 1);
  ExpectLaidOutAt144Dpi({&f, 516, 410, {Widgets(f).Label5, Widgets(f).FileListBox1}});
}

TEST(HighDpi, IconsAreThePicturesOfTheirSizeAt150Percent) {
  ProgramWindows w;
  HWND main = w.main->Handle();
  EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(SendMessageW(main, WM_GETICON, ICON_SMALL, 0))), 24);
  EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(SendMessageW(main, WM_GETICON, ICON_BIG, 0))), 48);
  EXPECT_EQ(IconWidth(Widgets(*w.main).TrayIcon1->Icon()), 24);
}

TEST(HighDpi, TheFolderListsRowsAndColumnsGrowWithTheWindow) {
  ProgramWindows w;
  framework::StringGrid& grid = *w.folderList->StringGrid1;
  RECT header = grid.CellRect(0, 0), first = grid.CellRect(1, 1);
  EXPECT_EQ(header.right - header.left, 107);  // 71 at 96 DPI
  EXPECT_EQ(first.right - first.left, 450);    // 300
  EXPECT_EQ(first.bottom - first.top, 26);     // 17
  RECT span = grid.CellRect(2, 1);
  EXPECT_EQ(span.right - span.left, 120);      // 80
  // The design values stay those of 96 DPI.
  EXPECT_EQ(grid.ColWidth(1), 300);
  ExpectLaidOutAt144Dpi({w.folderList.get(), 483, 370});
}

TEST(HighDpi, EveryOtherWindowKeepsItsLayoutScaled) {
  ProgramWindows w;
  ExpectLaidOutAt144Dpi({w.options.get(), 361, 317, {}, false});
  kaleidon::TForm6 archive(kaleidon::ArchiveDialogValues{});
  ExpectLaidOutAt144Dpi({&archive, 386, 166});
  kaleidon::TForm3 splash;
  ExpectLaidOutAt144Dpi({&splash, 300, 200, {splash.Image1}});
  kaleidon::TForm3 about(nullptr, true);
  ExpectLaidOutAt144Dpi({&about, 300, 200, {about.Image1}});
  // The version stays centred under the picture.
  EXPECT_NEAR(about.Label2->Left() + about.Label2->Width() / 2, about.ClientSize().cx / 2, 1);
}

TEST(HighDpi, NothingOnAnOptionsPageLiesOnAnythingElseOrOutsideIt) {
  ProgramWindows w;
  kaleidon::TForm2& o = *w.options;
  const RECT area = o.PageControl1->PageArea();
  for (framework::TabSheet* page : {o.TabSheet1, o.TabSheet2, o.TabSheet3}) {
    SCOPED_TRACE(page->Caption());
    const auto& controls = page->Controls();
    for (size_t i = 0; i < controls.size(); ++i) {
      const framework::Control& c = *controls[i];
      RECT b = c.Bounds(), inside;
      EXPECT_TRUE(IntersectRect(&inside, &b, &area) && EqualRect(&inside, &b)) << c.Text();
      if (dynamic_cast<const framework::CheckBox*>(&c)) {
        EXPECT_LE(TextWidth(c) + Scaled(18), c.Width()) << c.Text();
      }
      if (dynamic_cast<const framework::Button*>(&c)) {
        EXPECT_LE(TextWidth(c) + 4, c.Width()) << c.Text();
      }
      // Frames hold the other controls.
      if (dynamic_cast<const framework::GroupBox*>(&c)) continue;
      for (size_t j = i + 1; j < controls.size(); ++j) {
        if (dynamic_cast<const framework::GroupBox*>(controls[j])) continue;
        RECT e = controls[j]->Bounds(), overlap;
        EXPECT_FALSE(IntersectRect(&overlap, &b, &e)) << c.Text() << " / " << controls[j]->Text();
      }
    }
  }
}

TEST(HighDpi, TheViewerShowsAPictureThatFitsWholeAndPixelForPixel) {
  ProgramWindows w;
  TempDir pictures;
  pictures.WriteFile("splash.jpg", framework::LoadResourceData("IMG"));  // 300 x 200
  kaleidon::TForm4& viewer = *w.viewer;
  ASSERT_TRUE(viewer.LoadPicture(pictures.PathOf("splash.jpg")));
  viewer.FitToPicture(1024, 768);
  EXPECT_EQ(viewer.Image1->Width(), 300);
  EXPECT_EQ(viewer.Image1->Height(), 200);
  // The frame around it leaves the whole picture in view, with no scroll bar.
  RECT view;
  GetClientRect(viewer.ScrollBox1->Handle(), &view);
  EXPECT_GE(view.right, 300);
  EXPECT_GE(view.bottom, 200);
  EXPECT_LE(view.right, 300 + 4);
  EXPECT_FALSE(GetWindowLongW(viewer.ScrollBox1->Handle(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL));
}
