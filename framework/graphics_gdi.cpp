// Drawing pictures through GDI, and the picture kinds that only the system
// can render: metafiles and icons.
#include <windows.h>

#include <cstring>
#include <functional>
#include <vector>

#include "framework/imaging/bitmap.h"
#include "framework/imaging/graphics.h"
#include "framework/imaging/jpeg.h"

namespace framework {

namespace {

uint16_t U16(std::string_view d, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(d[at]) | static_cast<uint8_t>(d[at + 1]) << 8);
}
uint32_t U32(std::string_view d, size_t at) { return U16(d, at) | static_cast<uint32_t>(U16(d, at + 2)) << 16; }

int ScreenPixelsPerInch() {
  HDC screen = GetDC(nullptr);
  int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

// Paints width x height pixels on white with paint and returns them as a
// 24-bit bitmap.
Bitmap Render(int width, int height, const std::function<void(HDC)>& paint) {
  Bitmap out(width, height, 24);
  if (out.Empty()) return out;
  HBITMAP target = out.CreateHBITMAP();
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) {
    DeleteObject(target);
    throw Exception("描画用のデバイスコンテキストを作成できません");
  }
  DIBSECTION section{};
  GetObjectW(target, sizeof section, &section);
  HGDIOBJ old = SelectObject(dc, target);
  PatBlt(dc, 0, 0, width, height, WHITENESS);
  paint(dc);
  GdiFlush();
  const uint8_t* bits = static_cast<const uint8_t*>(section.dsBm.bmBits);
  if (bits) std::memcpy(out.ScanLine(0), bits, out.Stride() * static_cast<size_t>(height));
  SelectObject(dc, old);
  DeleteObject(target);
  DeleteDC(dc);
  return out;
}

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableHeaderSize = 22;
constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"

}  // namespace

void Graphic::Draw(HDC__* dc, int x, int y, int width, int height) const { ToBitmap().Draw(dc, x, y, width, height); }

void JpegImage::Draw(HDC__* dc, int x, int y, int width, int height) const {
  if (Empty()) return;
  if (!drawCache_) drawCache_ = std::make_shared<const Bitmap>(ToBitmap());
  drawCache_->Draw(dc, x, y, width, height);
}

Bitmap SystemPicture::ToBitmap() const {
  return Render(width_, height_, [&](HDC dc) { Draw(dc, 0, 0, width_, height_); });
}

// Metafiles.

struct MetafileAccess {
  static HENHMETAFILE CreateHandle(const Metafile& m) {
    if (m.data_.empty()) return nullptr;
    const BYTE* data = reinterpret_cast<const BYTE*>(m.data_.data());
    if (m.enhanced_) return SetEnhMetaFileBits(static_cast<UINT>(m.data_.size()), data);
    // A placeable metafile: its size, in hundredths of a millimetre, tells
    // the player how to map it.
    int dpi = ScreenPixelsPerInch();
    METAFILEPICT picture{MM_ANISOTROPIC, m.width_ * 2540 / dpi, m.height_ * 2540 / dpi, nullptr};
    return SetWinMetaFileBits(static_cast<UINT>(m.data_.size() - kPlaceableHeaderSize), data + kPlaceableHeaderSize,
                              nullptr, &picture);
  }
};

void Metafile::LoadFromBytes(std::string_view bytes) {
  const int dpi = ScreenPixelsPerInch();
  int width = 0, height = 0;
  bool enhanced = false;
  if (bytes.size() >= 88 && U32(bytes, 0) == 1 && U32(bytes, 40) == kEmfSignature) {
    // rclFrame, in hundredths of a millimetre.
    int64_t left = static_cast<int32_t>(U32(bytes, 24)), top = static_cast<int32_t>(U32(bytes, 28));
    int64_t right = static_cast<int32_t>(U32(bytes, 32)), bottom = static_cast<int32_t>(U32(bytes, 36));
    width = static_cast<int>((right - left) * dpi / 2540);
    height = static_cast<int>((bottom - top) * dpi / 2540);
    enhanced = true;
  } else if (bytes.size() >= kPlaceableHeaderSize + 18 && U32(bytes, 0) == kPlaceableKey) {
    int left = static_cast<int16_t>(U16(bytes, 6)), top = static_cast<int16_t>(U16(bytes, 8));
    int right = static_cast<int16_t>(U16(bytes, 10)), bottom = static_cast<int16_t>(U16(bytes, 12));
    int inch = U16(bytes, 14);
    if (inch == 0) throw EInvalidGraphic("メタファイルが不正です");
    width = (right - left) * dpi / inch;
    height = (bottom - top) * dpi / inch;
  } else {
    throw EInvalidGraphic("メタファイルが不正です");
  }
  if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide)
    throw EInvalidGraphic("メタファイルの大きさが不正です");
  Metafile loaded;
  loaded.data_.assign(bytes.data(), bytes.size());
  loaded.enhanced_ = enhanced;
  loaded.width_ = width;
  loaded.height_ = height;
  HENHMETAFILE check = MetafileAccess::CreateHandle(loaded);
  if (!check) throw EInvalidGraphic("メタファイルが不正です");
  DeleteEnhMetaFile(check);
  *this = std::move(loaded);
}


void Metafile::Draw(HDC__* dc, int x, int y, int width, int height) const {
  HENHMETAFILE handle = MetafileAccess::CreateHandle(*this);
  if (!handle) return;
  RECT r{x, y, x + width, y + height};
  PlayEnhMetaFile(dc, handle, &r);
  DeleteEnhMetaFile(handle);
}

// Icons.

struct IconAccess {
  static HICON CreateHandle(const Icon& icon) {
    if (icon.data_.empty()) return nullptr;
    auto begin = icon.data_.begin() + static_cast<std::ptrdiff_t>(icon.imageOffset_);
    std::vector<BYTE> image(begin, begin + static_cast<std::ptrdiff_t>(icon.imageSize_));
    return CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE, 0x00030000, icon.width_,
                                    icon.height_, LR_DEFAULTCOLOR);
  }
};

void Icon::LoadFromBytes(std::string_view bytes) {
  if (bytes.size() < 6 + 16 || U16(bytes, 0) != 0 || U16(bytes, 2) != 1 || U16(bytes, 4) == 0)
    throw EInvalidGraphic("アイコンが不正です");
  int width = static_cast<uint8_t>(bytes[6]), height = static_cast<uint8_t>(bytes[7]);
  size_t size = U32(bytes, 6 + 8), offset = U32(bytes, 6 + 12);
  if (offset > bytes.size() || size > bytes.size() - offset || size < 16) throw EInvalidGraphic("アイコンが不正です");
  Icon loaded;
  loaded.data_.assign(bytes.data(), bytes.size());
  loaded.imageOffset_ = offset;
  loaded.imageSize_ = size;
  loaded.width_ = width ? width : 256;
  loaded.height_ = height ? height : 256;
  HICON check = IconAccess::CreateHandle(loaded);
  if (!check) throw EInvalidGraphic("アイコンが不正です");
  DestroyIcon(check);
  *this = std::move(loaded);
}


void Icon::Draw(HDC__* dc, int x, int y, int width, int height) const {
  HICON handle = IconAccess::CreateHandle(*this);
  if (!handle) return;
  DrawIconEx(dc, x, y, handle, width, height, 0, nullptr, DI_NORMAL);
  DestroyIcon(handle);
}

}  // namespace framework
