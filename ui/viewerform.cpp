#include "ui/viewerform.h"

#include <exception>

#include "framework/base/paths.h"
#include "framework/gui/dpi.h"
#include "framework/gui/layout.h"
#include "framework/imaging/bitmap.h"
#include "framework/imaging/graphics.h"
#include "framework/imaging/jpeg.h"

namespace kaleidon {

namespace {

framework::FormStyle ViewerStyle() {
  framework::FormStyle s;
  s.className = "TForm4";
  s.caption = "Kaleidon Viewer";
  s.border = framework::BorderStyle::Sizeable;
  s.minimizeBox = false;
  s.maximizeBox = true;
  s.position = framework::Position::Designed;
  return s;
}

// The picture's pixels for the screen. A JPEG is decoded at the largest
// scale (in eighths, the full one at most) whose picture fits the bitmap
// limits, so a photo too large to hold whole is still shown, reduced.
HBITMAP ViewedBitmap(framework::Graphic& picture) {
  if (auto* bitmap = dynamic_cast<framework::Bitmap*>(&picture)) return bitmap->CreateHBITMAP();
  if (auto* jpeg = dynamic_cast<framework::JpegImage*>(&picture))
    jpeg->ScaleToAtLeast(jpeg->ImageWidth(), jpeg->ImageHeight());
  return picture.ToBitmap().CreateHBITMAP();
}

}  // namespace

TForm4::TForm4() : Form(ViewerStyle()) {
  SetWindowPos(Handle(), nullptr, Scale(544), Scale(135), Scale(385), Scale(252), SWP_NOZORDER | SWP_NOACTIVATE);
  SIZE client = ClientSize();
  framework::CreateControls(*this, {
      {&ScrollBox1, 0, 0, static_cast<int>(client.cx), static_cast<int>(client.cy)},
      {&Image1, 0, 0},
  });
  ScrollBox1->Insert(Image1);
  Image1->SetAutoSize(true);
  Image1->SetStretch(true);
  Image1->OnDblClick = [this] { Image1DblClick(); };
  OnResize = [this] {
    SIZE size = ClientSize();
    ScrollBox1->SetBounds(0, 0, size.cx, size.cy);
  };
  OnCloseQuery = [this](bool& canClose) { FormCloseQuery(canClose); };
}

bool TForm4::LoadPicture(const std::string& path) {
  Image1->SetBitmap(nullptr);  // the previous picture's memory first
  try {
    framework::Picture picture;
    picture.LoadFromFile(path);
    Image1->SetBitmap(ViewedBitmap(*picture.GetGraphic()));
    // Readers hear which picture the window shows.
    ScrollBox1->SetAccessibleName(framework::ExtractFileName(path));
    return true;
  } catch (const std::exception&) {
    // Damaged data, a format without a decoder, a plug-in's failure, or a
    // picture too large for the memory left: all read errors to the user.
    Image1->SetBitmap(nullptr);
    return false;
  }
}

void TForm4::FitToPicture(int screenWidth, int screenHeight) {
  const int sw = screenWidth, sh = screenHeight;
  HWND window = Handle();
  // A viewer left maximised comes back at its normal size, without showing.
  if (IsZoomed(window)) SetWindowLongW(window, GWL_STYLE, GetWindowLongW(window, GWL_STYLE) & ~WS_MAXIMIZE);
  const int iw = Image1->Width(), ih = Image1->Height();
  const SIZE picture = Image1->PictureSize();
  auto setWindowSize = [window](int width, int height) {
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  };
  // The margins make room for the frame, the caption and a scroll bar; the
  // picture itself is shown pixel for pixel at any DPI.
  if (ih > sh - Scale(27)) {
    setWindowSize(iw > sw - Scale(28) ? sw : iw + Scale(28), sh);
  } else if (picture.cx > sw - Scale(8)) {
    setWindowSize(sw, ih + Scale(47));
  } else {
    // The scroll box's sunken edge on each side.
    const int edges = 2 * framework::SystemMetricForDpi(SM_CXEDGE, Dpi());
    SetClientSize(picture.cx + edges, picture.cy + edges);
  }
  RECT r;
  GetWindowRect(window, &r);
  SetWindowPos(window, nullptr, (sw - (r.right - r.left)) / 2, (sh - (r.bottom - r.top)) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm4::ShowViewer() {
  // Window positions are in the coordinates of the screen the program is
  // told, which on a display scaled for high DPI is not its pixel size.
  FitToPicture(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  ShowModal();
}

void TForm4::FormCloseQuery(bool& canClose) {
  Image1->SetBitmap(nullptr);
  canClose = true;
}

void TForm4::Image1DblClick() { Close(); }

}  // namespace kaleidon
