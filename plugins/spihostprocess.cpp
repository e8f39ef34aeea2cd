// The plug-in host process: waits for the program's requests, loads the
// plug-ins they name and calls them. It ends when the program ends, and at
// once, without a box, when a plug-in crashes it.
#include <windows.h>

#include <cstring>
#include <map>
#include <new>

#include "framework/base/exception.h"
#include "plugins/dib.h"
#include "plugins/spihost.h"
#include "plugins/spilibrary.h"

namespace kaleidon {

namespace {

LONG WINAPI EndAtOnce(EXCEPTION_POINTERS* exception) {
  TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

// Ends the host when the program has ended, even while a plug-in hangs.
DWORD WINAPI WatchProgram(void* program) {
  WaitForSingleObject(static_cast<HANDLE>(program), INFINITE);
  TerminateProcess(GetCurrentProcess(), 0);
  return 0;
}

HANDLE HandleArgument(const std::wstring& text) {
  wchar_t* end = nullptr;
  unsigned long long value = wcstoull(text.c_str(), &end, 10);
  if (text.empty() || *end != L'\0') return nullptr;
  return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
}

// The plug-ins loaded so far, by the path the program names them with.
class Libraries {
 public:
  // The library at path, loaded when it is not yet; null when it cannot be.
  SPILibrary* Get(const std::string& path) {
    auto found = loaded_.find(path);
    if (found != loaded_.end()) return found->second.get();
    auto library = std::make_unique<SPILibrary>(path);
    if (!library->Loaded()) return nullptr;
    return (loaded_[path] = std::move(library)).get();
  }
  void Release(const std::string& path) { loaded_.erase(path); }

 private:
  std::map<std::string, std::unique_ptr<SPILibrary>> loaded_;
};

std::string Describe(Libraries& libraries, const std::string& path) {
  SPILibrary* library = libraries.Get(path);
  return WriteDescription(library ? library->Describe() : SPIDescription{SPIHostStatus::NotLoadable});
}

// The largest picture whose section the host keeps from one reply to the
// next; a larger one goes in a section of its own.
constexpr uint64_t kKeptReplyBytes = 64ull << 20;
// How long the host keeps it without a request: a picture comes rarely
// once the program waits for its next change.
constexpr DWORD kReplyKeptMs = 10000;

// The section of the last picture, kept with its pages: a new section for
// every picture costs more than the picture's copy itself. The program is
// handed a handle of its own to it each time, and says in its next request
// whether it still reads it; when it does, the next picture goes into a new
// one.
class ReplySection {
 public:
  ReplySection() = default;
  ReplySection(const ReplySection&) = delete;
  ReplySection& operator=(const ReplySection&) = delete;
  ~ReplySection() { Drop(); }

  // Room for bytes, mapped: the kept section when reuse allows and it is
  // large enough, else a new one (kept when not too large). Null when no
  // section can be made.
  char* Room(uint64_t bytes, bool reuse) {
    if (!(reuse && section_ && bytes <= capacity_)) {
      Drop();
      section_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, static_cast<DWORD>(bytes >> 32),
                                    static_cast<DWORD>(bytes), nullptr);
      view_ = section_ ? MapViewOfFile(section_, FILE_MAP_WRITE, 0, 0, 0) : nullptr;
      if (!view_) {
        Drop();
        return nullptr;
      }
      capacity_ = bytes;
    }
    return static_cast<char*>(view_);
  }

  bool Holding() const { return section_ != nullptr; }
  // Lets the section go, with its memory.
  void Drop() {
    if (view_) UnmapViewOfFile(view_);
    if (section_) CloseHandle(section_);
    view_ = section_ = nullptr;
    capacity_ = 0;
  }

  // A handle to the section for the program to take over. The host lets go
  // of a section too large to keep.
  HANDLE HandOut() {
    HANDLE handed = nullptr;
    if (capacity_ > kKeptReplyBytes) {
      UnmapViewOfFile(view_);
      handed = section_;
      view_ = section_ = nullptr;
      capacity_ = 0;
      return handed;
    }
    if (!DuplicateHandle(GetCurrentProcess(), section_, GetCurrentProcess(), &handed, 0, FALSE, DUPLICATE_SAME_ACCESS))
      return nullptr;
    return handed;
  }

 private:
  HANDLE section_ = nullptr;
  void* view_ = nullptr;
  uint64_t capacity_ = 0;
};

// The picture's blocks go into the reply section, which the program takes
// over from this process. A picture as its header declares it goes without
// what the blocks hold beyond it (one the header does not describe goes as it
// is, for the program to refuse); a picture beyond the limits goes not at
// all.
void Deliver(std::string_view info, std::string_view bits, SPIAttemptReply& reply, ReplySection& room, bool reuse) {
  try {
    const PluginDib dib = ReadPluginDib(info, bits);
    info = dib.info;
    bits = dib.bits;
  } catch (const framework::Exception&) {
  }
  if (info.size() > kMaxPictureInfoBytes || bits.size() > kMaxPictureBitsBytes) {
    reply.status = SPIHostStatus::Failed;
    return;
  }
  const uint64_t bytes = uint64_t{info.size()} + bits.size();
  char* view = room.Room(bytes, reuse);
  if (!view) throw std::bad_alloc();
  std::memcpy(view, info.data(), info.size());
  std::memcpy(view + info.size(), bits.data(), bits.size());
  HANDLE handed = room.HandOut();
  if (!handed) throw std::bad_alloc();
  reply.dibSection = reinterpret_cast<uintptr_t>(handed);
  reply.infoBytes = info.size();
  reply.bitsBytes = bits.size();
}

// The request's data, mapped copy-on-write, so a plug-in that writes into
// its input changes nothing of the program's. The section is this process's
// to close. Null when it cannot be mapped.
MappedView MapData(const SPIAttemptRequest& request) {
  HANDLE section = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(request.dataSection));
  void* view = MapViewOfFile(section, FILE_MAP_COPY, 0, 0, static_cast<SIZE_T>(request.sectionBytes));
  CloseHandle(section);
  return MappedView(view);
}

std::string PictureInfo(Libraries& libraries, const SPIAttemptRequest& request) {
  const MappedView mapped = MapData(request);
  if (!mapped) return WriteInfoReply(SPIInfoReply{SPIHostStatus::Failed});
  SPILibrary* library = libraries.Get(request.pluginPath);
  if (!library) return WriteInfoReply(SPIInfoReply{SPIHostStatus::NotLoadable});
  const char* data = static_cast<const char*>(mapped.get()) + request.offset;
  return WriteInfoReply(library->PictureInfo(request.ansiFileName, data, static_cast<size_t>(request.length)));
}

std::string Attempt(Libraries& libraries, ReplySection& room, const SPIAttemptRequest& request) {
  const MappedView mapped = MapData(request);
  if (!mapped) return WriteAttemptReply(SPIAttemptReply{SPIHostStatus::Failed});
  void* view = mapped.get();
  SPILibrary* library = libraries.Get(request.pluginPath);
  if (!library) return WriteAttemptReply(SPIAttemptReply{SPIHostStatus::NotLoadable});
  const char* data = static_cast<const char*>(view) + request.offset;
  try {
    return WriteAttemptReply(library->Attempt(
        request.ansiFileName, data, static_cast<size_t>(request.length),
        [&room, &request](std::string_view info, std::string_view bits, SPIAttemptReply& reply) {
          Deliver(info, bits, reply, room, request.reuseReply);
        }));
  } catch (const std::bad_alloc&) {
    // A picture too large for this process: unreadable, nobody's fault.
    return WriteAttemptReply(SPIAttemptReply{SPIHostStatus::Failed});
  }
}

std::string Answer(Libraries& libraries, ReplySection& room, std::string_view message) {
  MessageReader reader(message);
  switch (ReadRequestKind(reader)) {
    case SPIHostRequest::Describe: {
      std::string path = reader.Text(kSPIHostRequestCapacity);
      reader.End();
      return Describe(libraries, path);
    }
    case SPIHostRequest::Attempt:
      return Attempt(libraries, room, ReadAttemptRequest(reader));
    case SPIHostRequest::PictureInfo:
      return PictureInfo(libraries, ReadAttemptRequest(reader));
    case SPIHostRequest::Release: {
      std::string path = reader.Text(kSPIHostRequestCapacity);
      reader.End();
      libraries.Release(path);
      MessageWriter w;
      w.U32(static_cast<uint32_t>(SPIHostStatus::Answered));
      return w.Bytes();
    }
  }
  throw EBadMessage{};
}

}  // namespace

int RunSPIHost(const std::vector<std::wstring>& args) {
  if (args.size() != 4) return 2;
  HANDLE control = HandleArgument(args[0]), requestReady = HandleArgument(args[1]),
         replyReady = HandleArgument(args[2]), program = HandleArgument(args[3]);
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(EndAtOnce);
  HANDLE watcher = CreateThread(nullptr, 64 * 1024, WatchProgram, program, 0, nullptr);
  if (!watcher) return 2;
  CloseHandle(watcher);
  void* view = MapViewOfFile(control, FILE_MAP_WRITE, 0, 0, kSPIHostControlSize);
  if (!view) return 2;
  auto* header = static_cast<SPIHostHeader*>(view);
  char* requestArea = static_cast<char*>(view) + kSPIHostHeaderSize;
  char* replyArea = requestArea + kSPIHostRequestCapacity;
  if (header->magic != kSPIHostMagic) return 2;
  header->replySequence = 0;
  SetEvent(replyReady);

  Libraries libraries;
  ReplySection room;
  for (;;) {
    const DWORD woke = WaitForSingleObject(requestReady, room.Holding() ? kReplyKeptMs : INFINITE);
    if (woke == WAIT_TIMEOUT) {
      room.Drop();
      continue;
    }
    if (woke != WAIT_OBJECT_0) return 2;
    const uint32_t sequence = header->requestSequence;
    const uint32_t length = header->requestLength;
    std::string answer;
    try {
      if (length > kSPIHostRequestCapacity) throw EBadMessage{};
      answer = Answer(libraries, room, std::string(requestArea, length));
    } catch (...) {
      // Out of memory, or a request this host does not know: an answer the
      // program reads as the host's failure.
      answer.clear();
    }
    if (answer.size() > kSPIHostReplyCapacity) answer.clear();
    std::memcpy(replyArea, answer.data(), answer.size());
    header->replyLength = static_cast<uint32_t>(answer.size());
    MemoryBarrier();
    header->replySequence = sequence;
    SetEvent(replyReady);
  }
}

}  // namespace kaleidon
