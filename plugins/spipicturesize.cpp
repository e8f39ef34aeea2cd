#include "plugins/spipicturesize.h"

#include <vector>

#include "framework/base/bounded.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/imaging/bitmap.h"
#include "framework/imaging/graphics.h"
#include "plugins/spibitmap.h"
#include "plugins/spis.h"

namespace kaleidon {

namespace {

enum class Told { Size, KnowsTheData, Nothing };

// One plug-in on the data as a load tries it: the data, then the data
// without the header a second attempt skips.
Told Ask(const TInSPI& spi, const std::string& ansiName, const SPISharedData& data, uint64_t bytes,
         SPIPictureSize& size) {
  bool knows = false;
  for (const uint64_t skip : {uint64_t{0}, uint64_t{kSPIHeaderRetrySkip}}) {
    if (skip && bytes <= skip) break;
    const SPIInfoReply reply = spi.PictureInfo(ansiName, data, skip, bytes - skip);
    if (reply.status != SPIHostStatus::Answered || !reply.supported) continue;
    knows = true;
    const SPIPictureFields& p = reply.picture;
    if (reply.infoValid && p.width > 0 && p.height > 0) {
      size = {p.width, p.height};
      return Told::Size;
    }
  }
  return knows ? Told::KnowsTheData : Told::Nothing;
}

// The first of the plug-ins to tell the size; those that know the data but
// told none are added to knowing.
std::optional<SPIPictureSize> AskEach(TSPIs& spis, const std::vector<TSPI*>& plugins, const std::string& ansiName,
                                      std::string_view data, std::vector<TSPI*>* knowing) {
  std::optional<SPISharedData> shared;
  for (TSPI* spi : plugins) {
    if (spi->IsSetAside()) continue;
    try {
      if (!shared) shared.emplace(data);
      SPIPictureSize size;
      switch (Ask(static_cast<const TInSPI&>(*spi), ansiName, *shared, data.size(), size)) {
        case Told::Size:
          return size;
        case Told::KnowsTheData:
          if (knowing) knowing->push_back(spi);
          break;
        case Told::Nothing:
          break;
      }
    } catch (const ESPIHostFailure&) {
      // It took a new host down too: as in a load, the picture is not read.
      spis.SetAside(*spi);
      return std::nullopt;
    } catch (const ESPIHostUnavailable&) {
      // No host, or the data could not go over: the next ones may tell.
    } catch (const framework::Exception&) {
      return std::nullopt;  // no memory to hand the data over
    }
  }
  return std::nullopt;
}

}  // namespace

bool LoadsThroughPlugins(const std::string& fileName) {
  const std::optional<framework::FileFormat> format =
      framework::Picture::FindFileFormat(framework::PictureExtension(fileName));
  return format && format->kind == kSPIBitmapKind;
}

std::optional<SPIPictureSize> ReadSPIPictureSize(const std::string& path, std::string_view start, bool whole) {
  TSPIs* spis = GlobalSPIs();
  if (!spis) return std::nullopt;
  std::vector<TSPI*> plugins;
  spis->FindSPIs({SPIClassOf<TInSPI>()}, plugins, framework::ExtractFileExt(path));
  const std::string ansiName = framework::ToAnsi(path);
  std::vector<TSPI*> knowing;
  if (std::optional<SPIPictureSize> size = AskEach(*spis, plugins, ansiName, start, whole ? nullptr : &knowing))
    return size;
  if (knowing.empty()) return std::nullopt;
  // Its header reaches further than the first bytes (a TIFF's directory at
  // the end of the file, say).
  try {
    const std::optional<std::string> all = framework::ReadUserFile(path, framework::kMaxPictureFileBytes);
    return all ? AskEach(*spis, knowing, ansiName, *all, nullptr) : std::nullopt;
  } catch (const framework::Exception&) {
    return std::nullopt;  // too large to be a picture the program reads
  }
}

}  // namespace kaleidon
