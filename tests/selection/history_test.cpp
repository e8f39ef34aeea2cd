#include "selection/history.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "framework/exception.h"
#include "framework/paths.h"
#include "framework/text.h"
#include "selection/historytext.h"
#include "selection/namekey.h"
#include "support/tempdir.h"

using kaleidon::History;
using kaleidon::ParseHistoryText;

namespace {
using Names = std::vector<std::string>;

int Sign(int v) { return (v > 0) - (v < 0); }

int KeyOrder(const std::string& a, const std::string& b) {
  return Sign(kaleidon::NameSortKey(a).compare(kaleidon::NameSortKey(b)));
}
}  // namespace

TEST(HistoryText, LineEndsNulAndEmptyLines) {
  EXPECT_EQ(ParseHistoryText("a.bmp\r\nb.jpg\nc.png\rd.gif"), (Names{"a.bmp", "b.jpg", "c.png", "d.gif"}));
  EXPECT_EQ(ParseHistoryText("a.bmp\r\n\r\n\n\rb.bmp\r\n"), (Names{"a.bmp", "b.bmp"}));
  EXPECT_EQ(ParseHistoryText(std::string("a.bmp\r\nb.b\0mp\r\nc.bmp\r\n", 22)), (Names{"a.bmp", "b.b"}));
  EXPECT_EQ(ParseHistoryText(std::string("\0a.bmp", 6)), Names{});
  EXPECT_EQ(ParseHistoryText(""), Names{});
  EXPECT_EQ(kaleidon::FormatHistoryText({}), "");
  EXPECT_EQ(kaleidon::FormatHistoryText({"a.bmp", "b.jpg"}), "a.bmp\r\nb.jpg\r\n");
}

TEST(NameOrder, AgreesWithTheSystemComparison) {
  // Plain ASCII names take a shortcut; others go to the system. Either way the
  // order must be that of CompareTextNoCase, pair by pair and by sort key.
  const std::string alphabet = "aAbBzZ09_-'. ~!$()[]{}+=,;@^`#%&xyXY";
  std::mt19937 gen(7);
  std::uniform_int_distribution<size_t> len(0, 6), pick(0, alphabet.size() - 1);
  auto word = [&] {
    std::string w;
    for (size_t n = len(gen); n > 0; --n) w += alphabet[pick(gen)];
    return w;
  };
  for (int i = 0; i < 3000; ++i) {
    std::string a = word(), b = word();
    int system = Sign(framework::CompareTextNoCase(a, b));
    ASSERT_EQ(kaleidon::CompareNames(a, b), system) << "'" << a << "' vs '" << b << "'";
    ASSERT_EQ(KeyOrder(a, b), system) << "'" << a << "' vs '" << b << "'";
  }
  const Names mixed = {"写真.jpg", "ｼｬｼﾝ.bmp", "Ａ.bmp", "ａ.bmp", "a-b.bmp", "ab.bmp", "Ab.BMP", "été.jpg", "e.jpg"};
  for (const std::string& a : mixed)
    for (const std::string& b : mixed) {
      EXPECT_EQ(kaleidon::CompareNames(a, b), Sign(framework::CompareTextNoCase(a, b))) << a << " vs " << b;
      EXPECT_EQ(KeyOrder(a, b), Sign(framework::CompareTextNoCase(a, b))) << a << " vs " << b;
    }
}

TEST(NameFold, SameNameButForCase) {
  EXPECT_EQ(kaleidon::NameFold("Cat_01.Bmp"), kaleidon::NameFold("cAT_01.bMP"));
  EXPECT_NE(kaleidon::NameFold("cat_01.bmp"), kaleidon::NameFold("cat-01.bmp"));
  EXPECT_EQ(kaleidon::NameFold("写真Ａ.jpg"), kaleidon::NameFold("写真ａ.JPG"));
  EXPECT_NE(kaleidon::NameFold("写真A.jpg"), kaleidon::NameFold("写真Ａ.jpg"));
  // Never mistaken across the two kinds of key.
  EXPECT_NE(kaleidon::NameFold("\xe4\x85\x82"), kaleidon::NameFold("BA"));
}

TEST(History, LooksUpIgnoringCaseAcrossGrowth) {
  History h({"Cat.BMP", "写真Ａ.jpg"});
  EXPECT_TRUE(h.Contains("cat.bmp"));
  EXPECT_TRUE(h.Contains("写真ａ.JPG"));
  EXPECT_FALSE(h.Contains("cat.bmp2"));
  EXPECT_FALSE(h.Contains("dog.bmp"));
  for (int i = 0; i < 5000; ++i) h.Append("pic" + std::to_string(i) + ".jpg");
  for (int i = 0; i < 5000; i += 97) EXPECT_TRUE(h.Contains("PIC" + std::to_string(i) + ".JPG"));
  EXPECT_FALSE(h.Contains("pic5000.jpg"));
  EXPECT_TRUE(h.Contains("CAT.bmp"));
  h.Clear();
  EXPECT_FALSE(h.Contains("cat.bmp"));
  EXPECT_TRUE(h.Empty());
}

TEST(History, SortsInTheSystemOrderAndInsertsInPlace) {
  History h({"b.jpg", "写真.jpg", "A.bmp", "a-c.bmp", "_x.bmp", "10.jpg", "9.jpg", "ab.bmp"});
  h.Sort();
  Names sorted = h.Names();
  EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) {
    return framework::CompareTextNoCase(a, b) < 0;
  })) << ::testing::PrintToString(sorted);
  h.InsertSorted("B.BMP");
  h.InsertSorted("aa.bmp");
  Names after = h.Names();
  ASSERT_EQ(after.size(), sorted.size() + 2);
  EXPECT_TRUE(std::is_sorted(after.begin(), after.end(), [](const std::string& a, const std::string& b) {
    return framework::CompareTextNoCase(a, b) < 0;
  })) << ::testing::PrintToString(after);
  EXPECT_TRUE(h.Contains("b.bmp") && h.Contains("AA.BMP") && h.Contains("写真.JPG"));

  // Names equal but for case keep the order they came in.
  History same({"x.bmp", "X.BMP", "a.bmp"});
  same.InsertSorted("X.bmp");
  EXPECT_EQ(same.Names(), (Names{"a.bmp", "x.bmp", "X.BMP", "X.bmp"}));
}

class HistoryFile : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path = dir.PathOf("_Buf.RFB");
};

TEST_F(HistoryFile, ReadsAndWritesTheAnsiCodePage) {
  // 写真.jpg in Shift-JIS, a lone LF line, a last line without its end.
  dir.WriteFile("_Buf.RFB", "\x8e\xca\x90\x5e.jpg\r\nA.bmp\nkatana.png");
  History h = kaleidon::LoadHistory(path);
  EXPECT_EQ(h.Names(), (Names{"写真.jpg", "A.bmp", "katana.png"}));
  kaleidon::SaveHistory(path, h);
  EXPECT_EQ(dir.ReadFile("_Buf.RFB"), "\x8e\xca\x90\x5e.jpg\r\nA.bmp\r\nkatana.png\r\n");
  kaleidon::SaveHistory(path, History());
  EXPECT_TRUE(dir.Exists("_Buf.RFB"));
  EXPECT_EQ(dir.ReadFile("_Buf.RFB"), "");
  EXPECT_TRUE(kaleidon::LoadHistory(dir.PathOf("missing.RFB")).Empty());
}

TEST_F(HistoryFile, AFailedWriteRaisesAndKeepsTheOldFile) {
  dir.WriteFile("_Buf.RFB", "a.bmp\r\n");
  dir.SetReadOnly("_Buf.RFB", true);
  EXPECT_THROW(kaleidon::SaveHistory(path, History({"a.bmp", "b.bmp"})), framework::Exception);
  dir.SetReadOnly("_Buf.RFB", false);
  EXPECT_EQ(dir.ReadFile("_Buf.RFB"), "a.bmp\r\n");
  EXPECT_EQ(dir.FileNames(), Names{"_Buf.RFB"});
  EXPECT_THROW(kaleidon::SaveHistory(dir.PathOf("no such folder\\_Buf.RFB"), History({"a"})), framework::Exception);
}

TEST_F(HistoryFile, GarbledBytesNeverBreakTheReader) {
  std::mt19937 gen(11);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 50; ++round) {
    std::string bytes;
    for (int i = 0; i < 300; ++i) {
      int b = byte(gen);
      bytes += static_cast<char>(b < 16 ? "\r\n\x81\x82\xe0\xfc\x5c\x00"[b % 8] : b);
    }
    dir.WriteFile("_Buf.RFB", bytes);
    History h = kaleidon::LoadHistory(path);
    for (const std::string& name : h.Names()) {
      EXPECT_FALSE(name.empty());
      EXPECT_EQ(name.find_first_of(std::string("\r\n\0", 3)), std::string::npos);
      EXPECT_TRUE(h.Contains(name));
    }
    kaleidon::SaveHistory(path, h);
    EXPECT_EQ(kaleidon::LoadHistory(path).Size(), h.Size());
  }
}
