#include "selection/picturesize.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "archive/unlha32.h"
#include "framework/base/bounded.h"
#include "framework/imaging/exif.h"
#include "framework/imaging/jpeg.h"
#include "plugins/spipicturesize.h"

namespace kaleidon {

namespace {

// Enough for a JPEG's markers up to its first scan, thumbnail and all, in
// nearly every file; a file whose header reaches further is read whole.
constexpr DWORD kHeaderBytes = 256 * 1024;
// The most of a file read whole for its header.
constexpr uint64_t kWholeFileLimit = 64u << 20;

int32_t Int32At(std::string_view bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
  return static_cast<int32_t>(v);
}

int Int16At(std::string_view bytes, size_t at) {
  return static_cast<unsigned char>(bytes[at]) | (static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::optional<PictureSize> BmpSize(std::string_view bytes) {
  if (bytes.size() < 26) return std::nullopt;
  const int32_t infoSize = Int32At(bytes, 14);
  PictureSize size;
  if (infoSize == 12) {  // the OS/2 core header
    size = {Int16At(bytes, 18), Int16At(bytes, 20)};
  } else {
    if (infoSize < 16) return std::nullopt;
    const int32_t width = Int32At(bytes, 18), height = Int32At(bytes, 22);
    // A top-down bitmap gives its height negative.
    if (width <= 0 || height == 0 || height == INT32_MIN) return std::nullopt;
    size = {width, std::abs(height)};
  }
  if (size.width <= 0 || size.height <= 0) return std::nullopt;
  return size;
}

bool IsJpeg(std::string_view bytes) { return bytes.size() >= 3 && bytes.substr(0, 3) == "\xFF\xD8\xFF"; }

std::optional<PictureSize> JpegSize(std::string_view bytes) {
  try {
    const framework::JpegHeader header = framework::ReadJpegHeader(bytes);
    if (header.width <= 0 || header.height <= 0) return std::nullopt;
    if (framework::SwapsSides(header.orientation)) return PictureSize{header.height, header.width};
    return PictureSize{header.width, header.height};
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace

std::optional<PictureSize> PictureSizeOf(std::string_view bytes) {
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "BM") return BmpSize(bytes);
  if (IsJpeg(bytes)) return JpegSize(bytes);
  return std::nullopt;
}

std::optional<PictureSize> ReadPictureSize(const std::string& path) {
  // A file that does not answer in time, or is not on the disk, is of no
  // known size: the change finds out about it when it draws it.
  try {
    bool whole = false;
    const std::optional<std::string> start = framework::ReadUserFileStart(path, kHeaderBytes, whole);
    if (!start) return std::nullopt;
    std::optional<PictureSize> size = PictureSizeOf(*start);
    if (size) return size;
    // A format of the image plug-ins: what their GetPictureInfo says, asked
    // in their host.
    if (!IsJpeg(*start) && LoadsThroughPlugins(path)) {
      const std::optional<SPIPictureSize> told = ReadSPIPictureSize(path, *start, whole);
      if (told) return PictureSize{told->width, told->height};
      return std::nullopt;
    }
    if (whole || !IsJpeg(*start)) return size;
    const std::optional<std::string> all = framework::ReadUserFile(path, kWholeFileLimit);
    return all ? JpegSize(*all) : std::nullopt;
  } catch (...) {
    return std::nullopt;  // too large to read for a header, or unreachable
  }
}

std::optional<PictureSize> ReadMemberPictureSize(HWND owner, const std::string& archive, const std::string& member) {
  try {
    const std::optional<MemberStart> start = ReadArchiveMemberStart(owner, archive, member, kHeaderBytes);
    if (!start) return std::nullopt;
    std::optional<PictureSize> size = PictureSizeOf(start->bytes);
    if (size || start->whole || !IsJpeg(start->bytes)) return size;
    const std::optional<MemberStart> all = ReadArchiveMemberStart(owner, archive, member, kWholeFileLimit);
    return all ? JpegSize(all->bytes) : std::nullopt;
  } catch (...) {
    return std::nullopt;  // no memory for the whole member
  }
}

bool Suits(const PictureDemand& demand, const std::optional<PictureSize>& size) {
  if (!demand.Asks() || !size) return true;
  if (demand.matchShape) {
    const bool portraitMonitor = demand.monitorHeight > demand.monitorWidth;
    const bool square = size->width == size->height;
    const bool portrait = size->height > size->width;
    if (!square && demand.monitorWidth != demand.monitorHeight && portrait != portraitMonitor) return false;
  }
  if (demand.minShare > 0) {
    const int64_t share = demand.minShare;
    if (int64_t{size->width} * 100 < share * demand.monitorWidth) return false;
    if (int64_t{size->height} * 100 < share * demand.monitorHeight) return false;
  }
  return true;
}

}  // namespace kaleidon
