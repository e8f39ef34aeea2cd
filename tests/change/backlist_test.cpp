// The back list and its file: what is kept, what is dropped, and names of
// any script kept exactly.
#include "change/backlist.h"

#include <gtest/gtest.h>

#include "framework/base/text.h"
#include "support/tempdir.h"

using namespace kaleidon;

namespace {

ShownSources One(const std::string& file, const std::string& member = {}) {
  return {{"\\\\.\\DISPLAY1", {file, member}}};
}

}  // namespace

TEST(BackList, KeepsTheTwentyNewestAndANewWallpaperAfterGoingBackDropsTheNewerOnes) {
  BackList list;
  for (int i = 0; i < 25; ++i) list.Add(One("C:\\p\\" + std::to_string(i) + ".jpg"));
  ASSERT_EQ(list.Entries().size(), BackList::kMaxEntries);
  EXPECT_EQ(list.Entries().front(), One("C:\\p\\5.jpg"));
  EXPECT_EQ(list.Current(), 19u);

  list.MakeCurrent(17);
  list.Add(One("C:\\p\\new.jpg"));
  ASSERT_EQ(list.Entries().size(), 19u);
  EXPECT_EQ(list.Entries()[17], One("C:\\p\\22.jpg"));
  EXPECT_EQ(list.Entries().back(), One("C:\\p\\new.jpg"));
  EXPECT_EQ(list.Current(), 18u);

  // A name the file could not hold is not kept; nothing else changes.
  list.Add(One("C:\\p\\a\tb.jpg"));
  list.Add(One("C:\\p\\x.lzh", "line\r\nbreak.jpg"));
  EXPECT_EQ(list.Entries().size(), 19u);
  EXPECT_EQ(list.Current(), 18u);
}

TEST(BackList, TheFileKeepsEveryMonitorMemberAndNameInShiftJisOrUtf8) {
  TempDir dir;
  const std::string path = BackList::PathBeside(dir.PathOf("Kaleidon.ini"));
  EXPECT_EQ(path, dir.PathOf("Kaleidon.back"));
  EXPECT_TRUE(BackList::Load(path).Entries().empty());  // no file yet

  BackList list;
  list.Add(One("C:\\壁紙\\夕焼け.jpg"));
  list.Add({{"\\\\.\\DISPLAY1", {"C:\\壁紙\\set.lzh", "sub/海.bmp"}}, {"\\\\.\\DISPLAY2", {"D:\\p\\b.png", ""}}});
  ASSERT_TRUE(list.Save(path));
  EXPECT_FALSE(dir.ReadFile("Kaleidon.back").starts_with(framework::kUtf8ByteOrderMark));  // Shift-JIS holds it
  BackList read = BackList::Load(path);
  EXPECT_EQ(read.Entries(), list.Entries());
  EXPECT_EQ(read.Current(), 1u);

  list.Add(One("C:\\사진\\𠮷.jpg"));
  list.MakeCurrent(1);
  ASSERT_TRUE(list.Save(path));
  EXPECT_TRUE(dir.ReadFile("Kaleidon.back").starts_with(framework::kUtf8ByteOrderMark));
  read = BackList::Load(path);
  EXPECT_EQ(read.Entries(), list.Entries());
  EXPECT_EQ(read.Current(), 1u);

  // A refused write leaves the file as it was.
  const std::string before = dir.ReadFile("Kaleidon.back");
  dir.SetReadOnly("Kaleidon.back", true);
  list.Add(One("C:\\p\\later.jpg"));
  EXPECT_FALSE(list.Save(path));
  dir.SetReadOnly("Kaleidon.back", false);
  EXPECT_EQ(dir.ReadFile("Kaleidon.back"), before);
}

TEST(BackList, ADamagedFileGivesTheEntriesItCanRead) {
  const BackList list = BackList::FromText(
      "Current=7\r\n"
      "\\\\.\\DISPLAY1\tC:\\a.jpg\t\r\n"
      "two fields\tonly\r\n"
      "\\\\.\\DISPLAY1\t\t\r\n"  // no file
      "\r\n"
      "\\\\.\\DISPLAY1\tC:\\b.jpg\t\t\\\\.\\DISPLAY2\tC:\\c.jpg\t");
  ASSERT_EQ(list.Entries().size(), 2u);
  EXPECT_EQ(list.Entries()[0], One("C:\\a.jpg"));
  EXPECT_EQ(list.Entries()[1].size(), 2u);
  EXPECT_EQ(list.Current(), 1u);  // past the end: the newest
  EXPECT_TRUE(BackList::FromText("Current=x\r\n").Entries().empty());
}

TEST(BackList, ACommandNamingAMonitorMeansThePictureShownThere) {
  const kaleidon::Desktop desktop{.monitors = {{.device = "\\\\.\\DISPLAY2", .width = 800, .height = 600},
                                               {.device = "\\\\.\\DISPLAY1", .left = 800, .width = 1024,
                                                .height = 768, .primary = true}}};
  const ScreenSource first{"\\\\.\\DISPLAY2", {"C:\\a\\one.bmp", ""}};
  const ScreenSource second{"\\\\.\\DISPLAY1", {"C:\\b\\two.bmp", ""}};
  const ScreenSource whole{"\\\\.\\DISPLAY1", {"C:\\c\\all.bmp", ""}};
  struct Case {
    ShownSources shown;
    int monitor;
    std::optional<ScreenSource> meant;
  };
  const Case cases[] = {
      {{first, second}, 0, second},  // the primary, wherever the system counts it
      {{first, second}, 1, first},
      {{first, second}, 2, second},
      {{first, second}, 3, std::nullopt},  // past the desktop's monitors
      {{first}, 0, first},                 // a monitor whose picture is not known: one shown over all
      {{whole}, 2, whole},                 // one picture over the desktop is every monitor's
      {{whole}, 3, std::nullopt},
      {{}, 0, std::nullopt},  // nothing shown
  };
  for (const Case& c : cases)
    EXPECT_EQ(kaleidon::ShownOnMonitor(c.shown, desktop, c.monitor), c.meant) << c.monitor << " of " << c.shown.size();
}
