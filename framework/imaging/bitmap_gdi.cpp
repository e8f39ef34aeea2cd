// Showing bitmaps through GDI.
#include <windows.h>

#include <cstring>

#include "framework/imaging/bitmap.h"

namespace framework {

namespace {

// A BITMAPINFO for handing the bitmap's rows to the system: top-down
// (negative height), uncompressed, with a colour table of 2^bits entries for
// palette formats (missing entries black). Kept in 32-bit words so the
// block is suitably aligned.
std::vector<uint32_t> DisplayDibInfo(const Bitmap& bitmap) {
  const size_t colors = bitmap.BitsPerPixel() <= 8 ? size_t{1} << bitmap.BitsPerPixel() : 0;
  std::vector<uint32_t> words((sizeof(BITMAPINFOHEADER) + colors * sizeof(RGBQUAD)) / 4);
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(words.data());
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = bitmap.Width();
  header->biHeight = -bitmap.Height();
  header->biPlanes = 1;
  header->biBitCount = static_cast<WORD>(bitmap.BitsPerPixel());
  header->biCompression = BI_RGB;
  header->biSizeImage = static_cast<DWORD>(bitmap.Stride() * static_cast<size_t>(bitmap.Height()));
  header->biClrUsed = static_cast<DWORD>(colors);
  auto* table = reinterpret_cast<RGBQUAD*>(header + 1);
  const std::vector<PaletteEntry>& palette = bitmap.Palette();
  for (size_t i = 0; i < colors && i < palette.size(); ++i)
    table[i] = RGBQUAD{palette[i].blue, palette[i].green, palette[i].red, 0};
  return words;
}

}  // namespace

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
