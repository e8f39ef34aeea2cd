#include "plugins/spihostprotocol.h"

namespace kaleidon {

namespace {

// UTF-8 of an ANSI text grows at most threefold.
constexpr size_t kInfoTextUtf8Bytes = 3 * kPluginInfoTextBytes;
constexpr size_t kPictureTextUtf8Bytes = 3 * kMaxPictureInfoText;
constexpr size_t kPathBytes = 3 * 32768;

// A reply's status, one of those the host gives.
SPIHostStatus ReadStatus(MessageReader& r) {
  const uint32_t status = r.U32();
  if (status > static_cast<uint32_t>(SPIHostStatus::Failed)) throw EBadMessage{};
  return static_cast<SPIHostStatus>(status);
}

}  // namespace

void MessageWriter::U32(uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes_ += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void MessageWriter::U64(uint64_t v) {
  U32(static_cast<uint32_t>(v));
  U32(static_cast<uint32_t>(v >> 32));
}

void MessageWriter::Text(std::string_view text) {
  U32(static_cast<uint32_t>(text.size()));
  bytes_.append(text);
}

std::string_view MessageReader::Take(size_t n) {
  if (n > bytes_.size() - at_) throw EBadMessage{};
  std::string_view taken = bytes_.substr(at_, n);
  at_ += n;
  return taken;
}

uint32_t MessageReader::U32() {
  std::string_view b = Take(4);
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[static_cast<size_t>(i)]);
  return v;
}

uint64_t MessageReader::U64() {
  uint64_t low = U32();
  return low | static_cast<uint64_t>(U32()) << 32;
}

std::string MessageReader::Text(size_t maxBytes) {
  uint32_t n = U32();
  if (n > maxBytes) throw EBadMessage{};
  return std::string(Take(n));
}

void MessageReader::End() const {
  if (at_ != bytes_.size()) throw EBadMessage{};
}

std::string PluginListText(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == '|' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
  return out;
}

std::string DescribeRequest(const std::string& pluginPath) {
  MessageWriter w;
  w.U32(static_cast<uint32_t>(SPIHostRequest::Describe));
  w.Text(pluginPath);
  return w.Bytes();
}

std::string ReleaseRequest(const std::string& pluginPath) {
  MessageWriter w;
  w.U32(static_cast<uint32_t>(SPIHostRequest::Release));
  w.Text(pluginPath);
  return w.Bytes();
}

namespace {

std::string DataRequest(SPIHostRequest kind, const std::string& pluginPath, const std::string& ansiFileName,
                        uint64_t dataSection, uint64_t sectionBytes, uint64_t offset, uint64_t length,
                        bool reuseReply) {
  MessageWriter w;
  w.U32(static_cast<uint32_t>(kind));
  w.Text(pluginPath);
  w.Text(ansiFileName);
  w.U64(dataSection);
  w.U64(sectionBytes);
  w.U64(offset);
  w.U64(length);
  w.U32(reuseReply);
  return w.Bytes();
}

// A flag of a reply: 0 or 1.
bool ReadFlag(MessageReader& r) {
  const uint32_t v = r.U32();
  if (v > 1) throw EBadMessage{};
  return v == 1;
}

void WritePicture(MessageWriter& w, const SPIPictureFields& p) {
  for (int32_t v : {p.left, p.top, p.width, p.height}) w.U32(static_cast<uint32_t>(v));
  for (uint16_t v : {p.xDensity, p.yDensity, p.colorDepth}) w.U32(v);
}

SPIPictureFields ReadPicture(MessageReader& r) {
  SPIPictureFields p;
  for (int32_t* v : {&p.left, &p.top, &p.width, &p.height}) *v = static_cast<int32_t>(r.U32());
  for (uint16_t* v : {&p.xDensity, &p.yDensity, &p.colorDepth}) {
    uint32_t n = r.U32();
    if (n > 0xFFFF) throw EBadMessage{};
    *v = static_cast<uint16_t>(n);
  }
  return p;
}

// What every reply of a plug-in's answer begins with: how the call went,
// whether the plug-in knows the data, and the picture's numbers.
template <class Reply>
void WriteReplyHead(MessageWriter& w, const Reply& a) {
  w.U32(static_cast<uint32_t>(a.status));
  w.U32(a.supported);
  w.U32(a.infoValid);
  WritePicture(w, a.picture);
}

template <class Reply>
void ReadReplyHead(MessageReader& r, Reply& a) {
  a.status = ReadStatus(r);
  a.supported = ReadFlag(r);
  a.infoValid = ReadFlag(r);
  a.picture = ReadPicture(r);
}

}  // namespace

std::string AttemptRequest(const std::string& pluginPath, const std::string& ansiFileName, uint64_t dataSection,
                           uint64_t sectionBytes, uint64_t offset, uint64_t length, bool reuseReply) {
  return DataRequest(SPIHostRequest::Attempt, pluginPath, ansiFileName, dataSection, sectionBytes, offset, length,
                     reuseReply);
}

std::string PictureInfoRequest(const std::string& pluginPath, const std::string& ansiFileName, uint64_t dataSection,
                               uint64_t sectionBytes, uint64_t offset, uint64_t length) {
  return DataRequest(SPIHostRequest::PictureInfo, pluginPath, ansiFileName, dataSection, sectionBytes, offset,
                     length, false);
}

SPIHostRequest ReadRequestKind(MessageReader& reader) { return static_cast<SPIHostRequest>(reader.U32()); }

SPIAttemptRequest ReadAttemptRequest(MessageReader& reader) {
  SPIAttemptRequest r;
  r.pluginPath = reader.Text(kPathBytes);
  r.ansiFileName = reader.Text(kPathBytes);
  r.dataSection = reader.U64();
  r.sectionBytes = reader.U64();
  r.offset = reader.U64();
  r.length = reader.U64();
  r.reuseReply = reader.U32() != 0;
  reader.End();
  if (r.offset > r.sectionBytes || r.length > r.sectionBytes - r.offset) throw EBadMessage{};
  return r;
}

std::string WriteDescription(const SPIDescription& d) {
  MessageWriter w;
  w.U32(static_cast<uint32_t>(d.status));
  w.U32(d.entryPoints);
  w.Text(d.version);
  w.Text(d.description);
  w.U32(static_cast<uint32_t>(d.formats.size()));
  for (const auto& [filter, fileType] : d.formats) {
    w.Text(filter);
    w.Text(fileType);
  }
  return w.Bytes();
}

SPIDescription ReadDescription(std::string_view message) {
  MessageReader r(message);
  SPIDescription d;
  d.status = ReadStatus(r);
  d.entryPoints = r.U32();
  d.version = PluginListText(r.Text(kInfoTextUtf8Bytes));
  d.description = PluginListText(r.Text(kInfoTextUtf8Bytes));
  const uint32_t count = r.U32();
  if (count > kMaxPluginFormats) throw EBadMessage{};
  d.formats.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    std::string filter = PluginListText(r.Text(kInfoTextUtf8Bytes));
    d.formats.emplace_back(std::move(filter), PluginListText(r.Text(kInfoTextUtf8Bytes)));
  }
  r.End();
  return d;
}

std::string WriteInfoReply(const SPIInfoReply& a) {
  MessageWriter w;
  WriteReplyHead(w, a);
  return w.Bytes();
}

SPIInfoReply ReadInfoReply(std::string_view message) {
  MessageReader r(message);
  SPIInfoReply a;
  ReadReplyHead(r, a);
  r.End();
  // Numbers only where GetPictureInfo was asked and answered.
  if (a.infoValid && !a.supported) throw EBadMessage{};
  return a;
}

std::string WriteAttemptReply(const SPIAttemptReply& a) {
  MessageWriter w;
  WriteReplyHead(w, a);
  w.Text(a.infoText);
  w.U32(static_cast<uint32_t>(a.pictureAnswer));
  w.U32(a.handlesRefused);
  w.U32(static_cast<uint32_t>(a.progress.size()));
  for (const auto& [number, denominator] : a.progress) {
    w.U32(static_cast<uint32_t>(number));
    w.U32(static_cast<uint32_t>(denominator));
  }
  w.U64(a.dibSection);
  w.U64(a.infoBytes);
  w.U64(a.bitsBytes);
  return w.Bytes();
}

SPIAttemptReply ReadAttemptReply(std::string_view message) {
  MessageReader r(message);
  SPIAttemptReply a;
  ReadReplyHead(r, a);
  a.infoText = r.Text(kPictureTextUtf8Bytes);
  a.pictureAnswer = static_cast<int32_t>(r.U32());
  a.handlesRefused = ReadFlag(r);
  const uint32_t reports = r.U32();
  if (reports > kMaxProgressReports) throw EBadMessage{};
  for (uint32_t i = 0; i < reports; ++i) {
    int32_t number = static_cast<int32_t>(r.U32());
    a.progress.emplace_back(number, static_cast<int32_t>(r.U32()));
  }
  a.dibSection = r.U64();
  a.infoBytes = r.U64();
  a.bitsBytes = r.U64();
  r.End();
  // A picture comes with its section, and only after GetPicture said 0.
  const bool picture = a.pictureAnswer == 0 && !a.handlesRefused;
  if (picture != (a.dibSection != 0) || (picture && a.infoBytes == 0)) throw EBadMessage{};
  return a;
}

}  // namespace kaleidon
