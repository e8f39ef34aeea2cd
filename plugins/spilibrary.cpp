#include "plugins/spilibrary.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "framework/base/paths.h"
#include "framework/base/text.h"

namespace kaleidon {

namespace {

// GetPluginInfo is told one byte less than its buffer holds.
constexpr int kInfoLength = static_cast<int>(kPluginInfoTextBytes) - 1;
// Slack behind each buffer: a record packed to 32 bytes, a text a few bytes
// too long, a plug-in that writes its whole buffer and the NUL behind it.
constexpr size_t kSlack = 256;
constexpr size_t kGuardBytes = 64;
constexpr unsigned char kGuardByte = 0xA5;

// A buffer handed to a plug-in: the bytes it may use, slack, then guard bytes
// that must still hold their pattern after the call.
class GuardedBuffer {
 public:
  explicit GuardedBuffer(size_t size) : size_(size), bytes_(size + kSlack + kGuardBytes, '\0') {
    std::memset(bytes_.data() + size + kSlack, kGuardByte, kGuardBytes);
  }
  char* Data() { return bytes_.data(); }
  void Clear() { std::memset(bytes_.data(), 0, size_); }
  bool Intact() const {
    for (size_t i = size_ + kSlack; i < bytes_.size(); ++i)
      if (static_cast<unsigned char>(bytes_[i]) != kGuardByte) return false;
    return true;
  }

 private:
  size_t size_;
  std::vector<char> bytes_;
};

// Loads a plug-in library by its full path. The libraries it needs come
// from its own folder and the program's safe search places (program folder,
// system folders), never from the working folder.
HMODULE LoadPluginLibrary(const std::string& path) {
  std::wstring name = framework::Widen(path);
  DWORD flags = LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;
  if (!framework::ExtractFilePath(path).empty()) flags |= LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR;
  // A file that is no library must not bring up a system error box.
  DWORD oldMode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
  HMODULE module = LoadLibraryExW(name.c_str(), nullptr, flags);
  // A loader without the search flags (Windows 7 before its 2011 update)
  // refuses them; there the working folder is already out of the search.
  if (!module && GetLastError() == ERROR_INVALID_PARAMETER) module = LoadLibraryW(name.c_str());
  SetThreadErrorMode(oldMode, nullptr);
  return module;
}

template <typename Proc>
Proc Bind(HMODULE module, const char* exportName) {
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, exportName)));
}

// A local-memory block a plug-in handed over, locked while it is read.
class LockedBlock {
 public:
  explicit LockedBlock(HLOCAL handle) : handle_(handle), data_(LocalLock(handle)) {
    if (data_) size_ = LocalSize(handle);
  }
  ~LockedBlock() {
    if (data_) LocalUnlock(handle_);
  }
  LockedBlock(const LockedBlock&) = delete;
  LockedBlock& operator=(const LockedBlock&) = delete;
  bool Locked() const { return data_ != nullptr; }
  std::string_view View() const { return {static_cast<const char*>(data_), size_}; }

 private:
  HLOCAL handle_;
  void* data_;
  size_t size_ = 0;
};

// Frees the handles a plug-in handed over, each once: two equal handles are
// one block.
class HandedOver {
 public:
  HandedOver(HLOCAL first, HLOCAL second = nullptr) : first_(first), second_(second == first ? nullptr : second) {}
  ~HandedOver() {
    if (first_) LocalFree(first_);
    if (second_) LocalFree(second_);
  }
  HandedOver(const HandedOver&) = delete;
  HandedOver& operator=(const HandedOver&) = delete;

 private:
  HLOCAL first_, second_;
};

// The text of a picture's information block, up to its first NUL.
std::string BlockText(HLOCAL handle) {
  LockedBlock block(handle);
  std::string_view text = block.View();
  text = text.substr(0, std::min(text.find('\0'), kMaxPictureInfoText));
  return framework::FromAnsi(text);
}

// The progress reports of the GetPicture call running now. The callback
// does not trust the user value it is handed back: a plug-in may have cut
// it to 32 bits.
class ProgressLog {
 public:
  ProgressLog() { current_ = this; }
  ~ProgressLog() { current_ = nullptr; }
  ProgressLog(const ProgressLog&) = delete;
  ProgressLog& operator=(const ProgressLog&) = delete;

  std::vector<std::pair<int32_t, int32_t>> reports;

  // Called by the plug-in: lets no exception out into its frames.
  static int WINAPI Report(int number, int denominator, LONG_PTR) noexcept {
    if (!current_) return 0;
    std::vector<std::pair<int32_t, int32_t>>& r = current_->reports;
    if (r.size() == kMaxProgressReports) r.pop_back();
    try {
      r.emplace_back(number, denominator);
    } catch (...) {
    }
    return 0;
  }

 private:
  static inline ProgressLog* current_ = nullptr;
};

// IsSupported, then GetPictureInfo when it said yes (its text taken when
// text is given). Data shorter than 2048 bytes is handed over padded with
// zeros in scratch, and data then points there. The status is Overran when
// the plug-in wrote into a guard.
SPIInfoReply Look(IsSupportedProc isSupported, GetPictureInfoProc getPictureInfo, const std::string& fileName,
                  const char*& data, size_t length, GuardedBuffer& scratch, std::string* text) {
  SPIInfoReply reply;
  const LONG len = static_cast<LONG>(length);
  // Short data is handed over padded with zeros, so that the plug-in may
  // look at the first 2048 bytes; the length stays the data's own.
  if (length < kLeastReadable) {
    if (length) std::memcpy(scratch.Data(), data, length);
    data = scratch.Data();
  }
  reply.supported = isSupported(fileName.c_str(), reinterpret_cast<DWORD_PTR>(data)) != 0;
  if (!scratch.Intact()) return SPIInfoReply{SPIHostStatus::Overran};
  if (!reply.supported) return reply;

  GuardedBuffer record(sizeof(SPIPictureInfo));
  const int infoAnswer = getPictureInfo(data, len, kSPIInputMemory, reinterpret_cast<SPIPictureInfo*>(record.Data()));
  if (!record.Intact() || !scratch.Intact()) return SPIInfoReply{SPIHostStatus::Overran};
  SPIPictureInfo info;
  std::memcpy(&info, record.Data(), sizeof info);
  HandedOver handedText(info.info);
  if (infoAnswer == 0) {
    reply.infoValid = true;
    reply.picture = {info.left,     info.top,      info.width, info.height,
                     info.xDensity, info.yDensity, static_cast<uint16_t>(info.colorDepth)};
    if (info.info && text) *text = BlockText(info.info);
  }
  return reply;
}

}  // namespace

SPILibrary::SPILibrary(const std::string& path) : module_(LoadPluginLibrary(path)) {
  if (!module_) return;
  HMODULE m = module_.get();
  getPluginInfo_ = Bind<GetPluginInfoProc>(m, "GetPluginInfo");
  isSupported_ = Bind<IsSupportedProc>(m, "IsSupported");
  getPictureInfo_ = Bind<GetPictureInfoProc>(m, "GetPictureInfo");
  getPicture_ = Bind<GetPictureProc>(m, "GetPicture");
  hasPreview_ = Bind<void (*)()>(m, "GetPreview") != nullptr;
}

SPILibrary::~SPILibrary() = default;

SPIDescription SPILibrary::Describe() {
  SPIDescription d;
  if (!module_) {
    d.status = SPIHostStatus::NotLoadable;
    return d;
  }
  if (!getPluginInfo_) {
    d.status = SPIHostStatus::NoPluginInfo;
    return d;
  }
  auto has = [](bool present, SPIEntryPoint entryPoint) { return present ? uint32_t{entryPoint} : 0u; };
  d.entryPoints = has(isSupported_, kHasIsSupported) | has(getPictureInfo_, kHasGetPictureInfo) |
                  has(getPicture_, kHasGetPicture) | has(hasPreview_, kHasGetPreview);

  GuardedBuffer buffer(kPluginInfoTextBytes);
  bool overran = false;
  // The text of one info number, or nothing when the plug-in has none.
  auto info = [&](int number, std::string& text) {
    buffer.Clear();
    int answer = getPluginInfo_(number, buffer.Data(), kInfoLength);
    if (!buffer.Intact()) overran = true;
    if (overran || answer <= 0) return false;
    text = framework::FromAnsi(std::string_view(buffer.Data(), strnlen(buffer.Data(), kPluginInfoTextBytes)));
    return true;
  };
  info(0, d.version);
  info(1, d.description);
  for (int i = 2; d.formats.size() < kMaxPluginFormats; i += 2) {
    std::string filter, fileType;
    bool hasFilter = info(i, filter);
    bool hasType = info(i + 1, fileType);  // asked even when the filter is missing
    if (!hasFilter || !hasType) break;
    d.formats.emplace_back(std::move(filter), std::move(fileType));
  }
  if (overran) d = SPIDescription{SPIHostStatus::Overran};
  return d;
}

SPIInfoReply SPILibrary::PictureInfo(const std::string& fileName, const char* data, size_t length) {
  if (!isSupported_ || !getPictureInfo_) return SPIInfoReply{SPIHostStatus::NotLoadable};
  if (length > static_cast<size_t>(LONG_MAX)) return {};
  GuardedBuffer scratch(kLeastReadable);
  return Look(isSupported_, getPictureInfo_, fileName, data, length, scratch, nullptr);
}

SPIAttemptReply SPILibrary::Attempt(const std::string& fileName, const char* data, size_t length,
                                    const Delivery& deliver) {
  SPIAttemptReply reply;
  if (!isSupported_ || !getPictureInfo_ || !getPicture_) {
    reply.status = SPIHostStatus::NotLoadable;
    return reply;
  }
  if (length > static_cast<size_t>(LONG_MAX)) return reply;
  const LONG len = static_cast<LONG>(length);
  auto overran = [&reply] {
    reply = SPIAttemptReply{SPIHostStatus::Overran};
    return reply;
  };
  GuardedBuffer scratch(kLeastReadable);
  const SPIInfoReply looked = Look(isSupported_, getPictureInfo_, fileName, data, length, scratch, &reply.infoText);
  if (looked.status == SPIHostStatus::Overran) return overran();
  reply.supported = looked.supported;
  reply.infoValid = looked.infoValid;
  reply.picture = looked.picture;
  if (!reply.supported) return reply;

  // The two handles lie apart in a guarded buffer of their own.
  GuardedBuffer handles(2 * sizeof(uint64_t));
  auto* infoOut = reinterpret_cast<HLOCAL*>(handles.Data());
  auto* bitsOut = reinterpret_cast<HLOCAL*>(handles.Data() + sizeof(uint64_t));
  ProgressLog progress;
  reply.pictureAnswer = getPicture_(data, len, kSPIInputMemory, infoOut, bitsOut, &ProgressLog::Report, 0);
  if (!handles.Intact() || !scratch.Intact()) return overran();
  const HLOCAL infoHandle = *infoOut, bitsHandle = *bitsOut;
  HandedOver blocks(infoHandle, bitsHandle);
  reply.progress = std::move(progress.reports);
  if (reply.pictureAnswer != 0) return reply;
  if (!infoHandle || !bitsHandle || infoHandle == bitsHandle) {
    reply.handlesRefused = true;
    return reply;
  }
  LockedBlock infoBlock(infoHandle), bitsBlock(bitsHandle);
  if (!infoBlock.Locked() || !bitsBlock.Locked() || infoBlock.View().empty()) {
    reply.handlesRefused = true;
    return reply;
  }
  deliver(infoBlock.View(), bitsBlock.View(), reply);
  return reply;
}

}  // namespace kaleidon
