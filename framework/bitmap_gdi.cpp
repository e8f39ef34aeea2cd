// Showing bitmaps through GDI.
#include <windows.h>

#include <cstring>

#include "framework/imaging/bitmap.h"
#include "framework/imaging/bmpcodec.h"

namespace framework {

void Bitmap::Draw(HDC__* dc, int x, int y, int width, int height) const {
  if (Empty() || width <= 0 || height <= 0) return;
  std::vector<uint32_t> info = DisplayDibInfo(*this);
  const bool same = width == width_ && height == height_;
  int oldMode = SetStretchBltMode(dc, same ? COLORONCOLOR : HALFTONE);
  POINT oldOrigin{};
  SetBrushOrgEx(dc, 0, 0, &oldOrigin);
  StretchDIBits(dc, x, y, width, height, 0, 0, width_, height_, pixels_.data(),
                reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS, SRCCOPY);
  SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
  if (oldMode) SetStretchBltMode(dc, oldMode);
}

HBITMAP__* Bitmap::CreateHBITMAP() const {
  if (Empty()) return nullptr;
  std::vector<uint32_t> info = DisplayDibInfo(*this);
  void* bits = nullptr;
  HBITMAP handle =
      CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!handle || !bits) {
    if (handle) DeleteObject(handle);
    throw Exception("ビットマップを作成できません");
  }
  std::memcpy(bits, pixels_.data(), pixels_.size());
  GdiFlush();
  return handle;
}

}  // namespace framework
