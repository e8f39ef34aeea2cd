#include "plugins/spibitmap.h"

#include <array>
#include <climits>
#include <cstring>
#include <utility>

#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "plugins/dib.h"

namespace kaleidon {

namespace {

constexpr const char* kUnreadable = "認識できない画像形式です";
// IsSupported may read this many bytes of the data.
constexpr size_t kLeastReadable = 2048;
// The header a second attempt skips.
constexpr size_t kRetrySkip = 128;

// A local-memory block received from a plug-in: locked while it is read,
// then unlocked and released once, on every path.
class LocalBlock {
 public:
  explicit LocalBlock(HLOCAL handle) : handle_(handle) {
    if (!handle_) return;
    data_ = LocalLock(handle_);
    if (data_) size_ = LocalSize(handle_);
  }
  ~LocalBlock() {
    if (!handle_) return;
    if (data_) LocalUnlock(handle_);
    LocalFree(handle_);
  }
  LocalBlock(const LocalBlock&) = delete;
  LocalBlock& operator=(const LocalBlock&) = delete;

  bool Locked() const { return data_ != nullptr; }
  std::string_view View() const { return {static_cast<const char*>(data_), data_ ? size_ : 0}; }

 private:
  HLOCAL handle_;
  void* data_ = nullptr;
  size_t size_ = 0;
};

// The text of a plug-in's information block: up to its first NUL within the
// block, or all of it. The block is released.
std::string LocalText(HLOCAL handle) {
  LocalBlock block(handle);
  std::string_view text = block.View();
  return framework::FromAnsi(text.substr(0, text.find('\0')));
}

// Scope guard that forgets the name of the file being loaded.
struct ForgetName {
  TInSPIAble& self;
  ~ForgetName() {
    self.FileExt.clear();
    self.FileName.clear();
  }
};

}  // namespace

void TInSPIAble::LoadFromFile(const std::string& fileName) {
  FileExt = framework::ExtractFileExt(fileName);
  FileName = fileName;
  ForgetName forget{*this};
  BaseLoadFromFile(fileName);  // comes back through the owner's stream load
}

void TInSPIAble::LoadFromNamedStream(std::string_view data, const std::string& fileName) {
  FileExt = framework::ExtractFileExt(fileName);
  FileName = fileName;
  ForgetName forget{*this};
  LoadFromStream(data);
}

void TInSPIAble::LoadFromStream(std::string_view data) {
  bool nativeFirst =
      FileExt.empty() || framework::AsciiUpper(std::string_view(FileExt).substr(1)) == framework::AsciiUpper(NativeExt);
  bool read = nativeFirst ? TryNative(data) || TrySPIs(data) : TrySPIs(data) || TryNative(data);
  if (!read) throw framework::EInvalidGraphic(kUnreadable);
}

bool TInSPIAble::TryNative(std::string_view data) {
  if (!BaseLoadFromStream) return false;
  try {
    BaseLoadFromStream(data);
    return true;
  } catch (const framework::Exception&) {
    return false;
  }
}

bool TInSPIAble::TrySPIs(std::string_view data) {
  TSPIs* spis = GlobalSPIs();
  if (!spis) return false;
  std::vector<TSPI*> candidates;
  spis->FindSPIs({SPIClassOf<TInSPI>()}, candidates, FileExt);
  for (TSPI* spi : candidates)
    if (TrySPI(static_cast<const TInSPI&>(*spi), data)) return true;
  return false;
}

bool TInSPIAble::TrySPI(const TInSPI& spi, std::string_view data) {
  if (TryBuffer(spi, data.data(), data.size())) return true;
  return HeaderRetry && data.size() > kRetrySkip && TryBuffer(spi, data.data() + kRetrySkip, data.size() - kRetrySkip);
}

bool TInSPIAble::TryBuffer(const TInSPI& spi, const char* data, size_t length) {
  if (length > static_cast<size_t>(LONG_MAX)) return false;
  const LONG len = static_cast<LONG>(length);
  // Short data is handed over padded with zeros, so that the plug-in may
  // look at the first 2048 bytes; the length stays the data's own.
  std::array<char, kLeastReadable> scratch{};
  if (length < scratch.size()) {
    if (length) std::memcpy(scratch.data(), data, length);
    data = scratch.data();
  }
  const std::string name = framework::ToAnsi(FileName);
  if (spi.IsSupported(name.c_str(), reinterpret_cast<DWORD_PTR>(data)) == 0) return false;

  TPictureInfoRec record;
  SPIPictureInfo info{};
  if (spi.GetPictureInfo(data, len, kSPIInputMemory, &info) == 0) {
    record.Left = info.left;
    record.Top = info.top;
    record.Width = info.width;
    record.Height = info.height;
    record.XDensity = info.xDensity;
    record.YDensity = info.yDensity;
    record.ColorDepth = static_cast<uint16_t>(info.colorDepth);
    if (info.info) record.Info = LocalText(info.info);
    record.Valid = true;
  }

  HLOCAL infoHandle = nullptr, bitsHandle = nullptr;
  progressError_ = nullptr;
  int answer = spi.GetPicture(data, len, kSPIInputMemory, &infoHandle, &bitsHandle, &SPIProgress,
                              reinterpret_cast<LONG_PTR>(this));
  if (answer != 0) {
    if (progressError_) std::rethrow_exception(std::exchange(progressError_, nullptr));
    return false;
  }
  LocalBlock infoBlock(infoHandle), bitsBlock(bitsHandle);
  if (progressError_) std::rethrow_exception(std::exchange(progressError_, nullptr));
  if (!infoBlock.Locked() || !bitsBlock.Locked()) throw framework::EInvalidGraphic(kUnreadable);
  bool result = false;
  OnBuild(infoBlock.View(), bitsBlock.View(), record, result);
  return result;
}

int WINAPI TInSPIAble::SPIProgress(int number, int denominator, LONG_PTR user) {
  auto* self = reinterpret_cast<TInSPIAble*>(user);
  if (!self || !self->OnProgress || self->progressError_) return 0;
  TProgressStage stage = TProgressStage::psRunning;
  int percent = 0;
  bool redraw = false;
  if (number == 0) {
    stage = TProgressStage::psStarting;
  } else if (number == denominator) {
    stage = TProgressStage::psEnding;
    percent = 100;
    redraw = true;
  } else {
    percent = MulDiv(number, 100, denominator);
  }
  // Nothing may unwind through the plug-in's code: an exception waits until
  // GetPicture has returned.
  try {
    self->OnProgress(stage, percent, redraw, RECT{0, 0, 0, 0}, std::string());
  } catch (...) {
    self->progressError_ = std::current_exception();
  }
  return 0;
}

TSPIBitmap::TSPIBitmap() { MakeCompanion(); }

TSPIBitmap::TSPIBitmap(const TSPIBitmap& other) : Bitmap(other), HeaderRetry(other.HeaderRetry) { MakeCompanion(); }

TSPIBitmap& TSPIBitmap::operator=(const TSPIBitmap& other) {
  Assign(other);
  return *this;
}

TSPIBitmap::~TSPIBitmap() = default;

void TSPIBitmap::MakeCompanion() {
  companion_ = std::make_unique<TInSPIAble>(*this);
  companion_->BaseLoadFromFile = [this](const std::string& fileName) { Bitmap::LoadFromFile(fileName); };
  companion_->BaseLoadFromStream = [this](std::string_view data) { Bitmap::LoadFromBytes(data); };
  companion_->OnBuild = [this](std::string_view info, std::string_view bits, const TPictureInfoRec& record,
                               bool& result) { BuildFromDIB(info, bits, record, result); };
  companion_->OnProgress = [this](TProgressStage stage, int percent, bool redraw, const RECT& r,
                                  const std::string& msg) { Progress(stage, percent, redraw, r, msg); };
}

void TSPIBitmap::Assign(const framework::Bitmap& source) {
  if (auto* spiBitmap = dynamic_cast<const TSPIBitmap*>(&source)) HeaderRetry = spiBitmap->HeaderRetry;
  if (&source != this) Bitmap::operator=(source);
}

void TSPIBitmap::LoadFromFile(const std::string& path) {
  companion_->HeaderRetry = HeaderRetry;
  companion_->LoadFromFile(path);
}

void TSPIBitmap::LoadFromBytes(std::string_view bytes) {
  companion_->HeaderRetry = HeaderRetry;
  companion_->LoadFromStream(bytes);
}

void TSPIBitmap::LoadFromNamedStream(std::string_view bytes, const std::string& fileName) {
  companion_->HeaderRetry = HeaderRetry;
  companion_->LoadFromNamedStream(bytes, fileName);
}

void TSPIBitmap::BuildFromDIB(std::string_view info, std::string_view bits, const TPictureInfoRec&, bool& result) {
  PluginDib dib = ComposeBmpFromDib(info, bits);
  Bitmap::LoadFromBytes(dib.bmpFile);
  // A 16-colour picture takes its palette from the plug-in's colour table.
  if (dib.bitCount == 4 && !dib.colorTable.empty()) SetPalette(dib.colorTable);
  result = true;
}

void TSPIBitmap::Progress(TProgressStage stage, int percentDone, bool redrawNow, const RECT& r,
                          const std::string& msg) {
  if (OnProgress) OnProgress(*this, stage, percentDone, redrawNow, r, msg);
}

TGraphicClass TSPIBitmap::GraphicClass() {
  return {kSPIBitmapKind, [] { return std::make_unique<TSPIBitmap>(); }};
}

}  // namespace kaleidon
