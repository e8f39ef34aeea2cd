#include "plugins/spihost.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "framework/base/bounded.h"
#include "framework/base/text.h"
#include "framework/imaging/bitmap.h"

namespace kaleidon {

namespace {

// Starting a process is not the plug-ins' doing: a slow start is waited
// for, and a start that fails blames no plug-in.
constexpr DWORD kStartBoundMs = 30000;

std::string& HostProgramOverride() {
  static std::string path;
  return path;
}

std::wstring HostProgram() {
  if (!HostProgramOverride().empty()) return framework::Widen(HostProgramOverride());
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) return path.substr(0, n);
    path.resize(path.size() * 2);
  }
}

HANDLE NewSection(uint64_t bytes) {
  return CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, static_cast<DWORD>(bytes >> 32),
                            static_cast<DWORD>(bytes), nullptr);
}

// An inheritable copy of handle with no more than the access given.
UniqueHandle Inheritable(HANDLE handle, DWORD access) {
  HANDLE copy = nullptr;
  DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, access, TRUE, 0);
  return UniqueHandle(copy);
}

// The memory a host may commit: a picture's data, the plug-in's work and the
// picture it hands back, each as large as the limits allow.
constexpr SIZE_T kHostMemoryBound = static_cast<SIZE_T>(4 * framework::kMaxPictureFileBytes);

// A job that ends the host when the program ends (its handle closes with the
// program, however it ends), bounds its memory and lets a crash end it
// without a box. Null where the system gives none.
UniqueHandle HostJob() {
  UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
  if (!job) return job;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags =
      JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION | JOB_OBJECT_LIMIT_PROCESS_MEMORY;
  limits.ProcessMemoryLimit = kHostMemoryBound;
  if (!SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) job.reset();
  return job;
}

// The list of exactly the handles a process started is to inherit.
class InheritedHandles {
 public:
  explicit InheritedHandles(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    if (size == 0) return;
    buffer_.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
    if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                   handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
      DeleteProcThreadAttributeList(list);
      return;
    }
    list_ = list;
  }
  ~InheritedHandles() {
    if (list_) DeleteProcThreadAttributeList(list_);
  }
  InheritedHandles(const InheritedHandles&) = delete;
  InheritedHandles& operator=(const InheritedHandles&) = delete;
  // Null where the system takes no such list.
  LPPROC_THREAD_ATTRIBUTE_LIST List() const { return list_; }

 private:
  std::vector<HANDLE> handles_;
  std::vector<char> buffer_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// Whether every page of size bytes from view is committed and readable.
bool Readable(const void* view, size_t size) {
  constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                              PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  const char* at = static_cast<const char*>(view);
  const char* end = at + size;
  while (at < end) {
    MEMORY_BASIC_INFORMATION region{};
    if (VirtualQuery(at, &region, sizeof region) != sizeof region) return false;
    if (region.State != MEM_COMMIT || !(region.Protect & kReadable) || (region.Protect & PAGE_GUARD)) return false;
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= at) return false;
    at = next;
  }
  return true;
}

std::wstring HandleArgument(const UniqueHandle& h) {
  return std::to_wstring(static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(h.get())));
}

}  // namespace

namespace {

// The largest section of picture data kept for the next picture.
constexpr uint64_t kSpareDataBytes = 32ull << 20;

// The section of the last picture handed over, kept for the next one: a new
// section for every picture costs about as much as reading the picture into
// it. Its pages are given back meanwhile (they stay the section's), so that
// it holds no memory while the program waits. Pictures are read on any
// thread.
struct SpareData {
  SRWLOCK lock = SRWLOCK_INIT;
  UniqueHandle section;
  MappedView view;
  uint64_t capacity = 0;
};
SpareData& Spare() {
  static SpareData* spare = new SpareData;  // outlives the reads still running at exit
  return *spare;
}

}  // namespace

bool SPISharedData::Make(uint64_t bytes) {
  dataBytes_ = bytes;
  bytes_ = bytes + kPictureDataSlack;
  if (bytes_ > SIZE_MAX) return false;
  SpareData& spare = Spare();
  AcquireSRWLockExclusive(&spare.lock);
  if (spare.section && spare.capacity >= bytes_) {
    section_ = std::move(spare.section);
    view_ = std::move(spare.view);
    capacity_ = std::exchange(spare.capacity, 0);
  }
  ReleaseSRWLockExclusive(&spare.lock);
  if (view_) {
    // Zeros after the data, whatever the last picture left there.
    std::memset(static_cast<char*>(view_.get()) + dataBytes_, 0, kPictureDataSlack);
    return true;
  }
  section_.reset(NewSection(bytes_));
  view_.reset(section_ ? MapViewOfFile(section_.get(), FILE_MAP_WRITE, 0, 0, 0) : nullptr);
  capacity_ = bytes_;
  return view_ != nullptr;
}

SPISharedData::~SPISharedData() {
  if (!view_ || capacity_ > kSpareDataBytes) return;
  VirtualAlloc(view_.get(), static_cast<SIZE_T>(capacity_), MEM_RESET, PAGE_READWRITE);
  SpareData& spare = Spare();
  AcquireSRWLockExclusive(&spare.lock);
  if (spare.capacity < capacity_) {
    spare.section = std::move(section_);
    spare.view = std::move(view_);
    spare.capacity = capacity_;
  }
  ReleaseSRWLockExclusive(&spare.lock);
}

SPISharedData::SPISharedData(std::string_view data) {
  if (!Make(data.size())) throw framework::Exception("画像を渡すメモリが足りません");
  if (!data.empty()) std::memcpy(view_.get(), data.data(), data.size());
}

std::optional<SPISharedData> SPISharedData::ReadFile(const std::string& path, uint64_t limit) {
  // A user's file, which may never answer (see framework/base/bounded.h).
  return framework::ReadUserFileWith(path, [limit](const std::string& file) { return ReadFileNow(file, limit); });
}

std::optional<SPISharedData> SPISharedData::ReadFileNow(const std::string& path, uint64_t limit) {
  HANDLE file = CreateFileW(framework::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  const UniqueHandle owned(file);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart < 0 || static_cast<uint64_t>(size.QuadPart) > limit)
    return std::nullopt;
  SPISharedData shared;
  if (!shared.Make(static_cast<uint64_t>(size.QuadPart))) return std::nullopt;
  char* at = static_cast<char*>(shared.view_.get());
  for (uint64_t left = shared.dataBytes_; left > 0;) {
    DWORD got = 0;
    const DWORD ask = static_cast<DWORD>(std::min<uint64_t>(left, 1u << 30));
    if (!::ReadFile(file, at, ask, &got, nullptr) || got == 0) return std::nullopt;  // shrank meanwhile
    at += got;
    left -= got;
  }
  return shared;
}

std::string_view SPIAttempt::Info() const {
  return {static_cast<const char*>(view_.get()), static_cast<size_t>(reply.infoBytes)};
}

std::string_view SPIAttempt::Bits() const {
  return {static_cast<const char*>(view_.get()) + reply.infoBytes, static_cast<size_t>(reply.bitsBytes)};
}

// A host process and what the program shares with it.
struct SPIHost::Running {
  UniqueHandle job;  // declared first: closed last, it ends the host
  UniqueHandle process;
  DWORD processId = 0;
  UniqueHandle control, requestReady, replyReady;
  MappedView view;

  SPIHostHeader& Header() const { return *static_cast<SPIHostHeader*>(view.get()); }
  char* RequestArea() const { return static_cast<char*>(view.get()) + kSPIHostHeaderSize; }
  const char* ReplyArea() const { return RequestArea() + kSPIHostRequestCapacity; }
};

SPIHost::SPIHost() = default;

SPIHost::~SPIHost() { End(); }

DWORD SPIHost::ProcessId() const { return running_ ? running_->processId : 0; }

bool SPIHost::Alive() const { return running_ && WaitForSingleObject(running_->process.get(), 0) == WAIT_TIMEOUT; }

SPIHost::Running& SPIHost::Start() {
  if (Alive()) return *running_;
  End();  // one that ended since its last request
  auto r = std::make_unique<Running>();
  r->control.reset(NewSection(kSPIHostControlSize));
  r->requestReady.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  r->replyReady.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (r->control) r->view.reset(MapViewOfFile(r->control.get(), FILE_MAP_WRITE, 0, 0, 0));
  HANDLE self = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self, SYNCHRONIZE, FALSE, 0);
  UniqueHandle program(self);
  if (!r->view || !r->requestReady || !r->replyReady || !program)
    throw ESPIHostUnavailable("プラグインホストを準備できません");
  r->Header().magic = kSPIHostMagic;
  r->Header().replySequence = UINT32_MAX;

  // The host inherits copies of exactly these handles, each with the access
  // it needs: the control section to read and write, the request event to
  // wait on, the reply event to set, the program to wait on. They are
  // inheritable only for the moment of its start.
  UniqueHandle shared[] = {Inheritable(r->control.get(), FILE_MAP_READ | FILE_MAP_WRITE),
                           Inheritable(r->requestReady.get(), SYNCHRONIZE),
                           Inheritable(r->replyReady.get(), EVENT_MODIFY_STATE),
                           Inheritable(program.get(), SYNCHRONIZE)};
  for (const UniqueHandle& h : shared)
    if (!h) throw ESPIHostUnavailable("プラグインホストを準備できません");
  const std::wstring exe = HostProgram();
  std::wstring commandLine = L"\"" + exe + L"\" " + kSPIHostSwitch;
  for (const UniqueHandle& h : shared) commandLine += L" " + HandleArgument(h);
  const InheritedHandles inherited({shared[0].get(), shared[1].get(), shared[2].get(), shared[3].get()});
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_FORCEOFFFEEDBACK;  // no busy cursor while it starts
  startup.lpAttributeList = inherited.List();
  // Where the system takes no list, the host inherits every inheritable
  // handle of the program, as on systems before the list came.
  DWORD flags = CREATE_SUSPENDED;
  if (inherited.List()) flags |= EXTENDED_STARTUPINFO_PRESENT;
  else startup.StartupInfo.cb = sizeof startup.StartupInfo;
  PROCESS_INFORMATION info{};
  const bool started = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr,
                                      nullptr, &startup.StartupInfo, &info);
  if (!started) throw ESPIHostUnavailable("プラグインホストを起動できません");
  UniqueHandle thread(info.hThread);
  r->process.reset(info.hProcess);
  r->processId = info.dwProcessId;
  // In its job before it runs a single instruction. A program that runs in
  // a job that allows no other (Windows 7) starts its host without one: the
  // host still ends itself when the program ends.
  r->job = HostJob();
  if (r->job && !AssignProcessToJobObject(r->job.get(), r->process.get())) r->job.reset();
  running_ = std::move(r);
  if (ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
    End();
    throw ESPIHostUnavailable("プラグインホストが起動しません");
  }

  // It says "started" with the sequence 0.
  HANDLE waits[] = {running_->replyReady.get(), running_->process.get()};
  DWORD w = WaitForMultipleObjects(2, waits, FALSE, kStartBoundMs);
  if (w != WAIT_OBJECT_0 || running_->Header().replySequence != 0) {
    End();
    throw ESPIHostUnavailable("プラグインホストが起動しません");
  }
  return *running_;
}

void SPIHost::End() {
  if (Alive()) {
    TerminateProcess(running_->process.get(), 1);
    // Gone before the next one starts, its plug-ins with it.
    WaitForSingleObject(running_->process.get(), 5000);
  }
  running_.reset();
}

void SPIHost::Fail(const char* what, bool hung) {
  End();
  throw ESPIHostFailure(what, hung);
}

namespace {

// A request that failed on one host is made once more on a new one, unless
// the plug-in hung: a second wait as long is not worth it.
template <typename Request>
auto Retried(Request request) {
  try {
    return request();
  } catch (const ESPIHostFailure& e) {
    if (e.Hung()) throw;
  }
  return request();
}

}  // namespace

std::string SPIHost::Call(Running& r, const std::string& request, DWORD boundMs) {
  if (request.size() > kSPIHostRequestCapacity) throw ESPIHostUnavailable("プラグインへの依頼が長すぎます");
  if (++sequence_ == 0) ++sequence_;  // 0 is the host's "started"
  std::memcpy(r.RequestArea(), request.data(), request.size());
  r.Header().requestLength = static_cast<uint32_t>(request.size());
  r.Header().requestSequence = sequence_;
  SetEvent(r.requestReady.get());

  HANDLE waits[] = {r.replyReady.get(), r.process.get()};
  switch (WaitForMultipleObjects(2, waits, FALSE, boundMs)) {
    case WAIT_OBJECT_0:
      break;
    case WAIT_TIMEOUT:
      Fail("プラグインが応答しません", true);
    default:
      Fail("プラグインホストが終了しました");
  }
  const SPIHostHeader header = r.Header();
  if (header.magic != kSPIHostMagic || header.replySequence != sequence_ || header.replyLength > kSPIHostReplyCapacity)
    Fail("プラグインホストの応答が壊れています");
  return std::string(r.ReplyArea(), header.replyLength);
}

SPIDescription SPIHost::Describe(const std::string& pluginPath) {
  return Retried([&] { return DescribeOnce(pluginPath); });
}

SPIAttempt SPIHost::Attempt(const std::string& pluginPath, const std::string& ansiFileName, const SPISharedData& data,
                            uint64_t offset, uint64_t length) {
  return Retried([&] { return AttemptOnce(pluginPath, ansiFileName, data, offset, length); });
}

SPIInfoReply SPIHost::PictureInfo(const std::string& pluginPath, const std::string& ansiFileName,
                                  const SPISharedData& data, uint64_t offset, uint64_t length) {
  return Retried([&] { return PictureInfoOnce(pluginPath, ansiFileName, data, offset, length); });
}

uint64_t SPIHost::HandOver(Running& r, const SPISharedData& data) {
  HANDLE remote = nullptr;
  // To be read only (the host maps it copy-on-write).
  if (!DuplicateHandle(GetCurrentProcess(), data.Section(), r.process.get(), &remote, FILE_MAP_READ, FALSE, 0)) {
    if (!Alive()) Fail("プラグインホストが終了しました");
    throw ESPIHostUnavailable("プラグインホストに画像を渡せません");
  }
  return reinterpret_cast<uintptr_t>(remote);
}

SPIInfoReply SPIHost::PictureInfoOnce(const std::string& pluginPath, const std::string& ansiFileName,
                                      const SPISharedData& data, uint64_t offset, uint64_t length) {
  Running& r = Start();
  const uint64_t remote = HandOver(r, data);
  const std::string reply = Call(
      r, PictureInfoRequest(pluginPath, ansiFileName, remote, data.SectionBytes(), offset, length), kSPIPictureBoundMs);
  try {
    SPIInfoReply info = ReadInfoReply(reply);
    if (info.status == SPIHostStatus::Overran) Fail("プラグインがバッファの外に書き込みました");
    return info;
  } catch (const EBadMessage&) {
    Fail("プラグインホストの応答が壊れています");
  }
}

SPIDescription SPIHost::DescribeOnce(const std::string& pluginPath) {
  std::string reply = Call(Start(), DescribeRequest(pluginPath), kSPIListingBoundMs);
  try {
    SPIDescription d = ReadDescription(reply);
    if (d.status == SPIHostStatus::Overran) Fail("プラグインがバッファの外に書き込みました");
    if (d.status == SPIHostStatus::Failed) Fail("プラグインの一覧を読めません");
    return d;
  } catch (const EBadMessage&) {
    Fail("プラグインホストの応答が壊れています");
  }
}

SPIAttempt SPIHost::AttemptOnce(const std::string& pluginPath, const std::string& ansiFileName,
                                const SPISharedData& data, uint64_t offset, uint64_t length) {
  Running& r = Start();
  // The handle means something in this host only: the request goes to it,
  // and fails when it has ended.
  const uint64_t remote = HandOver(r, data);
  std::string reply =
      Call(r,
           AttemptRequest(pluginPath, ansiFileName, remote, data.SectionBytes(), offset, length,
                          replyViews_.use_count() == 1),
           kSPIPictureBoundMs);
  SPIAttempt attempt;
  try {
    attempt.reply = ReadAttemptReply(reply);
  } catch (const EBadMessage&) {
    Fail("プラグインホストの応答が壊れています");
  }
  if (attempt.reply.status == SPIHostStatus::Overran) Fail("プラグインがバッファの外に書き込みました");
  // The host could not take the picture (too large, out of memory): not read.
  if (attempt.reply.status == SPIHostStatus::Failed) return attempt;
  // The host keeps to the limits of a picture: a reply beyond them is
  // refused before anything of it is mapped.
  const uint64_t infoBytes = attempt.reply.infoBytes, bitsBytes = attempt.reply.bitsBytes;
  if (!attempt.reply.dibSection) {
    if (infoBytes || bitsBytes) Fail("プラグインホストの応答が壊れています");
    return attempt;
  }
  if (infoBytes == 0 || infoBytes > kMaxPictureInfoBytes || bitsBytes > kMaxPictureBitsBytes)
    Fail("プラグインホストの応答が壊れています");
  const uint64_t bytes = infoBytes + bitsBytes;
  if (bytes > SIZE_MAX) throw ESPIHostUnavailable("プラグインの画像を読めません");

  // The picture's section moves over from the host, to be read only.
  HANDLE section = nullptr;
  if (!DuplicateHandle(r.process.get(), reinterpret_cast<HANDLE>(static_cast<uintptr_t>(attempt.reply.dibSection)),
                       GetCurrentProcess(), &section, FILE_MAP_READ, FALSE, DUPLICATE_CLOSE_SOURCE))
    Fail("プラグインホストの応答が壊れています");
  UniqueHandle owned(section);
  attempt.view_.reset(MapViewOfFile(section, FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(bytes)));
  // A section smaller than it was said to be does not map; nor does one
  // too large for this process's memory: the picture is not read.
  if (!attempt.view_) throw ESPIHostUnavailable("プラグインの画像を読めません");
  // A section made to be committed page by page (SEC_RESERVE) maps whole,
  // and reading a page not committed would end the program.
  if (!Readable(attempt.view_.get(), static_cast<size_t>(bytes))) Fail("プラグインホストの応答が壊れています");
  attempt.held_ = replyViews_;
  return attempt;
}

void SPIHost::Release(const std::string& pluginPath) {
  if (!Alive()) return;  // a host that ended let every library go
  try {
    Call(*running_, ReleaseRequest(pluginPath), kSPIListingBoundMs);
  } catch (...) {
    // A plug-in that will not let go is ended with its host.
  }
}

std::shared_ptr<SPIHost> SharedSPIHost() {
  static std::weak_ptr<SPIHost> shared;
  std::shared_ptr<SPIHost> host = shared.lock();
  if (!host) {
    host = std::make_shared<SPIHost>();
    shared = host;
  }
  return host;
}

void SetSPIHostProgram(const std::string& path) { HostProgramOverride() = path; }

}  // namespace kaleidon
