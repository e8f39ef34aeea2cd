// Reads of a user's file bounded in time: a call that does not come back in
// time is given up and left to its thread, a file that does not answer or is
// not on the disk is unreachable, and the waiting thread's windows answer
// while it waits.
#include "framework/base/bounded.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <psapi.h>

#include <iostream>
#include <tuple>
#include <vector>

#include "framework/base/paths.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"
#include "support/tempdir.h"

namespace {

struct Event {
  HANDLE h = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ~Event() { CloseHandle(h); }
};

}  // namespace

TEST(BoundedCall, ACallGivesItsResultOrItsErrorAndOneThatDoesNotEndInTimeIsLeftToItsThread) {
  auto release = std::make_shared<Event>();
  EXPECT_EQ(framework::CallWithin(5000, [] { return 42; }), 42);
  EXPECT_THROW(framework::CallWithin(5000, []() -> int { throw framework::Exception("no"); }), framework::Exception);
  // The call owns what it uses: it goes on after the caller gave it up.
  auto ended = std::make_shared<Event>();
  EXPECT_EQ(framework::CallWithin(100,
                                  [release, ended] {
                                    WaitForSingleObject(release->h, INFINITE);
                                    SetEvent(ended->h);
                                    return 1;
                                  }),
            std::nullopt);
  SetEvent(release->h);
  EXPECT_EQ(WaitForSingleObject(ended->h, 10000), WAIT_OBJECT_0);
}

TEST(BoundedCall, TheWaitingThreadsWindowsAnswerWhileItWaits) {
  framework::SetWaitPump([] {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    return true;
  });
  auto restore = framework::ScopeExit([] { framework::SetWaitPump(nullptr); });
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(window);
  auto destroy = framework::ScopeExit([window] { DestroyWindow(window); });
  // The call ends only once another thread had an answer from the window,
  // which only this thread can give.
  const std::optional<bool> answered = framework::CallWithin(20000, [window] {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, 15000, &result) != 0;
  });
  EXPECT_EQ(answered, true);
}

namespace {

// Uses bytes of the stack below the caller's; the lowest address it used.
__attribute__((noinline)) uintptr_t UseStack(size_t bytes) {
  auto* block = static_cast<volatile char*>(__builtin_alloca(bytes));
  for (size_t i = 0; i < bytes; i += 4096) block[i] = 1;
  return reinterpret_cast<uintptr_t>(block);
}

// How many pages of [low, high) the process holds in memory.
size_t PagesInMemory(uintptr_t low, uintptr_t high) {
  using Query = BOOL(WINAPI*)(HANDLE, PVOID, DWORD);
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "K32QueryWorkingSetEx")));
  if (!query) return 0;
  std::vector<PSAPI_WORKING_SET_EX_INFORMATION> pages;
  for (uintptr_t at = low & ~uintptr_t{0xFFF}; at < high; at += 4096) {
    PSAPI_WORKING_SET_EX_INFORMATION page{};
    page.VirtualAddress = reinterpret_cast<void*>(at);
    pages.push_back(page);
  }
  if (!query(GetCurrentProcess(), pages.data(), static_cast<DWORD>(pages.size() * sizeof pages[0]))) return 0;
  size_t held = 0;
  for (const auto& page : pages) held += page.VirtualAttributes.Valid;
  return held;
}

}  // namespace

TEST(BoundedCall, AWorkerThatEndedHoldsNoneOfTheStackItsWorkUsed) {
  // A work that goes 512 KB deep, and the thread it ran on.
  const auto ran = framework::CallWithin(framework::kNoBound, [] {
    const uintptr_t top = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    const uintptr_t low = UseStack(512 * 1024), high = top - 64 * 1024;
    HANDLE thread = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, SYNCHRONIZE, FALSE, 0);
    return std::tuple<uintptr_t, uintptr_t, HANDLE, size_t>(low, high, thread, PagesInMemory(low, high));
  });
  ASSERT_TRUE(ran);
  const auto [low, high, thread, used] = *ran;
  ASSERT_NE(thread, nullptr);
  const auto close = framework::ScopeExit([thread] { CloseHandle(thread); });
  ASSERT_GT(used, 64u);
  // An idle worker ends after a while.
  ASSERT_EQ(WaitForSingleObject(thread, 30000), WAIT_OBJECT_0);
  EXPECT_LT(PagesInMemory(low, high), 8u);
}

TEST(BoundedRead, AFileThatDoesNotAnswerOrIsNotOnTheDiskIsUnreachableAndOthersReadAsEver) {
  TempDir dir;
  dir.WriteFile("here.bmp", "BMhere");
  // A pipe whose other end never writes stands for a file on a dead share:
  // one end for each of the three reads that open it.
  const std::string pipe = "\\\\.\\pipe\\kaleidon-dead-" + std::to_string(GetCurrentProcessId());
  std::vector<HANDLE> servers;
  auto closePipes = framework::ScopeExit([&servers] {
    for (HANDLE server : servers) CloseHandle(server);
  });
  for (int i = 0; i < 3; ++i) {
    servers.push_back(CreateNamedPipeW(framework::Widen(pipe).c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE,
                                       PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr));
    ASSERT_NE(servers.back(), INVALID_HANDLE_VALUE);
  }
  framework::SetReadBoundMs(300);
  auto restoreBound = framework::ScopeExit([] { framework::SetReadBoundMs(framework::kDefaultReadBoundMs); });

  struct Case {
    const char* what;
    std::string path;
    DWORD attributes;  // set on the file first, when not 0
    bool unreachable;
  };
  const Case cases[] = {
      {"a file", dir.PathOf("here.bmp"), 0, false},
      {"no file", dir.PathOf("gone.bmp"), 0, false},
      {"a file that never answers", pipe, 0, true},
      {"an offline file", dir.PathOf("offline.bmp"), FILE_ATTRIBUTE_OFFLINE, true},
      {"a cloud placeholder", dir.PathOf("cloud.bmp"), 0x00400000, true},
      {"a cloud file recalled when opened", dir.PathOf("open.bmp"), 0x00040000, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.attributes) {
      dir.WriteFile(framework::ExtractFileName(c.path), "BMcloud");
      SetFileAttributesW(framework::Widen(c.path).c_str(), c.attributes);
      if (!(GetFileAttributesW(framework::Widen(c.path).c_str()) & c.attributes)) {
        std::cout << "this system keeps no attribute " << c.attributes << " on a file: not tried\n";
        continue;
      }
    }
    bool whole = false;
    if (c.unreachable) {
      EXPECT_THROW(framework::ReadUserFile(c.path, 1 << 20), framework::EFileUnreachable);
      EXPECT_THROW(framework::ReadUserFileStart(c.path, 64, whole), framework::EFileUnreachable);
      EXPECT_FALSE(framework::FileAnswers(c.path));
    } else {
      const bool exists = framework::ExtractFileName(c.path) == "here.bmp";
      EXPECT_EQ(framework::ReadUserFile(c.path, 1 << 20), exists ? std::optional<std::string>("BMhere") : std::nullopt);
      EXPECT_EQ(framework::ReadUserFileStart(c.path, 2, whole),
                exists ? std::optional<std::string>("BM") : std::nullopt);
      EXPECT_EQ(framework::FileAnswers(c.path), exists);
    }
  }
}
