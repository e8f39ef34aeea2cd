// A plug-in's DIB blocks from anywhere: a picture or EInvalidGraphic, and
// nothing read outside the two blocks (each lives in an allocation of its
// own size, so the sanitizer sees any read past it).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "framework/imaging/bitmap.h"
#include "framework/imaging/bmpcodec.h"
#include "plugins/dib.h"

namespace {
std::string_view Block(std::unique_ptr<char[]>& storage, const uint8_t* data, size_t size) {
  storage = std::make_unique<char[]>(size ? size : 1);
  if (size) std::memcpy(storage.get(), data, size);
  return {storage.get(), size};
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // The first byte says where the information block ends and the bits begin.
  size_t split = 1 + data[0] * (size - 1) / 256;
  std::unique_ptr<char[]> infoStorage, bitsStorage;
  std::string_view info = Block(infoStorage, data + 1, split - 1);
  std::string_view bits = Block(bitsStorage, data + split, size - split);
  kaleidon::PluginDib dib;
  try {
    dib = kaleidon::ReadPluginDib(info, bits);
  } catch (const framework::EInvalidGraphic&) {
    return 0;
  }
  if (dib.info.data() != info.data() || dib.info.size() > info.size() || dib.bits.data() != bits.data() ||
      dib.bits.size() > bits.size())
    __builtin_trap();
  framework::Bitmap b;
  try {
    framework::DecodeDib(dib.info, dib.bits, b);
  } catch (const framework::EInvalidGraphic&) {
    return 0;
  }
  int32_t width, height;
  std::memcpy(&width, info.data() + 4, 4);
  std::memcpy(&height, info.data() + 8, 4);
  if (b.Width() != width || b.Height() != std::abs(static_cast<int64_t>(height))) __builtin_trap();
  return 0;
}
