#include "framework/gui/scrollbox.h"

#include <gtest/gtest.h>

#include "framework/imaging/bitmap.h"
#include "framework/gui/layout.h"
#include "framework/gui/stdctrls.h"

using namespace framework;

namespace {

// A form whose client area is one scroll box of 100 x 80 with a picture in it.
struct ScrollingPicture {
  ScrollingPicture() : form(FormStyle::FixedDialog("TScrollTest", "スクロール", 100, 80)) {
    CreateControls(form, {{&box, 0, 0, 100, 80}, {&image, 0, 0}});
    box->Insert(image);
    image->SetAutoSize(true);
  }
  // A picture whose red is its column and green its row (modulo 256).
  void Show(int width, int height) {
    Bitmap b(width, height, 24);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) b.SetPixelColor(x, y, Rgb{uint8_t(x), uint8_t(y), 200});
    image->SetBitmap(b.CreateHBITMAP());
  }
  RECT Client() const {
    RECT r;
    GetClientRect(box->Handle(), &r);
    return r;
  }
  bool Bar(LONG objectId) const {
    SCROLLBARINFO info{sizeof info};
    GetScrollBarInfo(box->Handle(), objectId, &info);
    return !(info.rgstate[0] & STATE_SYSTEM_INVISIBLE);
  }
  // The colour of a client pixel as the box paints it.
  COLORREF Painted(int x, int y) const {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    RECT r = Client();
    HBITMAP pixels = CreateCompatibleBitmap(screen, r.right, r.bottom);
    HGDIOBJ old = SelectObject(dc, pixels);
    SendMessageW(box->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    COLORREF colour = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(pixels);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return colour;
  }

  Form form;
  ScrollBox* box = nullptr;
  Image* image = nullptr;
};

}  // namespace

TEST(ScrollBox, ScrollBarsShowWhereThePictureExceedsTheClientArea) {
  struct Case {
    int width, height;
    bool horizontal, vertical;
  };
  // The frame leaves a client area of 96 x 76; a bar narrows the other
  // side. One picture after the other: the bars follow each.
  const Case cases[] = {
      {50, 50, false, false}, {96, 76, false, false}, {300, 50, true, false}, {50, 300, false, true},
      {90, 300, true, true},  {300, 300, true, true}, {96, 76, false, false},
  };
  ScrollingPicture p;
  for (const Case& c : cases) {
    p.Show(c.width, c.height);
    EXPECT_EQ(p.image->Width(), c.width);
    EXPECT_EQ(p.Bar(OBJID_HSCROLL), c.horizontal) << c.width << " x " << c.height;
    EXPECT_EQ(p.Bar(OBJID_VSCROLL), c.vertical) << c.width << " x " << c.height;
  }
}

TEST(ScrollBox, ScrolledPictureIsPaintedAndDoubleClickedWhereItIsShown) {
  ScrollingPicture p;
  p.Show(300, 50);
  int doubleClicks = 0;
  p.image->OnDblClick = [&] { ++doubleClicks; };
  EXPECT_EQ(p.Painted(0, 10), RGB(0, 10, 200));

  p.box->ScrollTo(1000, 1000);  // as far as it goes
  const RECT client = p.Client();
  EXPECT_EQ(p.box->ScrollPosition().x, 300 - client.right);
  EXPECT_EQ(p.box->ScrollPosition().y, 0);
  EXPECT_EQ(p.Painted(0, 10), RGB(300 - client.right, 10, 200));
  EXPECT_EQ(p.Painted(client.right - 1, 49), RGB(299 % 256, 49, 200));
  EXPECT_EQ(p.Painted(10, 55), GetSysColor(COLOR_BTNFACE));  // below the picture

  SendMessageW(p.box->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 10));
  EXPECT_EQ(doubleClicks, 1);
  SendMessageW(p.box->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 55));
  EXPECT_EQ(doubleClicks, 1);

  // Emptied, the picture has no size: nothing left to scroll.
  p.image->SetBitmap(nullptr);
  EXPECT_EQ(p.image->Width(), 0);
  EXPECT_EQ(p.box->ScrollPosition().x, 0);
  EXPECT_FALSE(p.Bar(OBJID_HSCROLL));
}
