#pragma once
// What the program and its plug-in host process tell each other.
//
// They share one control section: a header, a request area the program
// writes and a reply area the host writes, each message a string of
// little-endian fields. Two events say "request ready" and "reply ready".
// The picture data goes over in a section of its own per load (the program
// keeps it for the next load), the picture a plug-in made comes back in a
// section of the host's (which it keeps for the next reply, unless the
// program says it still reads the last); both are handed over as handles
// duplicated into the other process.
//
// The replies are outside data for the program: every field is read through
// MessageReader, which refuses what runs past the message, and every count
// and length is checked against the limits below.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/imaging/bitmap.h"

namespace kaleidon {

// The start of the control section.
struct SPIHostHeader {
  uint32_t magic;
  uint32_t requestSequence;
  uint32_t requestLength;
  uint32_t replySequence;  // the request answered; 0 for "started"
  uint32_t replyLength;
};

inline constexpr uint32_t kSPIHostMagic = 0x4B535048;  // "HPSK"
inline constexpr size_t kSPIHostHeaderSize = 64;
inline constexpr size_t kSPIHostRequestCapacity = 64 * 1024;
// Enough for a full listing: 1024 pairs of two 256-byte ANSI texts, each
// up to three times as long in UTF-8.
inline constexpr size_t kSPIHostReplyCapacity = 2 * 1024 * 1024;
inline constexpr size_t kSPIHostControlSize = kSPIHostHeaderSize + kSPIHostRequestCapacity + kSPIHostReplyCapacity;

// The most file filter and file-type pairs read from a plug-in.
inline constexpr size_t kMaxPluginFormats = 1024;
// The text of one info number: at most this many bytes.
inline constexpr size_t kPluginInfoTextBytes = 256;
// Picture data is handed over with this many zero bytes after it, so that a
// plug-in that reads a little past the data reads zeros.
inline constexpr size_t kPictureDataSlack = 4096;
// The picture's text information (GetPictureInfo): at most this many bytes.
inline constexpr size_t kMaxPictureInfoText = 16 * 1024;
// The largest picture handed back: its information block (a header, masks
// and a colour table), and its bits, at most those of the largest bitmap the
// program takes at 32 bits a pixel.
inline constexpr uint64_t kMaxPictureInfoBytes = 64 * 1024;
inline constexpr uint64_t kMaxPictureBitsBytes = uint64_t{framework::kMaxBitmapPixels} * 4;
// Progress reports carried back per picture; later ones replace the last.
inline constexpr size_t kMaxProgressReports = 64;

enum class SPIHostRequest : uint32_t { Describe = 1, Attempt = 2, Release = 3, PictureInfo = 4 };

// How the host got on with a request.
enum class SPIHostStatus : uint32_t {
  Answered = 0,
  // The library could not be loaded (Describe: nor is it a plug-in then).
  NotLoadable = 1,
  // The library has no GetPluginInfo (Describe only).
  NoPluginInfo = 2,
  // The plug-in wrote past a buffer it was given, through its slack into
  // the guard bytes behind it.
  Overran = 3,
  // The host itself could not go on (out of memory).
  Failed = 4,
};

// The entry points a plug-in exports.
enum SPIEntryPoint : uint32_t {
  kHasIsSupported = 1,
  kHasGetPictureInfo = 2,
  kHasGetPicture = 4,
  kHasGetPreview = 8,
};

// What a plug-in library says of itself. Texts are UTF-8; once read by the
// program they hold no "|" and no control character.
struct SPIDescription {
  SPIHostStatus status = SPIHostStatus::Answered;
  uint32_t entryPoints = 0;
  std::string version;      // info number 0, "" when absent
  std::string description;  // info number 1
  // (file filter, file-type name) for info numbers 2k+2, 2k+3
  std::vector<std::pair<std::string, std::string>> formats;
};

// The numbers of GetPictureInfo's record.
struct SPIPictureFields {
  int32_t left = 0, top = 0, width = 0, height = 0;
  uint16_t xDensity = 0, yDensity = 0, colorDepth = 0;
};

// What one attempt of an import plug-in on the data gave: IsSupported,
// then GetPictureInfo, then GetPicture.
struct SPIAttemptReply {
  SPIHostStatus status = SPIHostStatus::Answered;
  bool supported = false;
  bool infoValid = false;  // GetPictureInfo answered 0
  SPIPictureFields picture;
  std::string infoText;  // the plug-in's text information, UTF-8
  int32_t pictureAnswer = -1;
  // GetPicture answered 0 but its handles cannot be taken: null, the same
  // handle twice, or one that does not lock.
  bool handlesRefused = false;
  std::vector<std::pair<int32_t, int32_t>> progress;  // (number, denominator)
  // The picture: a section in the host holding the information block, then
  // the bits.
  uint64_t dibSection = 0;
  uint64_t infoBytes = 0;
  uint64_t bitsBytes = 0;
};

// What IsSupported, then GetPictureInfo said of the data: the picture's
// numbers without its pixels.
struct SPIInfoReply {
  SPIHostStatus status = SPIHostStatus::Answered;
  bool supported = false;
  bool infoValid = false;  // GetPictureInfo answered 0
  SPIPictureFields picture;
};

// A message read past its end, or a count beyond its limit.
struct EBadMessage {};

class MessageWriter {
 public:
  void U32(uint32_t v);
  void U64(uint64_t v);
  void Text(std::string_view text);
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

class MessageReader {
 public:
  explicit MessageReader(std::string_view bytes) : bytes_(bytes) {}
  // Each raises EBadMessage when the message ends first.
  uint32_t U32();
  uint64_t U64();
  // A text of at most maxBytes bytes.
  std::string Text(size_t maxBytes);
  // Raises EBadMessage unless the whole message was read.
  void End() const;

 private:
  std::string_view Take(size_t n);
  std::string_view bytes_;
  size_t at_ = 0;
};

// A plug-in's text as it may stand in a list: every "|" (the separator of
// filter texts) and every control character becomes "_".
std::string PluginListText(std::string_view text);

std::string DescribeRequest(const std::string& pluginPath);
std::string ReleaseRequest(const std::string& pluginPath);
// The data lies at offset in the section the host knows as dataSection, of
// sectionBytes bytes in all; fileName (ANSI) is handed to IsSupported.
// reuseReply: the program holds no view of an earlier picture from this
// host, which may then write the picture where it wrote the last one.
std::string AttemptRequest(const std::string& pluginPath, const std::string& ansiFileName, uint64_t dataSection,
                           uint64_t sectionBytes, uint64_t offset, uint64_t length, bool reuseReply);

// The same data for IsSupported and GetPictureInfo alone.
std::string PictureInfoRequest(const std::string& pluginPath, const std::string& ansiFileName, uint64_t dataSection,
                               uint64_t sectionBytes, uint64_t offset, uint64_t length);

// The fields of an attempt or a picture-info request.
struct SPIAttemptRequest {
  std::string pluginPath;
  std::string ansiFileName;
  uint64_t dataSection = 0, sectionBytes = 0, offset = 0, length = 0;
  bool reuseReply = false;  // an attempt's (AttemptRequest)
};

// The request's kind; the rest of the message stays in reader.
SPIHostRequest ReadRequestKind(MessageReader& reader);
SPIAttemptRequest ReadAttemptRequest(MessageReader& reader);

std::string WriteDescription(const SPIDescription& description);
// Raises EBadMessage. The texts are made list-safe (PluginListText).
SPIDescription ReadDescription(std::string_view message);

std::string WriteInfoReply(const SPIInfoReply& reply);
// Raises EBadMessage.
SPIInfoReply ReadInfoReply(std::string_view message);

std::string WriteAttemptReply(const SPIAttemptReply& reply);
// Raises EBadMessage.
SPIAttemptReply ReadAttemptReply(std::string_view message);

}  // namespace kaleidon
