#include "selection/randomfile.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "archive/unlha32.h"
#include "core/settings.h"
#include "framework/application.h"
#include "framework/exception.h"
#include "framework/paths.h"
#include "framework/random.h"
#include "framework/text.h"
#include "selection/historytext.h"
#include "support/tempdir.h"

using namespace kaleidon;
using Names = std::vector<std::string>;

namespace {

// The lines of a history file, decoded.
Names Lines(const TempDir& dir, const std::string& file) {
  return ParseHistoryText(framework::FromAnsi(dir.ReadFile(file)));
}

class PickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    framework::OverrideProgramFolder(program.path());
    program.MakeFolder("Temp");
    framework::Application::Instance().SetMessageBoxHook([this](const framework::MessageBoxCall& call) {
      boxes.push_back(call);
      return IDOK;
    });
    framework::SetRandomSeed(1);
  }
  void TearDown() override {
    framework::Application::Instance().SetMessageBoxHook(nullptr);
    framework::OverrideProgramFolder("");
  }

  // A folder listing these files (each created with its name as content).
  void List(const Names& files) {
    names = files;
    for (const std::string& f : files)
      if (!pictures.Exists(f)) pictures.WriteFile(f, f);
  }
  FileChoice Choice() {
    return FileChoice{.folder = pictures.path(),
                      .names = names,
                      .mask = mask,
                      .currentSlot = slot,
                      .loopCounter = loopCounter,
                      .owner = nullptr,
                      .programFolder = program.path(),
                      .selectRow = [this](int row) { rows.push_back(row); },
                      .meltFile = melt,
                      .extractWaitMs = 10000,
                      .extractPollMs = 100};
  }
  std::string Pick() {
    FileChoice choice = Choice();
    return PickRandomFile(choice);
  }
  std::string AllShown(int n) {
    return OpenSettings().ReadString(kAllFilesSelectedDirectorys, "Directory" + std::to_string(n), "");
  }

  TempDir program;
  TempDir pictures;
  Names names;
  std::string mask = "*.bmp;*.jpg;*.lzh";
  int slot = 4;
  int loopCounter = 256;
  TMeltFile melt;
  std::vector<int> rows;
  std::vector<framework::MessageBoxCall> boxes;
};

}  // namespace

TEST_F(PickTest, EveryFileOnceThenTheFolderStartsOver) {
  List({"a.bmp", "B.jpg", "c.bmp", "写真.jpg", "e.BMP"});
  for (uint32_t seed : {1u, 2u, 3u}) {
    framework::SetRandomSeed(seed);
    pictures.WriteFile("_Buf.RFB", "");
    OpenSettings().EraseSection(kAllFilesSelectedDirectorys);
    rows.clear();
    std::set<std::string> shown;
    for (size_t i = 0; i < names.size(); ++i) {
      std::string path = Pick();
      ASSERT_EQ(framework::ExtractFilePath(path), pictures.path());
      std::string name = framework::ExtractFileName(path);
      EXPECT_TRUE(shown.insert(name).second) << name << " twice, seed " << seed;
      ASSERT_EQ(rows.size(), i + 1);
      EXPECT_EQ(names[static_cast<size_t>(rows.back())], name);
      Names history = Lines(pictures, "_Buf.RFB");
      EXPECT_EQ(history.size(), i + 1);
      EXPECT_TRUE(std::is_sorted(history.begin(), history.end(), [](const std::string& a, const std::string& b) {
        return framework::CompareTextNoCase(a, b) < 0;
      }));
    }
    EXPECT_EQ(AllShown(slot), "");
    // The next change finds every file shown: the history starts over with
    // that change's draw, and the folder is marked under the current slot.
    std::string last = framework::ExtractFileName(Pick());
    EXPECT_EQ(Lines(pictures, "_Buf.RFB"), Names{last});
    EXPECT_EQ(AllShown(slot), pictures.path());
  }
}

TEST_F(PickTest, OneFileIsAlwaysTheChoice) {
  List({"only.jpg"});
  EXPECT_EQ(Pick(), pictures.PathOf("only.jpg"));
  EXPECT_EQ(AllShown(slot), "");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Pick(), pictures.PathOf("only.jpg"));
    EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), "only.jpg\r\n");
    EXPECT_EQ(AllShown(slot), pictures.path());
  }
}

TEST_F(PickTest, HistoryStaysSortedAndIgnoresCase) {
  List({"a.bmp", "b.bmp", "C.bmp", "d.bmp"});
  pictures.WriteFile("_Buf.RFB", "B.BMP\r\nc.bmp\nA.bmp\r\n");
  EXPECT_EQ(Pick(), pictures.PathOf("d.bmp"));
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), "A.bmp\r\nB.BMP\r\nc.bmp\r\nd.bmp\r\n");
}

TEST_F(PickTest, NamesNoLongerListedNeitherStallNorSkewThePass) {
  List({"a.bmp", "b.bmp", "c.bmp"});
  pictures.WriteFile("_Buf.RFB", "gone1.bmp\r\ngone2.bmp\r\na.bmp\r\ngone3.bmp\r\nb.bmp\r\ngone4.jpg\r\n");
  for (uint32_t seed : {1u, 9u, 17u}) {
    framework::SetRandomSeed(seed);
    pictures.WriteFile("_Buf.RFB", "gone1.bmp\r\ngone2.bmp\r\na.bmp\r\ngone3.bmp\r\nb.bmp\r\ngone4.jpg\r\n");
    EXPECT_EQ(Pick(), pictures.PathOf("c.bmp"));
    // Every listed file has been shown, whatever else the history holds.
    std::string next = framework::ExtractFileName(Pick());
    EXPECT_EQ(Lines(pictures, "_Buf.RFB"), Names{next});
    EXPECT_EQ(AllShown(slot), pictures.path());
  }
}

TEST_F(PickTest, NamesTheCodePageCannotHoldStillEndTheirPass) {
  // The history file keeps names in the ANSI code page; a name it cannot
  // hold must still count as shown once it was.
  List({"ąę.jpg", "b.jpg"});
  std::set<std::string> pass;
  pass.insert(framework::ExtractFileName(Pick()));
  pass.insert(framework::ExtractFileName(Pick()));
  EXPECT_EQ(pass, (std::set<std::string>{"ąę.jpg", "b.jpg"}));
  Pick();
  EXPECT_EQ(Lines(pictures, "_Buf.RFB").size(), 1u);
  EXPECT_EQ(AllShown(slot), pictures.path());
}

TEST_F(PickTest, OlderHistoryNamesAreTakenOver) {
  List({"a.bmp", "b.bmp", "c.bmp"});
  pictures.WriteFile("_Buf.ini", "a.bmp\r\nb.bmp\r\n");
  EXPECT_EQ(Pick(), pictures.PathOf("c.bmp"));
  EXPECT_FALSE(pictures.Exists("_Buf.ini"));
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), "a.bmp\r\nb.bmp\r\nc.bmp\r\n");

  // Both present: the older one goes, the newer one is used.
  pictures.WriteFile("_Buf.ini", "a.bmp\r\nc.bmp\r\n");
  pictures.WriteFile("_Buf.RFB", "b.bmp\r\nc.bmp\r\n");
  EXPECT_EQ(Pick(), pictures.PathOf("a.bmp"));
  EXPECT_FALSE(pictures.Exists("_Buf.ini"));
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), "a.bmp\r\nb.bmp\r\nc.bmp\r\n");
}

TEST_F(PickTest, SelectionFollowsTheDrawEvenWhenTheHistoryCannotBeWritten) {
  List({"a.bmp", "b.bmp"});
  pictures.WriteFile("_Buf.RFB", "a.bmp\r\n");
  pictures.SetReadOnly("_Buf.RFB", true);
  EXPECT_THROW(Pick(), framework::Exception);
  pictures.SetReadOnly("_Buf.RFB", false);
  EXPECT_EQ(rows, std::vector<int>{1});
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), "a.bmp\r\n");

  names.clear();
  EXPECT_THROW(Pick(), framework::Exception);
  EXPECT_EQ(rows, (std::vector<int>{1, -1}));
}

TEST_F(PickTest, GarbledHistoryFilesStillGiveAListedFile) {
  List({"a.bmp", "b.bmp", "c.bmp"});
  std::mt19937 gen(3);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 30; ++round) {
    std::string bytes;
    for (int i = 0; i < 200; ++i) bytes += static_cast<char>(round % 2 ? byte(gen) : "a.bmp\r\n\x81\0"[byte(gen) % 9]);
    pictures.WriteFile("_Buf.RFB", bytes);
    std::string name = framework::ExtractFileName(Pick());
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
  }
}

TEST_F(PickTest, ArchiveShownIsAppendedLast) {
  pictures.WriteFile("_Buf.RFB", "b.bmp\r\nz.bmp\r\n");
  MarkArchiveShown(pictures.PathOf("m.lzh"));
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), "b.bmp\r\nz.bmp\r\nm.lzh\r\n");
  pictures.MakeFolder("new");
  MarkArchiveShown(pictures.PathOf("new\\集.lzh"));
  EXPECT_EQ(Lines(pictures, "new\\_Buf.RFB"), Names{"集.lzh"});
}

TEST(MaskPatterns, SplitAtSemicolonsUpTo31) {
  EXPECT_EQ(SplitMaskPatterns("*.bmp;*.jpg"), (Names{"*.bmp", "*.jpg"}));
  EXPECT_EQ(SplitMaskPatterns("*.bmp;;*.jpg;"), (Names{"*.bmp", "", "*.jpg", ""}));
  EXPECT_EQ(SplitMaskPatterns(""), Names{""});
  std::string mask;
  for (int i = 1; i <= 40; ++i) mask += "*.e" + std::to_string(i) + ";";
  Names patterns = SplitMaskPatterns(mask);
  ASSERT_EQ(patterns.size(), 31u);
  EXPECT_EQ(patterns.back(), "*.e31");
}

TEST(MaskPatterns, MatchOnlyStarDotExtensionAndSkipUnsafeNames) {
  Names entries = {"a.bmp", "b.txt", "c.BMP", "sub\\d.bmp", "..\\..\\x.bmp", "C:\\x.bmp",
                   "\\x.bmp", "sub/../../y.bmp", "noext", "CON.bmp", "写真.BMP"};
  EXPECT_EQ(MatchArchiveMembers(entries, SplitMaskPatterns("*.bmp")),
            (Names{"a.bmp", "c.BMP", "sub\\d.bmp", "写真.BMP"}));
  EXPECT_EQ(MatchArchiveMembers({"a.bmp", "b.jpg"}, SplitMaskPatterns("*.bmp;*.BMP;*.jpg")),
            (Names{"a.bmp", "a.bmp", "b.jpg"}));
  EXPECT_EQ(MatchArchiveMembers(entries, SplitMaskPatterns("*.*;a*.bmp;*;;bmp")), Names{});
}

// Archives, through the archive library ----------------------------------------

namespace {

// An LZH archive of stored (-lh0-, level 0) members; names in UTF-8.
std::string Lzh(const std::vector<std::pair<std::string, std::string>>& members, bool damaged = false) {
  auto le32 = [](uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
  };
  std::string out;
  for (const auto& [utf8, data] : members) {
    std::string name = framework::ToAnsi(utf8);
    uint16_t crc = 0;
    for (unsigned char c : data) {
      crc ^= c;
      for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    }
    if (damaged) crc ^= 0x5555;
    std::string body = "-lh0-" + le32(static_cast<uint32_t>(data.size())) + le32(static_cast<uint32_t>(data.size())) +
                       le32(0x5A210000) + std::string{'\x20', '\x00', static_cast<char>(name.size())} + name +
                       std::string{static_cast<char>(crc), static_cast<char>(crc >> 8)};
    unsigned char sum = 0;
    for (unsigned char c : body) sum = static_cast<unsigned char>(sum + c);
    out += static_cast<char>(body.size());
    out += static_cast<char>(sum);
    out += body + data;
  }
  out += '\0';
  return out;
}

std::string FixtureLibrary() {
  std::string path = "Z:" + std::string(KALEIDON_BUILD_DIR) + "/fixtures/unlha32/UNLHA32.DLL";
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

class ArchivePickTest : public PickTest {
 protected:
  static void SetUpTestSuite() {
    HMODULE module = LoadLibraryW(framework::Widen(FixtureLibrary()).c_str());
    ASSERT_NE(module, nullptr) << FixtureLibrary();
    BindUnlhaLibrary(module);
  }
  static void TearDownTestSuite() { FreeUnlhaLibrary(); }

  std::string Archive(const std::string& file, const std::vector<std::pair<std::string, std::string>>& members,
                      bool damaged = false) {
    pictures.WriteFile(file, Lzh(members, damaged));
    return pictures.PathOf(file);
  }
  std::string FromArchive(const std::string& archive) {
    FileChoice choice = Choice();
    choice.extractWaitMs = 500;
    return PickFromArchive(choice, archive);
  }
  std::string Temp(const std::string& name = "") { return program.PathOf("Temp\\" + name); }
};

}  // namespace

TEST_F(ArchivePickTest, MembersOnceEachThenTheArchiveCountsAsShown) {
  mask = "*.bmp;*.jpg";
  std::string archive = Archive("set1.lzh", {{"a.bmp", "A"}, {"b.txt", "B"}, {"c.BMP", "C"}, {"sub\\d.jpg", "D"}});
  pictures.WriteFile("_Buf.RFB", "x.bmp\r\n");
  std::map<std::string, std::string> content = {{"a.bmp", "A"}, {"c.BMP", "C"}, {"d.jpg", "D"}};
  Names order;
  for (int i = 0; i < 3; ++i) {
    std::string path = FromArchive(archive);
    std::string file = framework::ExtractFileName(path);
    ASSERT_EQ(path, Temp(file));
    ASSERT_TRUE(content.count(file)) << path;
    EXPECT_EQ(program.ReadFile("Temp\\" + file), content[file]);
    EXPECT_TRUE(melt.Extracted);
    EXPECT_EQ(melt.FileName, path);
    order.push_back(file == "d.jpg" ? "sub\\d.jpg" : file);
    EXPECT_EQ(Lines(pictures, "set1.RFB"), order);  // in the order drawn
    content.erase(file);
  }
  EXPECT_TRUE(content.empty());
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), "x.bmp\r\n");

  // Used up: the draw stands, the member history starts over with it, and
  // the archive is appended to its folder's history.
  std::string path = FromArchive(archive);
  EXPECT_EQ(Lines(pictures, "set1.RFB").size(), 1u);
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), "x.bmp\r\nset1.lzh\r\n");
  EXPECT_TRUE(framework::FileExists(path));

  // The folder's draw now passes the archive over.
  List({"set1.lzh", "x.bmp", "y.bmp"});
  EXPECT_EQ(Pick(), pictures.PathOf("y.bmp"));
  EXPECT_TRUE(boxes.empty());
}

TEST_F(ArchivePickTest, TheFolderDrawOpensTheArchive) {
  List({"set1.lzh"});
  Archive("set1.lzh", {{"in.bmp", "IN"}});
  EXPECT_EQ(Pick(), Temp("in.bmp"));
  EXPECT_EQ(rows, std::vector<int>{0});
  EXPECT_FALSE(pictures.Exists("_Buf.RFB"));  // an archive stays a candidate
  EXPECT_EQ(pictures.ReadFile("set1.RFB"), "in.bmp\r\n");
  EXPECT_EQ(program.ReadFile("Temp\\in.bmp"), "IN");
}

TEST_F(ArchivePickTest, DoubledPatternsWeighButNeverHang) {
  mask = "*.bmp;*.BMP";
  std::string archive = Archive("two.lzh", {{"a.bmp", "A"}, {"b.bmp", "B"}});
  for (uint32_t seed : {1u, 2u, 3u, 4u}) {
    framework::SetRandomSeed(seed);
    pictures.WriteFile("two.RFB", "");
    std::set<std::string> pass;
    pass.insert(FromArchive(archive));
    pass.insert(FromArchive(archive));
    EXPECT_EQ(pass, (std::set<std::string>{Temp("a.bmp"), Temp("b.bmp")}));
    FromArchive(archive);
    EXPECT_EQ(Lines(pictures, "two.RFB").size(), 1u);
  }
}

TEST_F(ArchivePickTest, OnlyTheFirstLoopCounterEntriesAreCandidates) {
  loopCounter = 3;
  std::string archive =
      Archive("many.lzh", {{"1.bmp", "1"}, {"2.bmp", "2"}, {"3.bmp", "3"}, {"4.bmp", "4"}, {"5.bmp", "5"}});
  std::set<std::string> seen;
  for (int i = 0; i < 12; ++i) seen.insert(framework::ExtractFileName(FromArchive(archive)));
  EXPECT_EQ(seen, (std::set<std::string>{"1.bmp", "2.bmp", "3.bmp"}));
}

TEST_F(ArchivePickTest, NothingMatchingNamesTheArchiveAndDeletesNothing) {
  mask = "*.jpg";
  std::string archive = Archive("bmps.lzh", {{"a.bmp", "A"}});
  melt = {Temp("old.bmp"), true};
  EXPECT_EQ(FromArchive(archive), "error");
  EXPECT_EQ(melt.FileName, archive);
  EXPECT_FALSE(melt.Extracted);  // the change cycle must not delete the archive
  EXPECT_FALSE(pictures.Exists("bmps.RFB"));
  EXPECT_TRUE(boxes.empty());
}

TEST_F(ArchivePickTest, ArchivesInsideAnArchiveAreRefused) {
  mask = "*.lzh";
  std::string archive = Archive("outer.lzh", {{"inner.lzh", Lzh({{"a.bmp", "A"}})}});
  EXPECT_EQ(FromArchive(archive), Temp());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "暗黒のｴﾗｰ");
  EXPECT_EQ(boxes[0].text, "むぅ～。圧縮ファイルの中に圧縮ファイルは入れないでくれ");
  EXPECT_EQ(boxes[0].flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONWARNING));
  EXPECT_FALSE(pictures.Exists("outer.RFB"));
  EXPECT_EQ(program.FileNames("Temp"), Names{});
  EXPECT_FALSE(melt.Extracted);
}

TEST_F(ArchivePickTest, MemberNamesNeverReachOutsideTemp) {
  mask = "*.bmp";
  std::vector<std::pair<std::string, std::string>> evil = {
      {"..\\..\\evil.bmp", "E"}, {"C:\\evil.bmp", "E"}, {"\\evil.bmp", "E"}, {"ok\\..\\..\\evil.bmp", "E"},
      {"../evil.bmp", "E"},      {"NUL.bmp", "E"}};
  std::string archive = Archive("evil.lzh", evil);
  EXPECT_EQ(FromArchive(archive), "error");
  evil.push_back({"sub\\fine.bmp", "F"});
  Archive("evil.lzh", evil);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(FromArchive(archive), Temp("fine.bmp"));
  EXPECT_EQ(program.FileNames("Temp"), Names{"fine.bmp"});
  EXPECT_EQ(program.FileNames(), Names{});
  // The used-up archive went into its folder's history on the way.
  EXPECT_EQ(pictures.FileNames(), (Names{"_Buf.RFB", "evil.RFB", "evil.lzh"}));
  EXPECT_FALSE(framework::FileExists("C:\\evil.bmp"));
}

TEST_F(ArchivePickTest, AFileThatNeverComesIsARefusedMember) {
  mask = "*.bmp";
  std::string archive = Archive("broken.lzh", {{"bad.bmp", "data that fails its check"}}, true);
  program.WriteFile("Temp\\bad.bmp", "left over");
  EXPECT_EQ(FromArchive(archive), Temp());
  EXPECT_FALSE(program.Exists("Temp\\bad.bmp"));  // the leftover never passes for the member
  EXPECT_TRUE(melt.Extracted);                     // whatever comes late is still cleaned up
  EXPECT_EQ(melt.FileName, Temp("bad.bmp"));
}

TEST_F(ArchivePickTest, OlderMemberHistoryIsTakenOver) {
  mask = "*.bmp";
  std::string archive = Archive("set2.lzh", {{"a.bmp", "A"}, {"b.bmp", "B"}});
  pictures.WriteFile("set2.ini", "a.bmp\r\n");
  EXPECT_EQ(FromArchive(archive), Temp("b.bmp"));
  EXPECT_FALSE(pictures.Exists("set2.ini"));
  EXPECT_EQ(pictures.ReadFile("set2.RFB"), "a.bmp\r\nb.bmp\r\n");
}

TEST_F(ArchivePickTest, WithoutTheLibraryTheArchiveIsUnusable) {
  BindUnlhaLibrary(nullptr);
  std::string archive = Archive("set3.lzh", {{"a.bmp", "A"}});
  std::string result = FromArchive(archive);
  SetUpTestSuite();
  EXPECT_EQ(result, "error");
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes[0].text, "UnlhaOpenArchive: LHA.DLL not loaded.");
}
