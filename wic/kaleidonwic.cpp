// kaleidon-wic.spi: an import plug-in of the Susie plug-in API that reads
// PNG, GIF, TIFF and ICO pictures, and WebP, HEIF and AVIF ones where the
// system has their codecs, through the Windows Imaging Component. JPEG and
// BMP are left to the host.
//
// Its file filters are the formats the machine can decode (the installed
// WIC decoders, asked once); IsSupported looks at the data's signature;
// GetPicture hands over a 24-bit bottom-up DIB in local memory, with any
// transparency composited on white. Of an animated GIF it hands over the
// first frame on the GIF's canvas (its logical screen), where the frame's
// offset puts it. No exception leaves an export: each answers with the
// plug-in API's error codes.
//
// The host calls in from its user-interface thread: every call that uses
// COM initialises it for that call (single-threaded apartment) and
// balances it, and works on in a thread whose apartment is already
// multithreaded.
#include <wincodec.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string>
#include <utility>
#include <vector>

#define SPI_EXPORT extern "C" __declspec(dllexport)

namespace {

// Answers of the plug-in API.
constexpr int kSuccess = 0;
constexpr int kAborted = 1;
constexpr int kUnknownFormat = 2;
constexpr int kBrokenData = 3;
constexpr int kNoMemory = 4;
constexpr int kFileReadError = 6;
constexpr int kInternalError = 8;

// The largest picture handed over: as many pixels as the host takes.
constexpr uint64_t kMaxPixels = uint64_t{1} << 27;
constexpr uint32_t kMaxSide = 65535;
constexpr size_t kSignatureBytes = 2048;

#pragma pack(push, 1)
struct PictureInfo {
  int32_t left, top, width, height;
  uint16_t xDensity, yDensity;
  int16_t colorDepth;
  HLOCAL info;
};
#pragma pack(pop)

using ProgressCallback = int(__stdcall*)(int number, int denominator, LONG_PTR user);

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T* operator->() const { return p_; }
  T* Get() const { return p_; }
  T** Out() {
    Reset();
    return &p_;
  }
  void Reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

// COM on the calling thread for the length of one call.
class ComScope {
 public:
  ComScope() {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    balance_ = SUCCEEDED(hr);  // S_OK and S_FALSE both need their CoUninitialize
    usable_ = balance_ || hr == RPC_E_CHANGED_MODE;
  }
  ~ComScope() {
    if (balance_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  bool Usable() const { return usable_; }

 private:
  bool balance_ = false;
  bool usable_ = false;
};

bool CreateFactory(ComPtr<IWICImagingFactory>& factory) {
  return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                    reinterpret_cast<void**>(factory.Out())));
}

bool Starts(const unsigned char* data, const char* text, size_t at = 0) {
  return std::memcmp(data + at, text, std::strlen(text)) == 0;
}

bool IsPng(const unsigned char* d) { return Starts(d, "\x89PNG\r\n\x1a\n"); }
bool IsGif(const unsigned char* d) { return Starts(d, "GIF87a") || Starts(d, "GIF89a"); }
bool IsTiff(const unsigned char* d) {
  return (d[0] == 'I' && d[1] == 'I' && d[2] == 42 && d[3] == 0) ||
         (d[0] == 'M' && d[1] == 'M' && d[2] == 0 && d[3] == 42);
}
bool IsIco(const unsigned char* d) { return d[0] == 0 && d[1] == 0 && d[2] == 1 && d[3] == 0 && (d[4] | d[5]) != 0; }
bool IsWebp(const unsigned char* d) { return Starts(d, "RIFF") && Starts(d, "WEBP", 8); }
// An ISO media file whose major brand is one of brands.
bool HasBrand(const unsigned char* d, std::initializer_list<const char*> brands) {
  if (!Starts(d, "ftyp", 4)) return false;
  return std::any_of(brands.begin(), brands.end(), [&](const char* b) { return Starts(d, b, 8); });
}
bool IsHeif(const unsigned char* d) {
  return HasBrand(d, {"heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1"});
}
bool IsAvif(const unsigned char* d) { return HasBrand(d, {"avif", "avis"}); }

// A format this plug-in offers: its extensions (each becomes a filter of
// its own, since hosts register a filter's last extension), the name of
// its file type, and its signature in the first 2048 bytes.
struct Format {
  std::vector<const char*> extensions;
  const char* description;
  bool (*signature)(const unsigned char* data);
};

const std::vector<Format>& AllFormats() {
  static const std::vector<Format> formats = {
      {{"png"}, "PNG Image File", IsPng},           {{"gif"}, "GIF Image File", IsGif},
      {{"tif", "tiff"}, "TIFF Image File", IsTiff}, {{"ico"}, "Icon File", IsIco},
      {{"webp"}, "WebP Image File", IsWebp},        {{"heic", "heif"}, "HEIF Image File", IsHeif},
      {{"avif"}, "AVIF Image File", IsAvif},
  };
  return formats;
}

// The extensions the installed WIC decoders read, in lower case, without dots.
std::vector<std::string> DecoderExtensions() {
  std::vector<std::string> extensions;
  ComScope com;
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IEnumUnknown> decoders;
  if (!com.Usable() || !CreateFactory(factory) ||
      FAILED(factory->CreateComponentEnumerator(WICDecoder, WICComponentEnumerateDefault, decoders.Out())))
    return extensions;
  for (;;) {
    ComPtr<IUnknown> item;
    ULONG fetched = 0;
    if (decoders->Next(1, item.Out(), &fetched) != S_OK || fetched != 1) break;
    ComPtr<IWICBitmapCodecInfo> info;
    if (FAILED(item->QueryInterface(IID_IWICBitmapCodecInfo, reinterpret_cast<void**>(info.Out())))) continue;
    UINT length = 0;
    if (FAILED(info->GetFileExtensions(0, nullptr, &length)) || length == 0) continue;
    std::wstring text(length, L'\0');
    if (FAILED(info->GetFileExtensions(length, text.data(), &length))) continue;
    // ".png,.PNG" on Windows, ".tif;.tiff" on Wine.
    std::string current;
    for (wchar_t c : text) {
      if (c == L',' || c == L';' || c == L'\0') {
        if (!current.empty()) extensions.push_back(current);
        current.clear();
      } else if (c != L'.' && c != L' ' && c < 128) {
        current += static_cast<char>(c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c);
      }
    }
    if (!current.empty()) extensions.push_back(current);
  }
  return extensions;
}

// The formats this machine decodes, found once.
const std::vector<const Format*>& DecodableFormats() {
  static const std::vector<const Format*> formats = [] {
    std::vector<std::string> available = DecoderExtensions();
    std::vector<const Format*> found;
    for (const Format& f : AllFormats()) {
      bool decodable = std::any_of(f.extensions.begin(), f.extensions.end(), [&](const char* e) {
        return std::find(available.begin(), available.end(), e) != available.end();
      });
      if (decodable) found.push_back(&f);
    }
    return found;
  }();
  return formats;
}

struct Filter {
  std::string pattern;
  const char* description;
};

const std::vector<Filter>& Filters() {
  static const std::vector<Filter> filters = [] {
    std::vector<Filter> list;
    for (const Format* f : DecodableFormats())
      for (const char* e : f->extensions) list.push_back({std::string("*.") + e, f->description});
    return list;
  }();
  return filters;
}

bool Recognised(const unsigned char* head) {
  const std::vector<const Format*>& formats = DecodableFormats();
  return std::any_of(formats.begin(), formats.end(), [&](const Format* f) { return f->signature(head); });
}

// The data of a call: in memory (flag 1), or a file (flag 0: the buffer is
// its ANSI name, length the offset of the picture in it).
int ReadInput(const char* buffer, LONG length, UINT flag, std::string& owned, const unsigned char*& data,
              size_t& size) {
  if ((flag & 7) == 1) {
    if (!buffer || length <= 0) return kBrokenData;
    data = reinterpret_cast<const unsigned char*>(buffer);
    size = static_cast<size_t>(length);
    return kSuccess;
  }
  if ((flag & 7) != 0 || !buffer || length < 0) return kUnknownFormat;
  HANDLE file = CreateFileA(buffer, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return kFileReadError;
  LARGE_INTEGER fileSize{};
  int result = kFileReadError;
  if (GetFileSizeEx(file, &fileSize) && fileSize.QuadPart >= length && fileSize.QuadPart - length < MAXLONG) {
    owned.resize(static_cast<size_t>(fileSize.QuadPart - length));
    LARGE_INTEGER offset{};
    offset.QuadPart = length;
    DWORD read = 0;
    if (SetFilePointerEx(file, offset, nullptr, FILE_BEGIN) &&
        ReadFile(file, owned.data(), static_cast<DWORD>(owned.size()), &read, nullptr) && read == owned.size())
      result = kSuccess;
  }
  CloseHandle(file);
  data = reinterpret_cast<const unsigned char*>(owned.data());
  size = owned.size();
  return result;
}

// One decoded picture: the frame to hand over, its size, and the canvas it
// lies on at its offset (the frame itself, but for a GIF).
struct Decoded {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  UINT width = 0;
  UINT height = 0;
  UINT canvasWidth = 0;
  UINT canvasHeight = 0;
  UINT left = 0;
  UINT top = 0;
};

// Where a GIF's first frame lies: the size of its logical screen and the
// frame's offset, read from the file's blocks up to the first image
// descriptor. False when the data ends before it.
bool GifFirstFrameLayout(const unsigned char* d, size_t size, Decoded& layout, UINT* frameWidth = nullptr,
                         UINT* frameHeight = nullptr) {
  auto u16 = [d](size_t at) { return static_cast<UINT>(d[at] | d[at + 1] << 8); };
  if (size < 13) return false;
  size_t at = 13;
  if (d[10] & 0x80) at += size_t{3} << ((d[10] & 7) + 1);  // the global colour table
  while (at < size) {
    if (d[at] == 0x2C) {  // image descriptor
      if (size - at < 10) return false;
      layout.canvasWidth = u16(6);
      layout.canvasHeight = u16(8);
      layout.left = u16(at + 1);
      layout.top = u16(at + 3);
      if (frameWidth) *frameWidth = u16(at + 5);
      if (frameHeight) *frameHeight = u16(at + 7);
      return true;
    }
    if (d[at] != 0x21 || size - at < 3) return false;  // nothing but extensions come before it
    at += 2;
    while (at < size && d[at] != 0) at += size_t{d[at]} + 1;  // its sub-blocks
    ++at;
  }
  return false;
}

// The size GetPicture would hand over, from the header of a PNG (its IHDR
// chunk) or a GIF (its logical screen and first frame, which the canvas
// holds): unknownFormat for other data, or where the format is not one this
// machine decodes; brokenData where the header is cut short or beyond the
// limits.
int HeaderSize(const unsigned char* d, size_t size, UINT& width, UINT& height) {
  unsigned char head[kSignatureBytes] = {};
  std::memcpy(head, d, std::min(size, sizeof head));
  if (!Recognised(head) || !(IsPng(head) || IsGif(head))) return kUnknownFormat;
  if (IsPng(head)) {
    auto u32 = [d](size_t at) {
      return uint32_t{d[at]} << 24 | uint32_t{d[at + 1]} << 16 | uint32_t{d[at + 2]} << 8 | d[at + 3];
    };
    if (size < 24 || !Starts(d, "IHDR", 12)) return kBrokenData;
    const uint32_t w = u32(16), h = u32(20);
    if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide || uint64_t{w} * h > kMaxPixels) return kBrokenData;
    width = w;
    height = h;
    return kSuccess;
  }
  Decoded layout;
  UINT frameWidth = 0, frameHeight = 0;
  if (!GifFirstFrameLayout(d, size, layout, &frameWidth, &frameHeight)) return kBrokenData;
  if (frameWidth == 0 || frameHeight == 0) return kBrokenData;
  width = std::max(layout.canvasWidth, layout.left + frameWidth);
  height = std::max(layout.canvasHeight, layout.top + frameHeight);
  if (width > kMaxSide || height > kMaxSide || uint64_t{width} * height > kMaxPixels) return kBrokenData;
  return kSuccess;
}

// Opens the picture; for an icon, its largest image.
int Decode(const unsigned char* data, size_t size, Decoded& d) {
  unsigned char head[kSignatureBytes] = {};
  std::memcpy(head, data, std::min(size, sizeof head));
  if (!Recognised(head)) return kUnknownFormat;
  if (!CreateFactory(d.factory)) return kInternalError;
  if (FAILED(d.factory->CreateStream(d.stream.Out())) ||
      FAILED(d.stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size))))
    return kNoMemory;
  if (FAILED(
          d.factory->CreateDecoderFromStream(d.stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, d.decoder.Out())))
    return kBrokenData;
  UINT frames = 0;
  if (FAILED(d.decoder->GetFrameCount(&frames)) || frames == 0) return kBrokenData;
  UINT chosen = 0;
  if (IsIco(head)) {
    uint64_t largest = 0;
    for (UINT i = 0; i < frames; ++i) {
      ComPtr<IWICBitmapFrameDecode> frame;
      UINT w = 0, h = 0;
      if (FAILED(d.decoder->GetFrame(i, frame.Out())) || FAILED(frame->GetSize(&w, &h))) continue;
      if (uint64_t{w} * h > largest) {
        largest = uint64_t{w} * h;
        chosen = i;
      }
    }
  }
  if (FAILED(d.decoder->GetFrame(chosen, d.frame.Out())) || FAILED(d.frame->GetSize(&d.width, &d.height)))
    return kBrokenData;
  if (d.width == 0 || d.height == 0 || d.width > kMaxSide || d.height > kMaxSide) return kBrokenData;
  // The canvas holds the whole frame, also where a GIF's logical screen is
  // smaller than what its first frame covers.
  if (!IsGif(head) || !GifFirstFrameLayout(data, size, d)) d.left = d.top = 0;
  d.canvasWidth = std::max(d.canvasWidth, d.left + d.width);
  d.canvasHeight = std::max(d.canvasHeight, d.top + d.height);
  if (d.canvasWidth > kMaxSide || d.canvasHeight > kMaxSide || uint64_t{d.canvasWidth} * d.canvasHeight > kMaxPixels)
    return kBrokenData;
  return kSuccess;
}

// Local memory holding a copy of bytes.
HLOCAL LocalCopy(const void* bytes, size_t size) {
  HLOCAL h = LocalAlloc(LMEM_MOVEABLE, size);
  if (!h) return nullptr;
  if (void* p = LocalLock(h)) {
    std::memcpy(p, bytes, size);
    LocalUnlock(h);
    return h;
  }
  LocalFree(h);
  return nullptr;
}

// Frees a local block unless it was handed over.
class LocalOwner {
 public:
  explicit LocalOwner(HLOCAL h) : h_(h) {}
  ~LocalOwner() {
    if (h_) LocalFree(h_);
  }
  LocalOwner(const LocalOwner&) = delete;
  LocalOwner& operator=(const LocalOwner&) = delete;
  HLOCAL Get() const { return h_; }
  HLOCAL Release() { return std::exchange(h_, nullptr); }

 private:
  HLOCAL h_;
};

uint8_t OnWhite(uint8_t colour, uint8_t alpha) {
  return static_cast<uint8_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

// The frame's pixels as a 24-bit bottom-up DIB of the canvas, composited on
// white, read a band of rows at a time.
int MakeDib(Decoded& d, ProgressCallback progress, LONG_PTR user, HLOCAL* infoOut, HLOCAL* bitsOut) {
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(d.factory->CreateFormatConverter(converter.Out())) ||
      FAILED(converter->Initialize(d.frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)))
    return kBrokenData;

  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = static_cast<LONG>(d.canvasWidth);
  header.biHeight = static_cast<LONG>(d.canvasHeight);
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const size_t stride = (size_t{d.canvasWidth} * 3 + 3) / 4 * 4;
  header.biSizeImage = static_cast<DWORD>(stride * d.canvasHeight);
  double dpiX = 0, dpiY = 0;
  if (SUCCEEDED(d.frame->GetResolution(&dpiX, &dpiY))) {
    header.biXPelsPerMeter = static_cast<LONG>(dpiX / 0.0254 + 0.5);
    header.biYPelsPerMeter = static_cast<LONG>(dpiY / 0.0254 + 0.5);
  }

  LocalOwner info(LocalCopy(&header, sizeof header));
  LocalOwner bits(LocalAlloc(LMEM_MOVEABLE, header.biSizeImage));
  if (!info.Get() || !bits.Get()) return kNoMemory;
  auto* out = static_cast<uint8_t*>(LocalLock(bits.Get()));
  if (!out) return kNoMemory;
  // White where the frame does not cover the canvas; row padding defined.
  std::memset(out, 0xFF, header.biSizeImage);

  const UINT band = std::max<UINT>(1, std::min<UINT>(d.height, (1u << 20) / (d.width * 4) + 1));
  std::vector<uint8_t> rows;
  int result = kSuccess;
  if (progress && progress(0, static_cast<int>(d.height), user)) result = kAborted;
  for (UINT y = 0; result == kSuccess && y < d.height; y += band) {
    const UINT count = std::min(band, d.height - y);
    rows.resize(size_t{d.width} * 4 * count);
    WICRect rect = {0, static_cast<INT>(y), static_cast<INT>(d.width), static_cast<INT>(count)};
    if (FAILED(converter->CopyPixels(&rect, d.width * 4, static_cast<UINT>(rows.size()), rows.data()))) {
      result = kBrokenData;
      break;
    }
    for (UINT r = 0; r < count; ++r) {
      const uint8_t* src = rows.data() + size_t{r} * d.width * 4;
      uint8_t* dst = out + stride * (d.canvasHeight - 1 - (d.top + y + r)) + size_t{d.left} * 3;
      for (UINT x = 0; x < d.width; ++x, src += 4, dst += 3) {
        dst[0] = OnWhite(src[0], src[3]);
        dst[1] = OnWhite(src[1], src[3]);
        dst[2] = OnWhite(src[2], src[3]);
      }
    }
    if (progress && progress(static_cast<int>(std::min(y + count, d.height)), static_cast<int>(d.height), user) &&
        y + count < d.height)
      result = kAborted;
  }
  LocalUnlock(bits.Get());
  if (result != kSuccess) return result;
  *infoOut = info.Release();
  *bitsOut = bits.Release();
  return kSuccess;
}

// The picture of a call, opened: the data it was read from (when a file
// was named), COM for the call, the decoder. Members go in reverse order:
// the decoder first, the data last.
struct Opened {
  std::string owned;
  ComScope com;
  Decoded decoded;
};

// Runs an export's body so that no exception leaves the plug-in: running
// out of memory answers noMemory, anything else failure.
template <class Body>
int Answer(Body body, int noMemory, int failure) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return noMemory;
  } catch (...) {
    return failure;
  }
}

int Open(const char* buffer, LONG length, UINT flag, Opened& picture) {
  const unsigned char* data = nullptr;
  size_t size = 0;
  if (int r = ReadInput(buffer, length, flag, picture.owned, data, size)) return r;
  if (!picture.com.Usable()) return kInternalError;
  return Decode(data, size, picture.decoded);
}

}  // namespace

SPI_EXPORT int __stdcall GetPluginInfo(int number, char* buffer, int length) {
  if (!buffer || length <= 0) return 0;
  return Answer(
      [&] {
        std::string text;
        if (number == 0) {
          text = "00IN";
        } else if (number == 1) {
          text = "Kaleidon WIC plug-in (PNG, GIF, TIFF, ICO, WebP, HEIF, AVIF)";
        } else if (number >= 2) {
          const std::vector<Filter>& filters = Filters();
          size_t index = static_cast<size_t>(number - 2) / 2;
          if (index >= filters.size()) return 0;
          text = number % 2 == 0 ? filters[index].pattern : filters[index].description;
        } else {
          return 0;
        }
        lstrcpynA(buffer, text.c_str(), length);
        return lstrlenA(buffer);
      },
      0, 0);
}

SPI_EXPORT int __stdcall IsSupported(const char* fileName, DWORD_PTR data) {
  return Answer(
      [&] {
        unsigned char head[kSignatureBytes] = {};
        if ((data & ~static_cast<DWORD_PTR>(0xFFFF)) == 0) {
          // A file handle: the data from its current position.
          DWORD read = 0;
          if (!ReadFile(reinterpret_cast<HANDLE>(data), head, sizeof head, &read, nullptr)) return 0;
        } else {
          std::memcpy(head, reinterpret_cast<const void*>(data), sizeof head);
        }
        return Recognised(head) ? 1 : 0;
      },
      0, 0);
}

SPI_EXPORT int __stdcall GetPictureInfo(const char* buffer, LONG length, UINT flag, PictureInfo* info) {
  if (!info) return kInternalError;
  return Answer(
      [&] {
        // PNG and GIF tell their size in their first bytes: no decoder is
        // made for them, so a host asking the sizes of many pictures reads
        // no more than their headers.
        if ((flag & 7) == 1 && buffer && length > 0) {
          UINT width = 0, height = 0;
          if (int r = HeaderSize(reinterpret_cast<const unsigned char*>(buffer), static_cast<size_t>(length), width,
                                 height);
              r != kUnknownFormat) {
            if (r == kSuccess) *info = PictureInfo{0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height),
                                                   0, 0, 24, nullptr};
            return r;
          }
        }
        Opened picture;
        if (int r = Open(buffer, length, flag, picture)) return r;
        const Decoded& d = picture.decoded;
        double dpiX = 0, dpiY = 0;
        d.frame->GetResolution(&dpiX, &dpiY);
        *info = PictureInfo{0,
                            0,
                            static_cast<int32_t>(d.canvasWidth),
                            static_cast<int32_t>(d.canvasHeight),
                            static_cast<uint16_t>(std::clamp(dpiX, 0.0, 65535.0)),
                            static_cast<uint16_t>(std::clamp(dpiY, 0.0, 65535.0)),
                            24,
                            nullptr};
        return kSuccess;
      },
      kNoMemory, kInternalError);
}

SPI_EXPORT int __stdcall GetPicture(const char* buffer, LONG length, UINT flag, HLOCAL* info, HLOCAL* bits,
                                    ProgressCallback progress, LONG_PTR user) {
  if (!info || !bits) return kInternalError;
  return Answer(
      [&] {
        Opened picture;
        if (int r = Open(buffer, length, flag, picture)) return r;
        return MakeDib(picture.decoded, progress, user, info, bits);
      },
      kNoMemory, kInternalError);
}

// Preview: the same picture.
SPI_EXPORT int __stdcall GetPreview(const char* buffer, LONG length, UINT flag, HLOCAL* info, HLOCAL* bits,
                                    ProgressCallback progress, LONG_PTR user) {
  return GetPicture(buffer, length, flag, info, bits, progress, user);
}
