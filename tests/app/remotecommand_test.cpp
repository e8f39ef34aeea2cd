// Commands a second start hands to the copy that runs: the message both sides
// read, and the hand-over to another process's window (running-copy.exe).
#include "app/remotecommand.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "framework/base/text.h"
#include "support/fixtures.h"
#include "support/program.h"
#include "support/tempdir.h"

using kaleidon::HandOver;
using kaleidon::RemoteAction;
using kaleidon::RemoteMessage;
using kaleidon::RemoteRequest;

TEST(RemoteCommand, TheSwitchesNameTheirRequests) {
  struct Case {
    const char* first;
    std::optional<RemoteRequest> request;
  };
  const Case cases[] = {
      {"/E", RemoteRequest{RemoteAction::Change, 0}},
      {"/b", RemoteRequest{RemoteAction::Back, 0}},
      {"/X", RemoteRequest{RemoteAction::NeverAgain, 0}},
      {"/x2", RemoteRequest{RemoteAction::NeverAgain, 2}},
      {"/X12", RemoteRequest{RemoteAction::NeverAgain, 12}},
      {"/S", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(kaleidon::RemoteRequestOf({c.first}), c.request) << c.first;
}

TEST(RemoteCommand, OnlyAWellFormedMessageIsTakenAndAnsweredSo) {
  struct Case {
    const char* what;
    void (*spoil)(COPYDATASTRUCT& data, RemoteMessage& message);
    LRESULT answer;
  };
  constexpr LRESULT kTaken = kaleidon::kRemoteTaken;
  const Case cases[] = {
      {"as sent", [](COPYDATASTRUCT&, RemoteMessage&) {}, kTaken},
      {"another signature", [](COPYDATASTRUCT& d, RemoteMessage&) { d.dwData = 1; }, 0},
      {"shorter", [](COPYDATASTRUCT& d, RemoteMessage&) { d.cbData -= 1; }, 0},
      {"longer", [](COPYDATASTRUCT& d, RemoteMessage&) { d.cbData += 1; }, 0},
      {"no block", [](COPYDATASTRUCT& d, RemoteMessage&) { d.lpData = nullptr; }, 0},
      {"block of another program", [](COPYDATASTRUCT&, RemoteMessage& m) { m.signature = 0x12345678; }, 0},
      {"a later version", [](COPYDATASTRUCT&, RemoteMessage& m) { m.version = 2; }, 0},
      {"size unlike the block's", [](COPYDATASTRUCT&, RemoteMessage& m) { m.size = 20; }, 0},
      {"unknown action", [](COPYDATASTRUCT&, RemoteMessage& m) { m.action = 4; }, 0},
      {"no action", [](COPYDATASTRUCT&, RemoteMessage& m) { m.action = 0; }, 0},
      {"monitor of a change", [](COPYDATASTRUCT&, RemoteMessage& m) { m.action = 1; }, 0},
      {"monitor past any desktop's", [](COPYDATASTRUCT&, RemoteMessage& m) { m.monitor = 100; }, 0},
      {"monitor past this desktop's", [](COPYDATASTRUCT&, RemoteMessage& m) { m.monitor = 4; }, kaleidon::kRemoteNoMonitor},
  };
  const RemoteRequest sent{RemoteAction::NeverAgain, 3};
  for (const Case& c : cases) {
    std::vector<RemoteRequest> carriedOut;
    kaleidon::RemoteInbox inbox({[] { return false; }, [] { return 3; },
                                 [&](const RemoteRequest& r) { carriedOut.push_back(r); },
                                 [](std::function<void()> call) { call(); }});
    RemoteMessage message = kaleidon::EncodeRemoteRequest(sent);
    COPYDATASTRUCT data{kaleidon::kRemoteSignature, sizeof message, &message};
    c.spoil(data, message);
    EXPECT_EQ(inbox.Answer(reinterpret_cast<LPARAM>(&data)), c.answer) << c.what;
    EXPECT_EQ(carriedOut, c.answer == kTaken ? std::vector<RemoteRequest>{sent} : std::vector<RemoteRequest>{})
        << c.what;
  }
}

TEST(RemoteCommand, EachEndHasItsExitCodeAndSaysWhatWentWrong) {
  kaleidon::RunningCopy copy;
  const RemoteRequest request{RemoteAction::NeverAgain, 3};
  EXPECT_EQ(kaleidon::ExitCodeOf(HandOver::Taken), 0);
  EXPECT_EQ(kaleidon::HandOverText(HandOver::Taken, request, copy), "");
  EXPECT_EQ(kaleidon::ExitCodeOf(HandOver::NoCopy), 0);
  EXPECT_EQ(kaleidon::ExitCodeOf(HandOver::NoAnswer), 2);
  EXPECT_EQ(kaleidon::HandOverText(HandOver::NoAnswer, request, copy),
            "カレイドン: 起動中のカレイドンが10秒以内に応答しませんでした。コマンドは実行されていません。");
  EXPECT_EQ(kaleidon::ExitCodeOf(HandOver::Refused), 3);
  EXPECT_EQ(kaleidon::HandOverText(HandOver::Refused, request, copy),
            "カレイドン: 起動中のカレイドンはコマンドを受け付けませんでした(別のバージョンです)。"
            "コマンドは実行されていません。");
  EXPECT_EQ(kaleidon::ExitCodeOf(HandOver::NoMonitor), 4);
  EXPECT_EQ(kaleidon::HandOverText(HandOver::NoMonitor, request, copy),
            "カレイドン: 3番目のモニターはありません。コマンドは実行されていません。");
}

namespace {

// Reads what a pipe holds, after the writing end is closed.
std::string Drain(HANDLE read) {
  std::string bytes;
  char buffer[256];
  DWORD got = 0;
  while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

}  // namespace

TEST(RemoteCommand, TheStarterReadsTheLineOnTheErrorHandleItGave) {
  HANDLE read = nullptr, write = nullptr;
  ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 0));
  HANDLE before = GetStdHandle(STD_ERROR_HANDLE);
  SetStdHandle(STD_ERROR_HANDLE, write);
  const bool told = kaleidon::TellStarter("カレイドン: 応答なし");
  SetStdHandle(STD_ERROR_HANDLE, before);
  CloseHandle(write);
  EXPECT_TRUE(told);
  EXPECT_EQ(Drain(read), framework::ToAnsi("カレイドン: 応答なし\r\n"));
  CloseHandle(read);
}

namespace {

// running-copy.exe playing the running copy in one of its ways.
class HandOverToAnotherProcess : public ::testing::Test {
 protected:
  ProgramProcess Start(const std::string& way) {
    ProgramProcess copy = ProgramProcess::Start(BuildOutputPath("fixtures/running-copy.exe"),
                                                way + " \"" + dir.PathOf("record.txt") + "\"");
    return copy;
  }
  static kaleidon::RunningCopy Copy(const ProgramProcess& process, DWORD boundMs) {
    kaleidon::RunningCopy copy;
    copy.runs = [&process] { return process.Running(); };
    copy.boundMs = boundMs;
    return copy;
  }

  TempDir dir;
};

}  // namespace

TEST_F(HandOverToAnotherProcess, ACopyInsideAChangeTakesTheCommandsAtOnceAndCarriesThemOutAfterInTurn) {
  ProgramProcess running = Start("busy");
  std::vector<std::string> told;
  auto tell = [&told](const std::string& line) { told.push_back(line); };
  // It has two monitors: a third is answered at once, and not carried out.
  EXPECT_EQ(kaleidon::HandOverCommand({"/X3"}, Copy(running, 10000), tell), std::optional<int>(4));
  EXPECT_EQ(told, std::vector<std::string>{kaleidon::HandOverText(HandOver::NoMonitor, {RemoteAction::NeverAgain, 3}, {})});
  told.clear();
  EXPECT_EQ(kaleidon::HandOverCommand({"/X2"}, Copy(running, 10000), tell), std::optional<int>(0));
  EXPECT_EQ(kaleidon::HandOverCommand({"/B"}, Copy(running, 10000), tell), std::optional<int>(0));
  EXPECT_EQ(running.WaitForExit(10000), std::optional<DWORD>(0));
  EXPECT_EQ(dir.ReadFile("record.txt"), "change ends\nnever 2\nback\n");
  EXPECT_TRUE(told.empty());
  // A plain start has nothing to hand over: it says a copy runs, as always.
  EXPECT_EQ(kaleidon::HandOverCommand({""}, Copy(running, 10000), tell), std::nullopt);
}

TEST_F(HandOverToAnotherProcess, AWindowThatDoesNotKnowTheMessageRefusesIt) {
  ProgramProcess running = Start("older");
  std::vector<std::string> told;
  EXPECT_EQ(kaleidon::HandOverCommand({"/E"}, Copy(running, 10000), [&told](const std::string& line) {
              told.push_back(line);
            }),
            std::optional<int>(kaleidon::kExitRefused));
  EXPECT_EQ(told, std::vector<std::string>{kaleidon::HandOverText(HandOver::Refused, {}, {})});
  running.Kill();
}

TEST_F(HandOverToAnotherProcess, ACopyThatDoesNotAnswerInTimeIsGivenUp) {
  ProgramProcess running = Start("hung");
  ASSERT_TRUE(WaitForWindow(L"TMyMainForm", "", running.Id(), 10000));
  EXPECT_EQ(kaleidon::HandOverRequest({RemoteAction::Back, 0}, Copy(running, 1000)), HandOver::NoAnswer);
  running.Kill();
}

TEST(RemoteCommand, ACopyWithoutItsWindowIsWaitedForUntilItEnds) {
  // Running, but no window yet (or no more): the bound ends the wait.
  kaleidon::RunningCopy copy;
  copy.runs = [] { return true; };
  copy.boundMs = 200;
  EXPECT_EQ(kaleidon::HandOverRequest({RemoteAction::Change, 0}, copy), HandOver::NoAnswer);
  // Ended meanwhile: the second start carries the command out itself.
  int looks = 0;
  copy.runs = [&looks] { return ++looks < 3; };
  copy.boundMs = 10000;
  EXPECT_EQ(kaleidon::HandOverCommand({"/E"}, copy, [](const std::string&) { FAIL(); }), std::nullopt);
}

TEST(RemoteCommand, TheInboxCarriesOutWhatCameDuringAChangeWhenItEnds) {
  bool busy = true;
  std::vector<std::function<void()>> later;
  std::vector<RemoteRequest> carriedOut;
  kaleidon::RemoteInbox inbox({[&busy] { return busy; }, [] { return 1; },
                               [&](const RemoteRequest& r) { carriedOut.push_back(r); },
                               [&later](std::function<void()> call) { later.push_back(std::move(call)); }});
  RemoteMessage message = kaleidon::EncodeRemoteRequest({RemoteAction::Back, 0});
  COPYDATASTRUCT data{kaleidon::kRemoteSignature, sizeof message, &message};
  EXPECT_EQ(inbox.Answer(reinterpret_cast<LPARAM>(&data)), kaleidon::kRemoteTaken);
  EXPECT_EQ(inbox.Answer(reinterpret_cast<LPARAM>(&data)), kaleidon::kRemoteTaken);
  ASSERT_EQ(later.size(), 2u);
  later[0]();  // the loop comes round while the change still runs
  EXPECT_TRUE(carriedOut.empty());
  busy = false;
  inbox.RunWaiting();  // the change ended
  EXPECT_EQ(carriedOut.size(), 2u);
  later[1]();
  EXPECT_EQ(carriedOut.size(), 2u);
  EXPECT_EQ(inbox.Waiting(), 0u);
}
