#pragma once
// One image plug-in: a library (*.spi) that follows the published Susie
// plug-in API, as the program knows it. The library itself is loaded and
// called only in the plug-in host process (spihost.h); the object holds what
// the plug-in said of itself (API version tag, description, pairs of file
// filter and file-type name) and makes its calls through the host. Its
// class is chosen from the version tag (CreateSPI).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "framework/base/exception.h"
#include "plugins/spicache.h"
#include "plugins/spihost.h"

namespace kaleidon {

// The library has no GetPluginInfo, or an import plug-in lacks one of its
// required entry points.
class ESPIInvalidSPI : public framework::Exception {
 public:
  using Exception::Exception;
};

// The library cannot be loaded.
class ESPIFOpenErrorSPI : public framework::Exception {
 public:
  using Exception::Exception;
};

// A second plug-in collection was made.
class ESPIDupCreateSPIs : public framework::Exception {
 public:
  using Exception::Exception;
};

// A plug-in of any API version tag: its self-description.
class TSPI {
 public:
  // Has the host load and describe the library. Raises ESPIFOpenErrorSPI
  // when it cannot be loaded, ESPIInvalidSPI when it has no GetPluginInfo,
  // ESPIHostFailure when it takes the host down while it is read and
  // ESPIHostUnavailable when no host starts.
  explicit TSPI(const std::string& fileName, std::shared_ptr<SPIHost> host = SharedSPIHost());
  // From a description made before (by the host, or kept in the format
  // cache); the host loads the library when it is first called. Raises as
  // the other constructor for a description of a library that is none.
  TSPI(const std::string& fileName, const SPIDescription& described, std::shared_ptr<SPIHost> host);
  // The host lets the library go.
  virtual ~TSPI();
  TSPI(const TSPI&) = delete;
  TSPI& operator=(const TSPI&) = delete;

  // The library's full path (the given name when it has none).
  const std::string& FileName() const { return fileName_; }
  const std::string& Version() const { return described_.version; }
  const std::string& Description() const { return described_.description; }
  // Entry k of Filters is a file filter ("*.ext"), entry k of FileTypes the
  // name of its file type; both lists are always as long, and no entry holds
  // "|" or a control character.
  const std::vector<std::string>& Filters() const { return filters_; }
  const std::vector<std::string>& FileTypes() const { return fileTypes_; }
  const SPIDescription& Described() const { return described_; }
  // Which file the plug-in was made from; nothing when it cannot be read.
  const std::optional<SPIFileStamp>& Stamp() const { return stamp_; }

  // A plug-in set aside is not called again in this run (TSPIs::SetAside).
  bool IsSetAside() const { return setAside_; }
  void MarkSetAside() { setAside_ = true; }

 protected:
  SPIHost& Host() const { return *host_; }
  // ESPIInvalidSPI for this library.
  [[noreturn]] void RaiseInvalidSPI() const;

 private:
  std::shared_ptr<SPIHost> host_;
  std::string fileName_;
  SPIDescription described_;
  std::optional<SPIFileStamp> stamp_;
  std::vector<std::string> filters_;
  std::vector<std::string> fileTypes_;
  bool setAside_ = false;
};

// An import plug-in (tag "00IN"): reads pictures.
class TInSPI : public TSPI {
 public:
  // Raise as TSPI's, and ESPIInvalidSPI when IsSupported, GetPictureInfo or
  // GetPicture is missing; GetPreview may be missing.
  explicit TInSPI(const std::string& fileName, std::shared_ptr<SPIHost> host = SharedSPIHost());
  TInSPI(const std::string& fileName, const SPIDescription& described, std::shared_ptr<SPIHost> host);

  // One attempt on length bytes of the data at offset, in the host:
  // IsSupported (told ansiFileName), GetPictureInfo, GetPicture. Raises
  // ESPIHostFailure when the plug-in takes a new host down too, and
  // ESPIHostUnavailable when no host starts or the picture cannot go over.
  SPIAttempt Attempt(const std::string& ansiFileName, const SPISharedData& data, uint64_t offset,
                     uint64_t length) const;
  // IsSupported and GetPictureInfo alone, in the host, raising as Attempt.
  SPIInfoReply PictureInfo(const std::string& ansiFileName, const SPISharedData& data, uint64_t offset,
                           uint64_t length) const;

 private:
  void CheckEntryPoints() const;
};

// Tag "00XN".
class TXnSPI : public TSPI {
 public:
  using TSPI::TSPI;
};

// Tag "00AM".
class TAmSPI : public TSPI {
 public:
  using TSPI::TSPI;
};

// A plug-in class as a value: how to make one, and whether an object is of
// the class or a descendant.
struct TSPIClass {
  std::unique_ptr<TSPI> (*create)(const std::string& fileName, const SPIDescription& described,
                                  std::shared_ptr<SPIHost> host);
  bool (*isInstance)(const TSPI& spi);
};

template <class T>
TSPIClass SPIClassOf() {
  return {[](const std::string& fileName, const SPIDescription& described,
             std::shared_ptr<SPIHost> host) -> std::unique_ptr<TSPI> {
            return std::make_unique<T>(fileName, described, std::move(host));
          },
          [](const TSPI& spi) {
            if constexpr (std::is_same_v<T, TSPI>)
              return true;
            else
              return dynamic_cast<const T*>(&spi) != nullptr;
          }};
}

// The class a version tag selects (compared exactly): "00IN" TInSPI, "00AM"
// TAmSPI, "00XN" TXnSPI, anything else TSPI.
TSPIClass SPIClassForVersion(const std::string& version);

// A new plug-in object of the class its tag selects, or null when the file
// is not a usable plug-in (cannot be loaded, or lacks a required entry
// point). Other exceptions (ESPIHostFailure, ESPIHostUnavailable) go on to
// the caller. The first asks the shared host for the description.
std::unique_ptr<TSPI> CreateSPI(const std::string& fileName);
std::unique_ptr<TSPI> CreateSPI(const std::string& fileName, const SPIDescription& described,
                                std::shared_ptr<SPIHost> host);

// The full path of a plug-in file, as the host is told it (the given name
// when the system makes none of it).
std::string SPIFullPath(const std::string& fileName);

}  // namespace kaleidon
