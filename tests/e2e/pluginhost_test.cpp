// Misbehaving image plug-ins beside the program: it starts, changes the
// wallpaper and ends as it should, whatever the plug-in does.
#include <gtest/gtest.h>

#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/imaging/bitmap.h"
#include "support/program.h"

namespace {

constexpr DWORD kTimeout = 40000;

// A program folder with the test plug-in fixture beside the program, and a
// picture folder the settings point at.
struct ProgramWithPlugin {
  explicit ProgramWithPlugin(const std::string& fixture) {
    std::string plugin = BuildOutputPath("fixtures/spi/" + fixture + ".spi");
    pluginPath = program.PathOf(fixture + ".spi");
    EXPECT_TRUE(CopyFileW(framework::Widen(plugin).c_str(), framework::Widen(pluginPath).c_str(), FALSE));
    program.WriteSettings("Path=" + framework::EncodeStoredText(pictures.path()) + "\r\nCPUUseRate=100\r\n");
  }
  // Presses OK on the message box of that caption and returns its text.
  std::string Confirm(const ProgramProcess& p, const char* caption) {
    HWND box = WaitForWindow(L"#32770", caption, p.Id(), kTimeout);
    if (!box) return "(no box " + std::string(caption) + ")";
    std::string text = MessageBoxText(box);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return text;
  }

  InstalledProgram program;
  TempDir pictures;
  std::string pluginPath;
};

// "/E" on the one picture only the misbehaving plug-in claims: it is set
// aside with a message naming it, the picture is reported unreadable, and
// the run ends as a run with a broken picture does.
void ExpectChangeEndsWithTheReadErrorReport(const std::string& fixture) {
  ProgramWithPlugin p(fixture);
  p.pictures.WriteFile("only.ppm", "P6\n2 1\n255\n" + std::string(6, '\x40'));
  ProgramProcess run = ProgramProcess::Start(p.program.Exe(), "/E");
  EXPECT_NE(p.Confirm(run, "悪のプラグインエラー").find(p.pluginPath), std::string::npos);
  EXPECT_NE(p.Confirm(run, "悪のファイル読み込みエラー").find(p.pictures.PathOf("only.ppm")), std::string::npos);
  EXPECT_EQ(run.WaitForExit(kTimeout), std::optional<DWORD>(0));
  EXPECT_FALSE(p.program.Exists("WPFile.BMP"));
}

TEST(MisbehavingPlugin, OneThatCrashesInGetPictureEndsTheCommandLineChangeWithTheReadErrorReport) {
  ExpectChangeEndsWithTheReadErrorReport("crash");
}

TEST(MisbehavingPlugin, OneThatHangsInGetPictureEndsTheChangeAfterTheBound) {
  ExpectChangeEndsWithTheReadErrorReport("hang");
}

TEST(MisbehavingPlugin, OneThatAnswersEveryInfoNumberHasItsFormatsCappedAndTheProgramWorks) {
  ProgramWithPlugin p("endless");
  p.pictures.WriteFile("only.bmp", framework::Bitmap(4, 3, 24).SaveToBytes());
  ProgramProcess start = ProgramProcess::Start(p.program.Exe());
  HWND main = WaitForWindow(L"TMyMainForm", "Kaleidon v0.6.1", start.Id(), kTimeout);
  ASSERT_NE(main, nullptr);
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(start.WaitForExit(kTimeout), std::optional<DWORD>(0));
  // The formats as the program keeps them beside itself: 1024 of them.
  std::string formats = p.program.ReadFile("PluginFormats.cache");
  size_t count = 0;
  for (size_t at = formats.find("\nF\t*.e"); at != std::string::npos; at = formats.find("\nF\t*.e", at + 1)) ++count;
  EXPECT_EQ(count, 1024u);
  EXPECT_NE(formats.find("\nF\t*.e1023\tEndless 1023\n"), std::string::npos);

  ProgramProcess change = ProgramProcess::Start(p.program.Exe(), "/E");
  EXPECT_EQ(change.WaitForExit(kTimeout), std::optional<DWORD>(0));
  EXPECT_TRUE(p.program.Exists("WPFile.BMP"));
}

}  // namespace
