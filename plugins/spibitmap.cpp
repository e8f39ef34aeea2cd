#include "plugins/spibitmap.h"

#include <optional>

#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/imaging/bmpcodec.h"
#include "plugins/dib.h"

namespace kaleidon {

namespace {

constexpr const char* kUnreadable = "認識できない画像形式です";

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
  // Read straight into the memory the plug-ins' host is handed; a file that
  // cannot be read so goes the bitmap's way, which says why.
  const std::optional<SPISharedData> shared = SPISharedData::ReadFile(fileName, framework::kMaxPictureFileBytes);
  if (!shared) return BaseLoadFromFile(fileName);  // comes back through the owner's stream load
  Load(shared->Data(), &*shared);
}

void TInSPIAble::LoadFromNamedStream(std::string_view data, const std::string& fileName) {
  FileExt = framework::ExtractFileExt(fileName);
  FileName = fileName;
  ForgetName forget{*this};
  LoadFromStream(data);
}

void TInSPIAble::LoadFromStream(std::string_view data) { Load(data, nullptr); }

void TInSPIAble::Load(std::string_view data, const SPISharedData* shared) {
  bool nativeFirst =
      FileExt.empty() || framework::AsciiUpper(std::string_view(FileExt).substr(1)) == framework::AsciiUpper(NativeExt);
  bool read = nativeFirst ? TryNative(data) || TrySPIs(data, shared) : TrySPIs(data, shared) || TryNative(data);
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

bool TInSPIAble::TrySPIs(std::string_view data, const SPISharedData* shared) {
  TSPIs* spis = GlobalSPIs();
  if (!spis) return false;
  std::vector<TSPI*> candidates;
  spis->FindSPIs({SPIClassOf<TInSPI>()}, candidates, FileExt);
  // The data goes to the host once, for every attempt of this load.
  std::optional<SPISharedData> copied;
  for (TSPI* spi : candidates) {
    if (spi->IsSetAside()) continue;
    if (!shared) {
      try {
        shared = &copied.emplace(data);
      } catch (const framework::Exception&) {
        return false;  // no memory to hand the data over: the plug-ins cannot read it
      }
    }
    try {
      if (TrySPI(static_cast<const TInSPI&>(*spi), *shared, data.size())) return true;
    } catch (const ESPIHostFailure&) {
      // It took a new host down too.
      spis->SetAside(*spi);
      throw framework::EInvalidGraphic(kUnreadable);
    } catch (const ESPIHostUnavailable&) {
      // No host, or the picture could not go over: not this plug-in's doing,
      // and the next ones may read it.
    }
  }
  return false;
}

bool TInSPIAble::TrySPI(const TInSPI& spi, const SPISharedData& data, uint64_t size) {
  if (TryBuffer(spi, data, 0, size)) return true;
  return HeaderRetry && size > kSPIHeaderRetrySkip &&
         TryBuffer(spi, data, kSPIHeaderRetrySkip, size - kSPIHeaderRetrySkip);
}

bool TInSPIAble::TryBuffer(const TInSPI& spi, const SPISharedData& data, uint64_t offset, uint64_t length) {
  const SPIAttempt attempt = spi.Attempt(framework::ToAnsi(FileName), data, offset, length);
  const SPIAttemptReply& reply = attempt.reply;
  if (!reply.supported || reply.status != SPIHostStatus::Answered) return false;

  TPictureInfoRec record;
  if (reply.infoValid) {
    const SPIPictureFields& p = reply.picture;
    record = {p.left, p.top, p.width, p.height, p.xDensity, p.yDensity, p.colorDepth, reply.infoText, true};
  }
  // What the plug-in reported while it decoded; an exception of the
  // handler ends the load.
  for (const auto& [number, denominator] : reply.progress) SPIProgress(number, denominator);
  if (reply.pictureAnswer != 0) return false;
  if (reply.handlesRefused) throw framework::EInvalidGraphic(kUnreadable);
  bool result = false;
  OnBuild(attempt.Info(), attempt.Bits(), record, result);
  return result;
}

void TInSPIAble::SPIProgress(int number, int denominator) {
  if (!OnProgress) return;
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
  OnProgress(stage, percent, redraw, RECT{0, 0, 0, 0}, std::string());
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
  PluginDib dib = ReadPluginDib(info, bits);
  framework::DecodeDib(dib.info, dib.bits, *this);
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
