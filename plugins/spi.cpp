#include "plugins/spi.h"

#include <windows.h>

#include "framework/base/paths.h"
#include "framework/base/text.h"

namespace kaleidon {

namespace {

constexpr const char* kLoadFailed = "%s:Susie Pluginがロードできませんでした";
constexpr const char* kNotAPlugin = "%s:認識できないSusie Pluginです";

}  // namespace

std::string SPIFullPath(const std::string& fileName) {
  const std::wstring name = framework::Widen(fileName);
  DWORD n = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  std::wstring full(n, L'\0');
  n = n ? GetFullPathNameW(name.c_str(), n, full.data(), nullptr) : 0;
  if (n == 0 || n >= full.size()) return fileName;
  full.resize(n);
  return framework::Narrow(full);
}

TSPI::TSPI(const std::string& fileName, std::shared_ptr<SPIHost> host)
    : TSPI(fileName, host->Describe(SPIFullPath(fileName)), host) {}

TSPI::TSPI(const std::string& fileName, const SPIDescription& described, std::shared_ptr<SPIHost> host)
    : host_(std::move(host)), fileName_(SPIFullPath(fileName)), described_(described), stamp_(ReadFileStamp(fileName_)) {
  if (described_.status != SPIHostStatus::Answered) {
    // No object, and no library left loaded in the host.
    host_->Release(fileName_);
    if (described_.status == SPIHostStatus::NotLoadable)
      throw ESPIFOpenErrorSPI(framework::FormatText(kLoadFailed, {fileName}));
    RaiseInvalidSPI();
  }
  for (const auto& [filter, fileType] : described_.formats) {
    filters_.push_back(filter);
    fileTypes_.push_back(fileType);
  }
}

TSPI::~TSPI() { host_->Release(fileName_); }

void TSPI::RaiseInvalidSPI() const { throw ESPIInvalidSPI(framework::FormatText(kNotAPlugin, {fileName_})); }

TInSPI::TInSPI(const std::string& fileName, std::shared_ptr<SPIHost> host) : TSPI(fileName, std::move(host)) {
  CheckEntryPoints();
}

TInSPI::TInSPI(const std::string& fileName, const SPIDescription& described, std::shared_ptr<SPIHost> host)
    : TSPI(fileName, described, std::move(host)) {
  CheckEntryPoints();
}

void TInSPI::CheckEntryPoints() const {
  constexpr uint32_t kRequired = kHasIsSupported | kHasGetPictureInfo | kHasGetPicture;
  if ((Described().entryPoints & kRequired) != kRequired) RaiseInvalidSPI();
}

SPIAttempt TInSPI::Attempt(const std::string& ansiFileName, const SPISharedData& data, uint64_t offset,
                           uint64_t length) const {
  return Host().Attempt(FileName(), ansiFileName, data, offset, length);
}

SPIInfoReply TInSPI::PictureInfo(const std::string& ansiFileName, const SPISharedData& data, uint64_t offset,
                                 uint64_t length) const {
  return Host().PictureInfo(FileName(), ansiFileName, data, offset, length);
}

TSPIClass SPIClassForVersion(const std::string& version) {
  if (version == "00IN") return SPIClassOf<TInSPI>();
  if (version == "00AM") return SPIClassOf<TAmSPI>();
  if (version == "00XN") return SPIClassOf<TXnSPI>();
  return SPIClassOf<TSPI>();
}

std::unique_ptr<TSPI> CreateSPI(const std::string& fileName) {
  std::shared_ptr<SPIHost> host = SharedSPIHost();
  return CreateSPI(fileName, host->Describe(SPIFullPath(fileName)), host);
}

std::unique_ptr<TSPI> CreateSPI(const std::string& fileName, const SPIDescription& described,
                                std::shared_ptr<SPIHost> host) {
  try {
    return SPIClassForVersion(described.version).create(fileName, described, std::move(host));
  } catch (const ESPIInvalidSPI&) {
    return nullptr;
  } catch (const ESPIFOpenErrorSPI&) {
    return nullptr;
  }
}

}  // namespace kaleidon
