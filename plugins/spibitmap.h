#pragma once
// TSPIBitmap: the bitmap whose loading also tries the import plug-ins of
// the program's plug-in collection. It is the graphic class registered for
// every plug-in file type, so the picture class yields one for those files,
// and the rest of the program treats it as the plain bitmap it is.
//
// The loading itself is done by a companion, TInSPIAble: the bitmap's own
// BMP reader and the plug-ins are tried in an order that depends on the
// file's extension; each plug-in is tried on the data, and once more on the
// data without its first 128 bytes (HeaderRetry). The plug-ins run in the
// plug-in host: one that takes a new host down too is set aside, and the
// picture counts as unreadable; when no host starts or the picture cannot
// go over, the next plug-ins and the bitmap's own reader are tried.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "framework/imaging/bitmap.h"
#include "plugins/spi.h"
#include "plugins/spis.h"

namespace kaleidon {

// The kind TSPIBitmap registers its file formats under.
inline constexpr const char* kSPIBitmapKind = "TSPIBitmap";
// The header a second attempt of a plug-in on the data skips.
inline constexpr size_t kSPIHeaderRetrySkip = 128;

// What GetPictureInfo told about one attempt. Valid is false when it
// failed; the other fields then mean nothing.
struct TPictureInfoRec {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  uint16_t XDensity = 0;
  uint16_t YDensity = 0;
  uint16_t ColorDepth = 0;
  std::string Info;  // the plug-in's text information
  bool Valid = false;
};

enum class TProgressStage { psStarting, psRunning, psEnding };

using TProgressEvent = std::function<void(framework::Graphic& sender, TProgressStage stage, int percentDone,
                                          bool redrawNow, const RECT& r, const std::string& msg)>;
// Builds the picture from a plug-in's blocks; result true when it was built.
using TBuildEvent =
    std::function<void(std::string_view info, std::string_view bits, const TPictureInfoRec& record, bool& result)>;

class TSPIBitmap;

class TInSPIAble {
 public:
  explicit TInSPIAble(TSPIBitmap& owner) : Owner(owner) {}
  TInSPIAble(const TInSPIAble&) = delete;
  TInSPIAble& operator=(const TInSPIAble&) = delete;

  // The loads. Each raises framework::EInvalidGraphic when neither way reads
  // the data; an exception inside a plug-in attempt ends the load with it.
  void LoadFromFile(const std::string& fileName);
  void LoadFromStream(std::string_view data);
  void LoadFromNamedStream(std::string_view data, const std::string& fileName);

  TSPIBitmap& Owner;
  std::string FileExt;   // ".ext" of the file being loaded; "" without a name
  std::string FileName;  // "" without a name
  std::string NativeExt = "BMP";
  std::function<void(const std::string& fileName)> BaseLoadFromFile;
  std::function<void(std::string_view data)> BaseLoadFromStream;
  TBuildEvent OnBuild;
  std::function<void(TProgressStage stage, int percentDone, bool redrawNow, const RECT& r, const std::string& msg)>
      OnProgress;
  bool HeaderRetry = true;

 private:
  bool TryNative(std::string_view data);
  // The data of a load, with the section that holds it when it was read
  // straight into one.
  void Load(std::string_view data, const SPISharedData* shared);
  bool TrySPIs(std::string_view data, const SPISharedData* shared);
  bool TrySPI(const TInSPI& spi, const SPISharedData& data, uint64_t size);
  bool TryBuffer(const TInSPI& spi, const SPISharedData& data, uint64_t offset, uint64_t length);
  // One progress report of the plug-in, passed on to OnProgress.
  void SPIProgress(int number, int denominator);
};

class TSPIBitmap : public framework::Bitmap {
 public:
  TSPIBitmap();
  TSPIBitmap(const TSPIBitmap& other);
  TSPIBitmap& operator=(const TSPIBitmap& other);
  ~TSPIBitmap() override;

  // Copies the picture, and HeaderRetry when source is a TSPIBitmap.
  void Assign(const framework::Bitmap& source);

  void LoadFromFile(const std::string& path) override;
  // The stream load: data is the whole content, without a file name.
  void LoadFromBytes(std::string_view bytes) override;
  virtual void LoadFromNamedStream(std::string_view bytes, const std::string& fileName);

  // Makes the picture from a plug-in's blocks, through the bitmap's own BMP
  // reader. Raises framework::EInvalidGraphic for blocks that do not fit.
  void BuildFromDIB(std::string_view info, std::string_view bits, const TPictureInfoRec& record, bool& result);

  bool HeaderRetry = true;
  // Fired while a plug-in decodes.
  TProgressEvent OnProgress;

  // The graphic class registered for plug-in file types.
  static TGraphicClass GraphicClass();

 private:
  void Progress(TProgressStage stage, int percentDone, bool redrawNow, const RECT& r, const std::string& msg);
  void MakeCompanion();

  std::unique_ptr<TInSPIAble> companion_;
};

}  // namespace kaleidon
