// The viewer: the main window's "ｲﾒｰｼﾞﾋﾞｭｰ(&I)" and the window it shows.
#include "ui/viewerform.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "archive/lzhwriter.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/imaging/bitmap.h"
#include "framework/imaging/jpeg.h"
#include "plugins/spibitmap.h"
#include "plugins/spis.h"
#include "support/fixtures.h"
#include "support/jpegfiles.h"
#include "support/programwindows.h"
#include "support/mainwindow.h"

namespace {

framework::Bitmap Gradient(int width, int height) {
  framework::Bitmap b(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.SetPixelColor(x, y, framework::Rgb{uint8_t(x), uint8_t(y), 120});
  return b;
}

std::string Settings(const std::string& folder, const std::string& extra = "") {
  return "[SysInfo]\r\nProgramVersion=0.6\r\nPath=" + framework::EncodeStoredText(folder) + "\r\n" + extra;
}

RECT WindowRect(const framework::Form& f) {
  RECT r;
  GetWindowRect(f.Handle(), &r);
  return r;
}

}  // namespace

TEST(Viewer, WindowFitsThePictureAndIsCentredOnA1024By768Screen) {
  struct Case {
    int width, height;
    const char* format;
    bool clientSized;  // the client area fits the picture; otherwise the window has the size below
    RECT window;       // for a window sized to the screen: left, top, right, bottom
  };
  const Case cases[] = {
      {100, 80, "bmp", true, {}},
      {1000, 300, "jpg", true, {}},  // 1000 > 1016 is false
      {1020, 300, "bmp", false, {0, 210, 1024, 557}},
      {600, 750, "jpg", false, {198, 0, 826, 768}},  // 750 > 741
      {1100, 800, "bmp", false, {0, 0, 1024, 768}},
  };
  TempDir pictures;
  kaleidon::TForm4 viewer;
  // Left maximised by the last viewing: back at its normal size first.
  ShowWindow(viewer.Handle(), SW_MAXIMIZE);
  viewer.Hide();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    std::string name = std::string("p.") + c.format;
    framework::Bitmap picture = Gradient(c.width, c.height);
    pictures.WriteFile(name, *c.format == 'b' ? picture.SaveToBytes() : framework::EncodeJpeg(picture, 90));
    ASSERT_TRUE(viewer.LoadPicture(pictures.PathOf(name)));
    EXPECT_EQ(viewer.Image1->Width(), c.width);
    EXPECT_EQ(viewer.Image1->Height(), c.height);
    viewer.FitToPicture(1024, 768);
    EXPECT_FALSE(IsZoomed(viewer.Handle()));
    const RECT r = WindowRect(viewer);
    const SIZE client = viewer.ClientSize();
    if (c.clientSized) {
      // The system keeps a window with a sizing frame from getting narrower
      // than its smallest tracking width.
      const int narrowest = GetSystemMetrics(SM_CXMINTRACK) - ((r.right - r.left) - client.cx);
      EXPECT_EQ(client.cx, std::max(c.width + 4, narrowest));
      EXPECT_EQ(client.cy, c.height + 4);
      EXPECT_EQ(r.left, (1024 - (r.right - r.left)) / 2);
      EXPECT_EQ(r.top, (768 - (r.bottom - r.top)) / 2);
      // The scroll box's frame takes the 4 pixels: the picture shows whole.
      LONG style = GetWindowLongW(viewer.ScrollBox1->Handle(), GWL_STYLE);
      EXPECT_FALSE(style & (WS_HSCROLL | WS_VSCROLL));
    } else {
      EXPECT_EQ(r.left, c.window.left);
      EXPECT_EQ(r.top, c.window.top);
      EXPECT_EQ(r.right, c.window.right);
      EXPECT_EQ(r.bottom, c.window.bottom);
    }
    EXPECT_EQ(viewer.ScrollBox1->Width(), client.cx);
    EXPECT_EQ(viewer.ScrollBox1->Height(), client.cy);
  }
}

TEST(Viewer, ViewButtonSaysWhatIsWrongAndLeavesTheViewerHidden) {
  const std::string readError =
      "チッ！指定された正義のファイルの読み込みに失敗してしまった････\r"
      "正義のファイルが破損しているか、この謎のフォーマットには対応していないぞ";
  struct Case {
    const char* select;  // nullptr: no row
    bool removeFirst;
    const char* caption;
    unsigned icon;
    std::string text;
  };
  const Case cases[] = {
      {nullptr, false, "闇のエラー", MB_ICONWARNING,
       "ぐふっ！正義のファイルが選択されていないぞ\r正義のファイルを選択してからもう一度ボタンを押してくれ"},
      {"gone.bmp", true, "闇のエラー", MB_ICONWARNING,
       "ぐをっ！指定した正義のファイルが存在しないとは････\r"
       "別の正義のフォルダに移動されたか、悪の削除をされた可能性がある\r"
       "正義の延髄蹴りでファイルリストを最新のものに更新だ！！"},
      // No picture class is registered for archives.
      {"set.lzh", false, "暗黒の読み取りエラー", MB_ICONERROR, readError},
      {"damaged.bmp", false, "暗黒の読み取りエラー", MB_ICONERROR, readError},
      {"damaged.jpg", false, "暗黒の読み取りエラー", MB_ICONERROR, readError},
  };
  TempDir pictures;
  pictures.WriteFile("gone.bmp", Gradient(4, 4).SaveToBytes());
  LzhWriter archive;
  archive.AddLevel0("a.bmp", Gradient(4, 4).SaveToBytes());
  pictures.WriteFile("set.lzh", archive.Bytes());
  std::string bmp = Gradient(8, 8).SaveToBytes();
  pictures.WriteFile("damaged.bmp", bmp.substr(0, 40));
  std::string jpeg = framework::EncodeJpeg(Gradient(64, 64), 90);
  pictures.WriteFile("damaged.jpg", jpeg.substr(0, jpeg.size() / 2));
  ProgramWindows w(Settings(pictures.path(), "CustomMask=*.bmp;*.jpg;*.lzh\r\nFilter=99\r\n"));
  kaleidon::TForm1& f = *w.main;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.select ? c.select : "no row");
    Widgets(f).FileListBox2->SetItemIndex(c.select ? Widgets(f).FileListBox2->IndexOf(c.select) : -1);
    if (c.removeFirst) framework::ForceDeleteFile(pictures.PathOf(c.select));
    w.boxes.Clear();
    Widgets(f).Button7->Click();
    ASSERT_EQ(w.boxes.Count(), 1u);
    EXPECT_EQ(w.boxes.Last().caption, c.caption);
    EXPECT_EQ(w.boxes.Last().text, c.text);
    EXPECT_EQ(w.boxes.Last().flags & MB_ICONMASK, c.icon);
    EXPECT_FALSE(w.viewer->Visible());
    EXPECT_EQ(w.viewer->Image1->Bitmap(), nullptr);
    EXPECT_EQ(Widgets(f).Button7->Cursor(), nullptr);
  }
  EXPECT_EQ(Widgets(f).FileListBox2->IndexOf("gone.bmp"), -1);  // the list was read again
}

TEST(Viewer, DoubleClickOnThePictureClosesTheViewerAndEmptiesTheImage) {
  TempDir pictures;
  pictures.WriteFile("one.bmp", Gradient(40, 30).SaveToBytes());
  ProgramWindows w(Settings(pictures.path()));
  Widgets(*w.main).FileListBox2->SetItemIndex(0);
  bool shownModally = false;
  SIZE shown{};
  framework::Application::Instance().Queue([&] {
    shownModally = w.viewer->Visible() && w.viewer->IsModal();
    shown = SIZE{w.viewer->Image1->Width(), w.viewer->Image1->Height()};
    SendMessageW(w.viewer->ScrollBox1->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  });
  Widgets(*w.main).Button7->Click();  // returns once the viewer is closed
  EXPECT_TRUE(shownModally);
  EXPECT_EQ(shown.cx, 40);
  EXPECT_EQ(shown.cy, 30);
  EXPECT_FALSE(w.viewer->Visible());
  EXPECT_EQ(w.viewer->Image1->Bitmap(), nullptr);
  EXPECT_EQ(w.viewer->Image1->Width(), 0);
}

TEST(Viewer, ShowsAPngThroughTheImagePlugIn) {
  TempDir plugins, pictures;
  ASSERT_TRUE(CopyFileW(framework::Widen(BuildOutputPath("kaleidon-wic.spi")).c_str(),
                        framework::Widen(plugins.PathOf("kaleidon-wic.spi")).c_str(), FALSE));
  pictures.WriteFile("alpha.png", PictureFixture("wic-alpha.png"));
  kaleidon::TSPIs spis;
  spis.Search(plugins.PathOf("*.spi"));
  ASSERT_EQ(spis.Count(), 1);
  kaleidon::TForm4 viewer;
  ASSERT_TRUE(viewer.LoadPicture(pictures.PathOf("alpha.png")));
  EXPECT_EQ(viewer.Image1->Width(), 4);
  EXPECT_EQ(viewer.Image1->Height(), 2);
  viewer.FitToPicture(1024, 768);
  EXPECT_EQ(viewer.ClientSize().cy, 6);
  // Its first pixel is opaque red.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, viewer.Image1->Bitmap());
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
  SelectObject(dc, old);
  DeleteDC(dc);
}

TEST(Viewer, APhotoTooLargeToHoldWholeIsShownReduced) {
  constexpr int kWidth = 16000, kHeight = 9000;
  TempDir pictures;
  pictures.WriteFile("panorama.jpg", StreamedJpeg(kWidth, kHeight, 30, [](int x, int y) {
                       return x < kWidth / 2 ? framework::Rgb{255, 0, 0} : framework::Rgb{0, 0, 255};
                     }));
  kaleidon::TForm4 viewer;
  ASSERT_TRUE(viewer.LoadPicture(pictures.PathOf("panorama.jpg")));
  EXPECT_EQ(viewer.Image1->Width(), kWidth * 7 / 8);
  EXPECT_EQ(viewer.Image1->Height(), kHeight * 7 / 8);
  viewer.FitToPicture(1024, 768);
  RECT r = WindowRect(viewer);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, 1024);
}
