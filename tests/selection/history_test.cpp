#include "selection/history.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "framework/base/exception.h"
#include "framework/base/text.h"
#include "selection/historytext.h"
#include "selection/namekey.h"
#include "support/tempdir.h"

using kaleidon::History;
using kaleidon::ParseHistoryText;
using Names = std::vector<std::string>;

namespace {
int Sign(int v) { return (v > 0) - (v < 0); }
bool InSystemOrder(const Names& names) {
  return std::is_sorted(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return framework::CompareTextNoCase(a, b) < 0;
  });
}
}  // namespace

TEST(HistoryText, LineEndsNulAndEmptyLines) {
  EXPECT_EQ(ParseHistoryText("a.bmp\r\nb.jpg\nc.png\rd.gif"), (Names{"a.bmp", "b.jpg", "c.png", "d.gif"}));
  EXPECT_EQ(ParseHistoryText("a.bmp\r\n\r\n\n\rb.bmp\r\n"), (Names{"a.bmp", "b.bmp"}));
  EXPECT_EQ(ParseHistoryText(std::string("a.bmp\r\nb.b\0mp\r\nc.bmp\r\n", 22)), (Names{"a.bmp", "b.b"}));
  EXPECT_EQ(kaleidon::FormatHistoryText({}), "");
  EXPECT_EQ(kaleidon::FormatHistoryText({"a.bmp", "b.jpg"}), "a.bmp\r\nb.jpg\r\n");
}

TEST(NameOrder, AgreesWithTheSystemComparison) {
  // Plain ASCII names take a shortcut, others go to the system: pair by pair
  // and by sort key, the order must be that of CompareTextNoCase.
  const std::string alphabet = "aAbBzZ09_-'. ~!$()[]{}+=,;@^`#%&xyXY";
  std::mt19937 gen(7);
  auto word = [&] {
    std::string w;
    for (size_t n = gen() % 7; n > 0; --n) w += alphabet[gen() % alphabet.size()];
    return w;
  };
  auto agree = [](const std::string& a, const std::string& b) {
    int system = Sign(framework::CompareTextNoCase(a, b));
    return kaleidon::CompareNames(a, b) == system &&
           Sign(kaleidon::NameSortKey(a).compare(kaleidon::NameSortKey(b))) == system;
  };
  // Names that share a beginning, plain or not, are decided on what follows it.
  const Names starts = {"", "", "写真", "ｼｬｼﾝ", "ｶﾞ", "a-", "é", "カー", "Ｘ", "ab'c"};
  for (int i = 0; i < 3000; ++i) {
    const std::string& start = starts[gen() % starts.size()];
    std::string a = start + word(), b = (i % 3 ? start : starts[gen() % starts.size()]) + word();
    ASSERT_TRUE(agree(a, b)) << "'" << a << "' vs '" << b << "'";
  }
  const Names mixed = {"写真.jpg", "ｼｬｼﾝ.bmp", "Ａ.bmp", "ａ.bmp", "a-b.bmp", "ab.bmp", "Ab.BMP", "été.jpg", "e.jpg"};
  for (const std::string& a : mixed)
    for (const std::string& b : mixed) EXPECT_TRUE(agree(a, b)) << a << " vs " << b;
}

TEST(NameFold, LearntTablesFoldAsTheSystemDoes) {
  // Names the code page holds, holds only as ASCII, or cannot hold at all,
  // and text the tables leave to the system (other planes, broken UTF-8).
  Names names = {"写真ａ.jpg", "ｼｬｼﾝ.bmp", "été.jpg", "Ωω.png", "ⅰⅱ.jpg", "ß", "Ａ", "ｶﾞ ﾁｬ.BMP", "Ǆǆ", "ＡＢＣ",
                 "😀.png", "\xE5.jpg", "\xC0\x80", "\xED\xA0\x80", "ı.bmp", "¥~\\"};
  // And random names from the ranges Japanese file names are made of.
  const std::vector<std::pair<unsigned, unsigned>> ranges = {
      {0x20, 0x7E}, {0xA0, 0x24F}, {0x370, 0x4FF}, {0x2150, 0x218F}, {0x3000, 0x30FF}, {0x4E00, 0x9FFF},
      {0xF900, 0xFFEF}};
  std::mt19937 gen(5);
  for (int i = 0; i < 2000; ++i) {
    std::wstring wide;
    for (size_t n = 1 + gen() % 8; n > 0; --n) {
      const auto& [low, high] = ranges[gen() % ranges.size()];
      wide += static_cast<wchar_t>(low + gen() % (high - low + 1));
    }
    names.push_back(framework::Narrow(wide));
  }
  for (const std::string& name : names) {
    std::string learnt, system;
    kaleidon::AppendNameFold(name, learnt);
    kaleidon::AppendSystemNameFold(name, system);
    ASSERT_EQ(learnt, system) << name;
  }
  // A name is itself, whatever a code page would make of it.
  EXPECT_NE(kaleidon::NameFold("Café.jpg"), kaleidon::NameFold("Cafe.jpg"));
  EXPECT_EQ(kaleidon::NameFold("café.JPG"), kaleidon::NameFold("CAFÉ.jpg"));
}

TEST(History, FindsNamesIgnoringCaseAndKeepsThemInOrder) {
  History h({"b.jpg", "写真Ａ.jpg", "A.bmp", "a-c.bmp", "_x.bmp", "10.jpg", "9.jpg", "ab.bmp"});
  EXPECT_TRUE(h.Contains("a.BMP") && h.Contains("写真ａ.JPG") && h.Contains("AB.bmp"));
  EXPECT_FALSE(h.Contains("写真A.jpg") || h.Contains("ac.bmp") || h.Contains("b.jpg2"));
  h.Sort();
  EXPECT_TRUE(InSystemOrder(h.Names())) << ::testing::PrintToString(h.Names());
  for (int i = 0; i < 3000; ++i) h.InsertSorted("pic" + std::to_string(i * 7 % 3000) + ".jpg");
  EXPECT_TRUE(InSystemOrder(h.Names()));
  EXPECT_EQ(h.Size(), 3008u);
  for (int i = 0; i < 3000; i += 97) EXPECT_TRUE(h.Contains("PIC" + std::to_string(i) + ".JPG"));
  EXPECT_TRUE(h.Contains("_X.bmp"));
  EXPECT_FALSE(h.Contains("pic3000.jpg"));

  // Names equal but for case keep the order they came in.
  History same({"x.bmp", "X.BMP", "a.bmp"});
  same.InsertSorted("X.bmp");
  EXPECT_EQ(same.Names(), (Names{"a.bmp", "x.bmp", "X.BMP", "X.bmp"}));
  same.Clear();
  EXPECT_FALSE(same.Contains("x.bmp"));
}

TEST(HistoryFile, NamesBeyondShiftJisMakeTheWholeFileUtf8AndComeBackExactly) {
  TempDir dir;
  const std::string path = dir.PathOf("_Buf.RFB");
  const Names names = {"Zoë.jpg", "夏の思い出🌻.jpg", "한글.png", "𠮷野家.bmp", "写真.jpg"};
  kaleidon::SaveHistory(path, History(names));
  const std::string bytes = dir.ReadFile("_Buf.RFB");
  EXPECT_EQ(bytes, std::string(framework::kUtf8ByteOrderMark) + kaleidon::FormatHistoryText(names));
  EXPECT_EQ(kaleidon::LoadHistory(path).Names(), names);
  for (const std::string& name : names) EXPECT_TRUE(kaleidon::LoadHistory(path).Contains(name)) << name;
  // Once no such name is left, the file is Shift-JIS again.
  kaleidon::SaveHistory(path, History({"写真.jpg"}));
  EXPECT_EQ(dir.ReadFile("_Buf.RFB"), "\x8e\xca\x90\x5e.jpg\r\n");
}

TEST(HistoryFile, ShiftJisOnDiskAndFailedWritesKeepTheOldFile) {
  TempDir dir;
  std::string path = dir.PathOf("_Buf.RFB");
  dir.WriteFile("_Buf.RFB", "\x8e\xca\x90\x5e.jpg\r\nA.bmp\nkatana.png");  // 写真.jpg in Shift-JIS
  History h = kaleidon::LoadHistory(path);
  EXPECT_EQ(h.Names(), (Names{"写真.jpg", "A.bmp", "katana.png"}));
  kaleidon::SaveHistory(path, h);
  EXPECT_EQ(dir.ReadFile("_Buf.RFB"), "\x8e\xca\x90\x5e.jpg\r\nA.bmp\r\nkatana.png\r\n");
  EXPECT_TRUE(kaleidon::LoadHistory(dir.PathOf("missing.RFB")).Empty());

  dir.SetReadOnly("_Buf.RFB", true);
  EXPECT_THROW(kaleidon::SaveHistory(path, History({"b.bmp"})), framework::Exception);
  dir.SetReadOnly("_Buf.RFB", false);
  EXPECT_EQ(dir.FileNames(), Names{"_Buf.RFB"});
  EXPECT_EQ(dir.ReadFile("_Buf.RFB"), "\x8e\xca\x90\x5e.jpg\r\nA.bmp\r\nkatana.png\r\n");
  EXPECT_THROW(kaleidon::SaveHistory(dir.PathOf("no folder\\_Buf.RFB"), h), framework::Exception);

  kaleidon::SaveHistory(path, History());
  EXPECT_TRUE(dir.Exists("_Buf.RFB"));
  EXPECT_EQ(dir.ReadFile("_Buf.RFB"), "");
}

TEST(HistoryFile, GarbledBytesNeverBreakTheReader) {
  TempDir dir;
  std::string path = dir.PathOf("_Buf.RFB");
  std::mt19937 gen(11);
  for (int round = 0; round < 40; ++round) {
    std::string bytes;
    for (int i = 0; i < 300; ++i) {
      unsigned b = gen() % 256;
      bytes += static_cast<char>(b < 16 ? "\r\n\x81\x82\xe0\xfc\x5c\x00"[b % 8] : b);
    }
    dir.WriteFile("_Buf.RFB", bytes);
    History h;
    try {
      h = kaleidon::LoadHistory(path);
    } catch (const framework::EReadRefused&) {
      continue;  // bytes that are no text: the list is not taken, nor written
    }
    for (const std::string& name : h.Names()) {
      EXPECT_EQ(name.find_first_of(std::string("\r\n\0", 3)), std::string::npos);
      EXPECT_TRUE(!name.empty() && h.Contains(name));
    }
    kaleidon::SaveHistory(path, h);
    EXPECT_EQ(kaleidon::LoadHistory(path).Size(), h.Size());
  }
}

TEST(HistoryFile, AListAnEditorSavedIsReadWholeAndOneThatIsNoTextIsLeftAlone) {
  TempDir dir;
  const std::string path = dir.PathOf("_Buf.RFB");
  std::string utf16 = "\xFF\xFE";
  for (wchar_t unit : framework::Widen("写真.jpg\r\nb.bmp\r\n"))
    utf16 += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  for (const std::string& bytes : {utf16, std::string("写真.jpg\r\nb.bmp\r\n")}) {
    dir.WriteFile("_Buf.RFB", bytes);
    EXPECT_EQ(kaleidon::LoadHistory(path).Names(), (Names{"写真.jpg", "b.bmp"}));
  }
  const std::string garbled = "a.bmp\r\n\x85\x40.bmp\r\n";  // a pair Shift-JIS lacks
  dir.WriteFile("_Buf.RFB", garbled);
  EXPECT_THROW(kaleidon::LoadHistory(path), framework::EReadRefused);
  EXPECT_EQ(dir.ReadFile("_Buf.RFB"), garbled);
}

TEST(HistoryFile, ABatchReadsEachListOnceAndWritesEachChangedOneOnceAtItsEnd) {
  TempDir dir;
  const std::string path = dir.PathOf("_Buf.RFB"), locked = dir.PathOf("locked.RFB");
  dir.WriteFile("_Buf.RFB", "a.bmp\r\n");
  dir.WriteFile("locked.RFB", "x.bmp\r\n");
  dir.SetReadOnly("locked.RFB", true);
  {
    kaleidon::HistoryBatch batch;
    History h = kaleidon::LoadHistory(path);
    h.InsertSorted("b.bmp");
    kaleidon::SaveHistory(path, h);
    dir.WriteFile("_Buf.RFB", "changed behind its back\r\n");  // not read again
    h = kaleidon::LoadHistory(path);
    h.Clear();
    h.InsertSorted("c.bmp");
    kaleidon::SaveHistory(path, h);
    kaleidon::SaveHistory(locked, History({"y.bmp"}));
    {
      kaleidon::HistoryBatch inner;  // adds to the outer one
      kaleidon::SaveHistory(dir.PathOf("new.RFB"), History({"n.bmp"}));
      EXPECT_TRUE(inner.Commit().empty());
    }
    EXPECT_FALSE(dir.Exists("new.RFB"));
    EXPECT_EQ(batch.Commit(), Names{locked});
  }
  EXPECT_EQ(dir.ReadFile("_Buf.RFB"), "c.bmp\r\n");
  EXPECT_EQ(dir.ReadFile("new.RFB"), "n.bmp\r\n");
  dir.SetReadOnly("locked.RFB", false);
  EXPECT_EQ(dir.ReadFile("locked.RFB"), "x.bmp\r\n");
  {
    kaleidon::HistoryBatch dropped;
    kaleidon::SaveHistory(path, History());
  }
  EXPECT_EQ(dir.ReadFile("_Buf.RFB"), "c.bmp\r\n");
}
