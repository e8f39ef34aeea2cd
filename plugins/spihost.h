#pragma once
// The plug-in host: the program's own executable started once more with
// kSPIHostSwitch, so of the program's own bitness, which loads the image
// plug-ins and makes every call into them. A plug-in that crashes, hangs or
// writes where it must not ends the host, never the program.
//
// SPIHost is the program's side. It starts the host on its first request
// and keeps it for the next ones; a host that ended, crashed, ran past the
// bound of a request or answered garbage is ended. A request that failed so
// is made once more on a new host (a host ended from outside is no plug-in's
// doing), unless it ran past its bound; when it fails again it raises
// ESPIHostFailure. Every step of a request goes to the one host it started
// on: a host that ends between two steps fails the request.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/base/exception.h"
#include "plugins/spihostprotocol.h"

namespace kaleidon {

// The plug-in that was being called took the host down: it crashed, hung
// past the bound, wrote into the guard bytes, or the host answered garbage.
class ESPIHostFailure : public framework::Exception {
 public:
  explicit ESPIHostFailure(std::string message, bool hung = false) : Exception(std::move(message)), hung_(hung) {}
  // It ran past the bound of its request.
  bool Hung() const { return hung_; }

 private:
  bool hung_;
};

// No host could be started, or the picture could not be handed to it; no
// plug-in is to blame.
class ESPIHostUnavailable : public framework::Exception {
 public:
  using Exception::Exception;
};

// The first argument that makes the program a plug-in host.
inline constexpr const wchar_t* kSPIHostSwitch = L"/SPIHOST";

// How long a request may take: listing a plug-in's formats (or releasing
// it), and reading a picture.
inline constexpr DWORD kSPIListingBoundMs = 2000;
inline constexpr DWORD kSPIPictureBoundMs = 10000;

// Closes a kernel handle once.
struct HandleClose {
  void operator()(HANDLE h) const {
    if (h) CloseHandle(h);
  }
};
using UniqueHandle = std::unique_ptr<void, HandleClose>;

// Unmaps a view once.
struct ViewUnmap {
  void operator()(void* view) const {
    if (view) UnmapViewOfFile(view);
  }
};
using MappedView = std::unique_ptr<void, ViewUnmap>;

// Picture data in a section of its own, with kPictureDataSlack zero bytes
// after it, to be handed to the host for every attempt of one load.
class SPISharedData {
 public:
  // A copy of data. Raises framework::Exception when no section can be made.
  explicit SPISharedData(std::string_view data);
  // Its section is kept for the next picture (Make).
  ~SPISharedData();
  // The file at path read straight into the section, so that a picture
  // file is not copied once more on its way to the host. Nothing when the
  // file cannot be read whole, is larger than limit bytes, or no section
  // can be made; a file that does not answer within the read bound, or is
  // not on the disk, raises framework::EFileUnreachable.
  static std::optional<SPISharedData> ReadFile(const std::string& path, uint64_t limit);
  SPISharedData(SPISharedData&&) = default;
  SPISharedData& operator=(SPISharedData&&) = default;

  HANDLE Section() const { return section_.get(); }
  uint64_t SectionBytes() const { return bytes_; }
  // The data itself, as the program reads it.
  std::string_view Data() const { return {static_cast<const char*>(view_.get()), static_cast<size_t>(dataBytes_)}; }

 private:
  static std::optional<SPISharedData> ReadFileNow(const std::string& path, uint64_t limit);
  SPISharedData() = default;
  // A section for bytes of data, mapped; false when none can be made.
  bool Make(uint64_t bytes);

  UniqueHandle section_;
  MappedView view_;
  uint64_t capacity_ = 0;  // the section's size
  uint64_t bytes_ = 0;
  uint64_t dataBytes_ = 0;
};

// What an attempt gave, with the picture's blocks mapped from the host's
// section while this object lives.
class SPIAttempt {
 public:
  SPIAttemptReply reply;
  std::string_view Info() const;
  std::string_view Bits() const;

 private:
  friend class SPIHost;
  MappedView view_;
  // Shared with the host object while the view lives (SPIHost::replyViews_).
  std::shared_ptr<const int> held_;
};

class SPIHost {
 public:
  SPIHost();
  ~SPIHost();
  SPIHost(const SPIHost&) = delete;
  SPIHost& operator=(const SPIHost&) = delete;

  // The plug-in at pluginPath (a full path) as the host loaded and read it.
  SPIDescription Describe(const std::string& pluginPath);
  // One attempt of the plug-in on length bytes of data at offset.
  // ansiFileName is what IsSupported is told.
  SPIAttempt Attempt(const std::string& pluginPath, const std::string& ansiFileName, const SPISharedData& data,
                     uint64_t offset, uint64_t length);
  // IsSupported and GetPictureInfo of the plug-in on length bytes of data at
  // offset: the picture's numbers, with no pixel decoded. Bounded, retried
  // and raising as Attempt.
  SPIInfoReply PictureInfo(const std::string& pluginPath, const std::string& ansiFileName, const SPISharedData& data,
                           uint64_t offset, uint64_t length);
  // The host lets the library go (it loads it again when asked again).
  void Release(const std::string& pluginPath);

  // The host process running now, or 0.
  DWORD ProcessId() const;

 private:
  struct Running;
  bool Alive() const;
  // The host running now, started when there is none.
  Running& Start();
  void End();
  // Sends a request to that host and waits for its reply, at most boundMs.
  std::string Call(Running& host, const std::string& request, DWORD boundMs);
  SPIDescription DescribeOnce(const std::string& pluginPath);
  SPIAttempt AttemptOnce(const std::string& pluginPath, const std::string& ansiFileName, const SPISharedData& data,
                         uint64_t offset, uint64_t length);
  SPIInfoReply PictureInfoOnce(const std::string& pluginPath, const std::string& ansiFileName,
                               const SPISharedData& data, uint64_t offset, uint64_t length);
  // The data's section duplicated into that host, to be read only; its
  // handle there.
  uint64_t HandOver(Running& host, const SPISharedData& data);
  // Ends the host and raises ESPIHostFailure.
  [[noreturn]] void Fail(const char* what, bool hung = false);

  std::unique_ptr<Running> running_;
  uint32_t sequence_ = 0;
  // Held by every attempt whose picture is mapped: while one is, the host
  // must not write the next picture where it wrote the last.
  std::shared_ptr<const int> replyViews_ = std::make_shared<const int>(0);
};

// The host the program's plug-ins share; made on first use, ended when the
// last plug-in object that uses it goes.
std::shared_ptr<SPIHost> SharedSPIHost();

// The executable started as the host: the program's own, unless a test names
// the built program (an empty path restores the program's own).
void SetSPIHostProgram(const std::string& path);

// The host process itself: args are the command line's arguments after the
// switch. Returns the exit code.
int RunSPIHost(const std::vector<std::wstring>& args);

}  // namespace kaleidon
