#include "selection/randomfile.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "archive/unlha32.h"
#include "core/settings.h"
#include "framework/base/exception.h"
#include "framework/base/paths.h"
#include "framework/base/random.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "framework/imaging/bitmap.h"
#include "framework/imaging/graphics.h"
#include "plugins/spibitmap.h"
#include "plugins/spis.h"
#include "selection/exclusions.h"
#include "selection/historytext.h"
#include "support/fixtures.h"
#include "support/jpegfiles.h"
#include "support/tempdir.h"
#include "ui/settingsfile.h"

using namespace kaleidon;
using Names = std::vector<std::string>;
using Members = std::vector<std::pair<std::string, std::string>>;

namespace {

Names Lines(const TempDir& dir, const std::string& file) {
  return ParseHistoryText(framework::DecodeStoredText(dir.ReadFile(file)));
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
  void List(const Names& files) {
    names = files;
    for (const std::string& f : files)
      if (!pictures.Exists(f)) pictures.WriteFile(f, f);
  }
  FileChoice Choice() {
    FileChoice choice{.folder = pictures.path(), .names = names, .mask = mask, .currentSlot = 4,
                      .loopCounter = loopCounter, .owner = nullptr, .programFolder = program.path(),
                      .selectRow = [this](int row) { rows.push_back(row); }, .settings = OpenSettings(),
                      .notices = framework::Application::Instance(), .extractWaitMs = 500};
    choice.demand = demand;
    return choice;
  }
  std::string Pick() {
    FileChoice choice = Choice();
    last = PickRandomFile(choice);
    EXPECT_EQ(last.kind, PickResult::Kind::Picture);
    return framework::ExtractFileName(last.path);
  }
  static std::string AllShown() { return OpenSettings().ReadString(kAllFilesSelectedDirectorys, "Directory4", ""); }

  TempDir program, pictures;
  Names names;
  std::string mask = "*.bmp;*.jpg;*.lzh";
  int loopCounter = 256;
  PictureDemand demand;  // none
  PickResult last;  // what the last choice came to
  std::vector<int> rows;
  std::vector<framework::MessageBoxCall> boxes;
};

}  // namespace

TEST_F(PickTest, EveryFileOnceThenTheFolderStartsOver) {
  for (const Names& files : {Names{"only.jpg"}, Names{"a.bmp", "B.jpg", "c.bmp", "写真.jpg", "e.BMP"}}) {
    List(files);
    for (uint32_t seed : {1u, 2u}) {
      framework::SetRandomSeed(seed);
      pictures.WriteFile("_Buf.RFB", "");
      OpenSettings().EraseSection(kAllFilesSelectedDirectorys);
      std::set<std::string> shown;
      for (size_t i = 0; i < names.size(); ++i) {
        std::string name = Pick();
        EXPECT_TRUE(shown.insert(name).second) << name << " twice";
        EXPECT_EQ(names.at(static_cast<size_t>(rows.back())), name);
        Names history = Lines(pictures, "_Buf.RFB");
        EXPECT_EQ(history.size(), i + 1);
        EXPECT_TRUE(std::is_sorted(history.begin(), history.end(), [](const std::string& a, const std::string& b) {
          return framework::CompareTextNoCase(a, b) < 0;
        }));
      }
      EXPECT_EQ(AllShown(), "");
      // All shown: the history starts over with this draw, the folder is marked.
      std::string last = Pick();
      EXPECT_EQ(Lines(pictures, "_Buf.RFB"), Names{last});
      EXPECT_EQ(AllShown(), pictures.path());
    }
  }
}

TEST_F(PickTest, PicturesThatSuitTheMonitorComeFirstAndTheRestStillInTheSamePass) {
  auto bmp = [](int width, int height) { return framework::Bitmap(width, height, 24).SaveToBytes(); };
  const std::string landscapeJpeg =
      StreamedJpeg(30, 20, 80, [](int x, int y) { return framework::Rgb{uint8_t(x), uint8_t(y), 0}; });
  // A portrait monitor of 30 x 40 asking for at least half of each side.
  demand = {30, 40, true, 50};
  const Names suiting = {"p1.bmp", "p2.bmp", "turned.jpg"};
  pictures.WriteFile("p1.bmp", bmp(20, 30));
  pictures.WriteFile("p2.bmp", bmp(15, 20));
  pictures.WriteFile("turned.jpg", WithExifOrientation(landscapeJpeg, 6));  // a phone's portrait photo
  pictures.WriteFile("small.bmp", bmp(14, 20));
  pictures.WriteFile("l1.bmp", bmp(30, 20));
  pictures.WriteFile("l2.bmp", bmp(40, 30));
  pictures.WriteFile("upright.jpg", WithExifOrientation(landscapeJpeg, 3));
  List({"l1.bmp", "l2.bmp", "p1.bmp", "p2.bmp", "small.bmp", "turned.jpg", "upright.jpg"});
  for (uint32_t seed : {1u, 2u, 3u}) {
    framework::SetRandomSeed(seed);
    pictures.WriteFile("_Buf.RFB", "");
    std::set<std::string> shown;
    for (size_t i = 0; i < names.size(); ++i) {
      const std::string name = Pick();
      EXPECT_TRUE(shown.insert(name).second) << name << " twice";
      const bool suits = std::count(suiting.begin(), suiting.end(), name) > 0;
      EXPECT_EQ(suits, i < suiting.size()) << name << " drawn " << i << " of seed " << seed;
    }
    // The pass ends only once the pictures passed over were shown too.
    const std::string next = Pick();
    EXPECT_EQ(Lines(pictures, "_Buf.RFB"), Names{next});
    EXPECT_TRUE(std::count(suiting.begin(), suiting.end(), next)) << next;
  }
  EXPECT_TRUE(boxes.empty());
}

TEST_F(PickTest, PicturesOfAPluginFormatAreChosenByTheShapeTheirPluginTells) {
  // The test plug-in reads PGM and PPM; the program reads no header of them.
  TempDir plugins;
  ASSERT_TRUE(CopyFileW(framework::Widen(BuildOutputPath("fixtures/spi/ppm.spi")).c_str(),
                        framework::Widen(plugins.PathOf("ppm.spi")).c_str(), FALSE));
  TSPIs spis;
  const auto forget = framework::ScopeExit([] { framework::Picture::UnregisterGraphicKind(kSPIBitmapKind); });
  spis.Search(plugins.PathOf("*.spi"));
  ASSERT_EQ(spis.Count(), 1);
  struct Case {
    const char* name;
    PictureDemand demand;
    Names suiting;
  };
  const Case cases[] = {
      {"portrait monitor", {30, 40, true, 0}, {"tall.pgm", "tall.ppm", "square.ppm"}},  // square suits either
      {"landscape monitor", {40, 30, true, 0}, {"wide.pgm", "wide.ppm", "square.ppm"}},
      {"at least half of each side", {40, 30, false, 50}, {"wide.ppm", "square.ppm"}},
  };
  auto pnm = [](char kind, int width, int height) {
    const int samples = width * height * (kind == '6' ? 3 : 1);
    return std::string("P") + kind + "\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n" +
           std::string(static_cast<size_t>(samples), '\x40');
  };
  pictures.WriteFile("tall.pgm", pnm('5', 10, 20));
  pictures.WriteFile("tall.ppm", pnm('6', 2, 3));
  pictures.WriteFile("wide.pgm", pnm('5', 3, 2));
  pictures.WriteFile("wide.ppm", pnm('6', 20, 15));
  pictures.WriteFile("square.ppm", pnm('6', 20, 20));
  mask = "*.pgm;*.ppm";
  List({"square.ppm", "tall.pgm", "tall.ppm", "wide.pgm", "wide.ppm"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    demand = c.demand;
    for (uint32_t seed : {1u, 2u}) {
      framework::SetRandomSeed(seed);
      pictures.WriteFile("_Buf.RFB", "");
      for (size_t i = 0; i < c.suiting.size(); ++i) {
        const std::string name = Pick();
        EXPECT_TRUE(std::count(c.suiting.begin(), c.suiting.end(), name)) << name << " drawn " << i;
      }
    }
  }
}

TEST_F(PickTest, NamesNoLongerListedNeitherStallNorSkewThePass) {
  List({"a.bmp", "b.bmp", "c.bmp"});
  for (uint32_t seed : {1u, 9u, 17u}) {
    framework::SetRandomSeed(seed);
    pictures.WriteFile("_Buf.RFB", "gone1.bmp\r\ngone2.bmp\r\nA.BMP\r\ngone3.bmp\r\nb.bmp\r\ngone4.jpg\r\n");
    EXPECT_EQ(Pick(), "c.bmp");
    std::string next = Pick();
    EXPECT_EQ(Lines(pictures, "_Buf.RFB"), Names{next});
    EXPECT_EQ(AllShown(), pictures.path());
  }
  // A name the ANSI code page cannot hold is still shown once per pass.
  List({"ąę.jpg", "b.jpg"});
  pictures.WriteFile("_Buf.RFB", "");
  EXPECT_EQ((std::set<std::string>{Pick(), Pick()}), (std::set<std::string>{"ąę.jpg", "b.jpg"}));
  Pick();
  EXPECT_EQ(Lines(pictures, "_Buf.RFB").size(), 1u);
}

TEST_F(PickTest, OlderHistoryIsTakenOverAndKeptSorted) {
  List({"a.bmp", "B.bmp", "c.bmp", "d.bmp"});
  pictures.WriteFile("_Buf.ini", "c.bmp\r\nB.bmp\nd.bmp\r\n");
  EXPECT_EQ(Pick(), "a.bmp");
  EXPECT_FALSE(pictures.Exists("_Buf.ini"));
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), "a.bmp\r\nB.bmp\r\nc.bmp\r\nd.bmp\r\n");
  // Both present: the older one goes, the newer one is used.
  pictures.WriteFile("_Buf.ini", "a.bmp\r\nc.bmp\r\n");
  pictures.WriteFile("_Buf.RFB", "B.bmp\r\nc.bmp\r\nd.bmp\r\n");
  EXPECT_EQ(Pick(), "a.bmp");
  EXPECT_EQ(pictures.FileNames(), (Names{"B.bmp", "_Buf.RFB", "a.bmp", "c.bmp", "d.bmp"}));
  // An archive used up is appended, not sorted in.
  MarkArchiveShown(pictures.PathOf("0.lzh"));
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), "a.bmp\r\nB.bmp\r\nc.bmp\r\nd.bmp\r\n0.lzh\r\n");
}

TEST_F(PickTest, FailuresRaiseAndTheSelectionStillFollowsTheDraw) {
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

  // A garbled history gives a listed file, or, when its bytes are no text,
  // is refused and kept as it is.
  List({"a.bmp", "b.bmp", "c.bmp"});
  std::mt19937 gen(3);
  for (int round = 0; round < 20; ++round) {
    std::string bytes;
    for (int i = 0; i < 200; ++i) bytes += round % 2 ? static_cast<char>(gen()) : "a.bmp\r\n\x81\0"[gen() % 9];
    pictures.WriteFile("_Buf.RFB", bytes);
    try {
      EXPECT_NE(std::find(names.begin(), names.end(), Pick()), names.end());
    } catch (const framework::EReadRefused&) {
      EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), bytes);
    }
  }
}

TEST_F(PickTest, ExcludedPicturesAreNeverDrawnWhateverTheirNames) {
  List({"a.bmp", "b.bmp", "C.bmp", "𠮷.jpg", "한글.jpg", "写真.jpg"});
  for (const char* name : {"b.bmp", "c.BMP", "𠮷.jpg", "한글.jpg"}) ExcludePicture({pictures.PathOf(name), {}});
  std::map<std::string, int> drawn;
  for (int i = 0; i < 200; ++i) {
    ++drawn[Pick()];
    for (const std::string& shown : Lines(pictures, "_Buf.RFB")) EXPECT_TRUE(shown == "a.bmp" || shown == "写真.jpg");
  }
  // The two left are each shown once a pass.
  EXPECT_EQ(drawn, (std::map<std::string, int>{{"a.bmp", 100}, {"写真.jpg", 100}}));
  EXPECT_EQ(AllShown(), pictures.path());
}

TEST_F(PickTest, AFolderOfOnlyExcludedPicturesIsUsedUpAndNothingIsDrawn) {
  // Every picture not excluded shown already: the pass ends as it always
  // does, and the draw is among those.
  List({"a.bmp", "b.bmp", "c.bmp"});
  ExcludePicture({pictures.PathOf("c.bmp"), {}});
  pictures.WriteFile("_Buf.RFB", "a.bmp\r\nb.bmp\r\n");
  const std::string next = Pick();
  EXPECT_NE(next, "c.bmp");
  EXPECT_EQ(Lines(pictures, "_Buf.RFB"), Names{next});
  EXPECT_EQ(AllShown(), pictures.path());

  // Every picture excluded: the history starts over, the folder is marked
  // shown through, and the choice says that nothing can be drawn.
  OpenSettings().EraseSection(kAllFilesSelectedDirectorys);
  ExcludePicture({pictures.PathOf("a.bmp"), {}});
  ExcludePicture({pictures.PathOf("b.bmp"), {}});
  for (int round = 0; round < 2; ++round) {
    FileChoice choice = Choice();
    PickResult result = PickRandomFile(choice);
    EXPECT_EQ(result.kind, PickResult::Kind::AllExcluded);
    EXPECT_EQ(result.path, "");
    EXPECT_EQ(rows.back(), -1);
    EXPECT_EQ(Lines(pictures, "_Buf.RFB"), Names{});
    EXPECT_EQ(AllShown(), pictures.path());
  }
  EXPECT_EQ(ExcludedCount(pictures.path()), 3u);
  ClearExclusions(pictures.path());
  EXPECT_EQ(pictures.FileNames(), (Names{"_Buf.RFB", "a.bmp", "b.bmp", "c.bmp"}));
  EXPECT_NE(Pick(), "");
}

TEST(MaskPatterns, SplitUpTo31AndMatchOnlyStarDotExtension) {
  EXPECT_EQ(SplitMaskPatterns("*.bmp;;*.jpg;"), (Names{"*.bmp", "", "*.jpg", ""}));
  std::string mask;
  for (int i = 1; i <= 40; ++i) mask += "*.e" + std::to_string(i) + ";";
  Names patterns = SplitMaskPatterns(mask);
  ASSERT_EQ(patterns.size(), 31u);
  EXPECT_EQ(patterns.back(), "*.e31");

  Names entries = {"a.bmp", "b.txt", "c.BMP", "sub\\d.bmp", "..\\..\\x.bmp", "C:\\x.bmp",
                   "\\x.bmp", "sub/../../y.bmp", "noext", "CON.bmp", "写真.BMP"};
  EXPECT_EQ(MatchArchiveMembers(entries, SplitMaskPatterns("*.bmp")),
            (Names{"a.bmp", "c.BMP", "sub\\d.bmp", "写真.BMP"}));
  EXPECT_EQ(MatchArchiveMembers({"a.bmp", "b.jpg"}, SplitMaskPatterns("*.bmp;*.BMP;*.jpg")),
            (Names{"a.bmp", "a.bmp", "b.jpg"}));
  EXPECT_EQ(MatchArchiveMembers(entries, SplitMaskPatterns("*.*;a*.bmp;*;;bmp")), Names{});
}

// Archives, through the real archive library ----------------------------------

namespace {

// An LZH archive of stored (-lh0-, header level 0) members; names in UTF-8.
std::string Lzh(const Members& members, bool damaged = false) {
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
    std::string size = le32(static_cast<uint32_t>(data.size()));
    std::string body = "-lh0-" + size + size + le32(0x5A210000) + std::string{'\x20', '\x00'} +
                       static_cast<char>(name.size()) + name + static_cast<char>(crc) + static_cast<char>(crc >> 8);
    unsigned char sum = 0;
    for (unsigned char c : body) sum = static_cast<unsigned char>(sum + c);
    out += std::string{static_cast<char>(body.size()), static_cast<char>(sum)} + body + data;
  }
  return out + '\0';
}

class ArchivePickTest : public PickTest {
 protected:
  static void SetUpTestSuite() { BindFixtureArchiveLibrary(); }
  static void TearDownTestSuite() { FreeUnlhaLibrary(); }

  std::string Archive(const std::string& file, const Members& members, bool damaged = false) {
    pictures.WriteFile(file, Lzh(members, damaged));
    return pictures.PathOf(file);
  }
  // The path of a picture; otherwise what came instead.
  std::string FromArchive(const std::string& archive) {
    FileChoice choice = Choice();
    last = PickFromArchive(choice, archive);
    switch (last.kind) {
      case PickResult::Kind::Picture: return last.path;
      case PickResult::Kind::ArchiveUsedUp: return "used up: " + last.path;
      case PickResult::Kind::MemberRefused: return last.path.empty() ? "refused" : "refused, naming " + last.path;
      case PickResult::Kind::AllExcluded: return "all excluded";
    }
    return "?";
  }
  std::string Temp(const std::string& name = "") { return program.PathOf("Temp\\" + name); }
};

}  // namespace

TEST_F(ArchivePickTest, MembersOnceEachThenTheArchiveCountsAsShown) {
  mask = "*.bmp;*.jpg";
  List({"set1.lzh"});
  Archive("set1.lzh", {{"a.bmp", "A"}, {"b.txt", "B"}, {"c.BMP", "C"}, {"写真\\d.jpg", "D"}});
  pictures.WriteFile("_Buf.RFB", "x.bmp\r\n");
  std::map<std::string, std::string> left = {{"a.bmp", "A"}, {"c.BMP", "C"}, {"d.jpg", "D"}};
  Names order;
  for (int i = 0; i < 3; ++i) {
    FileChoice choice = Choice();
    PickResult result = PickRandomFile(choice);
    ASSERT_EQ(result.kind, PickResult::Kind::Picture);
    const std::string& path = result.path;
    std::string file = framework::ExtractFileName(path);
    ASSERT_EQ(path, Temp(file));
    ASSERT_EQ(left.count(file), 1u) << path;
    EXPECT_EQ(program.ReadFile("Temp\\" + file), left[file]);
    EXPECT_TRUE(result.extracted);
    EXPECT_EQ(rows.back(), 0);
    order.push_back(file == "d.jpg" ? "写真\\d.jpg" : file);
    EXPECT_EQ(Lines(pictures, "set1.RFB"), order);  // in the order drawn
    EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), "x.bmp\r\n");  // the archive stays a candidate
    left.erase(file);
  }
  // Used up: the draw stands, the member history starts over with it, and
  // the archive joins its folder's history, so the folder's draw passes it over.
  EXPECT_TRUE(framework::FileExists(FromArchive(pictures.PathOf("set1.lzh"))));
  EXPECT_EQ(Lines(pictures, "set1.RFB").size(), 1u);
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), "x.bmp\r\nset1.lzh\r\n");
  List({"set1.lzh", "x.bmp", "y.bmp"});
  EXPECT_EQ(Pick(), "y.bmp");
  EXPECT_TRUE(boxes.empty());
}

TEST_F(ArchivePickTest, DoubledPatternsAndTheReadLimit) {
  mask = "*.bmp;*.BMP";
  std::string two = Archive("two.lzh", {{"a.bmp", "A"}, {"b.bmp", "B"}});
  for (uint32_t seed : {1u, 2u, 3u}) {
    framework::SetRandomSeed(seed);
    pictures.WriteFile("two.RFB", "");
    EXPECT_EQ((std::set<std::string>{FromArchive(two), FromArchive(two)}),
              (std::set<std::string>{Temp("a.bmp"), Temp("b.bmp")}));
    FromArchive(two);
    EXPECT_EQ(Lines(pictures, "two.RFB").size(), 1u);
  }
  loopCounter = 3;
  std::string many = Archive("many.lzh", {{"1.bmp", "1"}, {"2.bmp", "2"}, {"3.bmp", "3"}, {"4.bmp", "4"}});
  std::set<std::string> seen;
  for (int i = 0; i < 10; ++i) seen.insert(FromArchive(many));
  EXPECT_EQ(seen, (std::set<std::string>{Temp("1.bmp"), Temp("2.bmp"), Temp("3.bmp")}));
}

TEST_F(ArchivePickTest, NoUsableMemberNamesTheArchiveWhichIsNoTempFile) {
  mask = "*.jpg";
  std::string archive = Archive("bmps.lzh", {{"a.bmp", "A"}});
  EXPECT_EQ(FromArchive(archive), "used up: " + archive);
  // The archive never becomes a file to delete.
  EXPECT_FALSE(last.extracted);
  EXPECT_FALSE(pictures.Exists("bmps.RFB"));

  // Without the library every archive is unusable, after the library's report.
  BindUnlhaLibrary(nullptr, framework::Application::Instance());
  std::string result = FromArchive(archive);
  SetUpTestSuite();
  EXPECT_EQ(result, "used up: " + archive);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "UnlhaOpenArchive: LHA.DLL not loaded.");
}

TEST_F(ArchivePickTest, ArchivesInsideAnArchiveAreRefused) {
  mask = "*.lzh";
  pictures.WriteFile("outer.ini", "");
  std::string archive = Archive("outer.lzh", {{"inner.lzh", Lzh({{"a.bmp", "A"}})}});
  EXPECT_EQ(FromArchive(archive), "refused");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "暗黒のｴﾗｰ");
  EXPECT_EQ(boxes[0].text, "むぅ～。圧縮ファイルの中に圧縮ファイルは入れないでくれ");
  EXPECT_EQ(boxes[0].flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONWARNING));
  EXPECT_EQ(pictures.FileNames(), (Names{"outer.RFB", "outer.lzh"}));  // the older history renamed
  EXPECT_EQ(pictures.ReadFile("outer.RFB"), "inner.lzh\r\n");        // and the refusal counted as shown
  EXPECT_EQ(program.FileNames("Temp"), Names{});
  EXPECT_FALSE(last.extracted);
}

TEST_F(ArchivePickTest, AnArchiveHoldingAnArchiveIsUsedUpAfterItsOtherMembers) {
  mask = "*.bmp;*.lzh";
  List({"outer.lzh"});
  std::string archive = Archive("outer.lzh", {{"a.bmp", "A"}, {"inner.lzh", Lzh({{"b.bmp", "B"}})}, {"c.bmp", "C"}});
  for (uint32_t seed : {1u, 2u, 3u, 4u}) {
    framework::SetRandomSeed(seed);
    pictures.WriteFile("_Buf.RFB", "");
    pictures.WriteFile("outer.RFB", "");
    std::multiset<std::string> results;
    for (int i = 0; i < 3; ++i) results.insert(FromArchive(archive));
    EXPECT_EQ(results, (std::multiset<std::string>{Temp("a.bmp"), Temp("c.bmp"), "refused"}));
    EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), "");
    // Every member has had its turn: the next choice ends the archive's pass.
    FromArchive(archive);
    EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), "outer.lzh\r\n");
  }
}

TEST_F(ArchivePickTest, MemberNamesNeverReachOutsideTemp) {
  mask = "*.bmp";
  Members evil = {{"..\\..\\evil.bmp", "E"}, {"C:\\evil.bmp", "E"}, {"\\evil.bmp", "E"},
                  {"ok\\..\\..\\evil.bmp", "E"}, {"../evil.bmp", "E"}, {"NUL.bmp", "E"}};
  std::string archive = Archive("evil.lzh", evil);
  EXPECT_EQ(FromArchive(archive), "used up: " + archive);
  evil.push_back({"sub\\fine.bmp", "F"});
  Archive("evil.lzh", evil);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(FromArchive(archive), Temp("fine.bmp"));
  EXPECT_EQ(program.FileNames("Temp"), Names{"fine.bmp"});
  EXPECT_EQ(program.FileNames(), Names{});
  EXPECT_EQ(pictures.FileNames(), (Names{"_Buf.RFB", "evil.RFB", "evil.lzh"}));
  EXPECT_FALSE(framework::FileExists("C:\\evil.bmp"));
}

TEST_F(ArchivePickTest, AnExtractionTheLibraryReportsFailedIsARefusedMemberAtOnce) {
  mask = "*.bmp";
  std::string archive = Archive("broken.lzh", {{"bad.bmp", "data that fails its check"}}, true);
  program.WriteFile("Temp\\bad.bmp", "left over");
  unsigned pauses = 0;
  FileChoice choice = Choice();
  choice.pause = [&pauses](unsigned) { ++pauses; };
  PickResult result = PickFromArchive(choice, archive);
  EXPECT_EQ(result.kind, PickResult::Kind::MemberRefused);
  EXPECT_EQ(pauses, 0u);  // no waiting for a file that is not coming
  EXPECT_EQ(program.FileNames("Temp"), Names{});  // neither the leftover nor a part of the member
  EXPECT_FALSE(result.extracted);  // nothing to delete later
  EXPECT_EQ(Lines(pictures, "broken.RFB"), Names{"bad.bmp"});
}

TEST_F(ArchivePickTest, ExcludedMembersAreNeverDrawnAndAnArchiveOfThemAloneIsUsedUp) {
  mask = "*.bmp";
  List({"set.lzh"});
  const std::string archive = Archive("set.lzh", {{"a.bmp", "A"}, {"b.bmp", "B"}, {"c.bmp", "C"}});
  ExcludePicture({archive, "B.BMP"});
  // A file of the folder of the same name is another picture.
  ExcludePicture({pictures.PathOf("c.bmp"), {}});
  EXPECT_EQ(pictures.ReadFile("_Never.RFB"), "c.bmp\r\nset.lzh\\B.BMP\r\n");
  std::set<std::string> seen;
  for (int i = 0; i < 20; ++i) seen.insert(FromArchive(archive));
  EXPECT_EQ(seen, (std::set<std::string>{Temp("a.bmp"), Temp("c.bmp")}));
  for (int i = 0; i < 20; ++i) {
    FileChoice choice = Choice();
    EXPECT_NE(PickArchiveMember(choice, archive, {"a.bmp", "b.bmp"}), "b.bmp");
  }

  ExcludePicture({archive, "a.bmp"});
  ExcludePicture({archive, "c.bmp"});
  EXPECT_EQ(FromArchive(archive), "used up: " + archive);
  FileChoice choice = Choice();
  EXPECT_EQ(PickArchiveMember(choice, archive, {"a.bmp", "b.bmp"}), "");
  EXPECT_EQ(PickRandomFile(choice).kind, PickResult::Kind::ArchiveUsedUp);
  EXPECT_TRUE(boxes.empty());
}

// Members chosen by shape: their sizes are learned by extracting them into
// memory. shapes.lzh (made by the build with jlha) holds tall.bmp (30x60),
// wide.jpg (60x30) and wide.bmp (64x32).
TEST_F(ArchivePickTest, MembersChosenByShapeWhenTheLibraryExtractsIntoMemory) {
  const std::string fixture =
      framework::ReadWholeFile(BuildOutputPath("fixtures/archives/shapes.lzh")).value_or("");
  ASSERT_FALSE(fixture.empty());
  auto restore = framework::ScopeExit([] {
    FreeUnlhaLibrary();
    BindFixtureArchiveLibrary();
  });
  struct Case {
    const char* what;
    const char* library;  // fixture folder of the archive library
    int width, height;    // the monitor
    Names wanted;         // what fresh draws may give
    bool firstStandsAfter;  // after the member of its shape, the other shape comes next
  };
  const Case cases[] = {
      {"portrait monitor", "fixtures/unlha32", 30, 40, {"tall.bmp"}, true},
      {"landscape monitor", "fixtures/unlha32", 40, 30, {"wide.bmp", "wide.jpg"}, false},
      // Without UnlhaExtractMem every member counts as suiting.
      {"library without memory extraction", "fixtures/unlha32-partial", 30, 40,
       {"tall.bmp", "wide.bmp", "wide.jpg"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FreeUnlhaLibrary();
    const std::string dll = BuildOutputPath(std::string(c.library) + "/UNLHA32.DLL");
    HMODULE module = LoadLibraryW(framework::Widen(dll).c_str());
    ASSERT_NE(module, nullptr) << dll;
    BindUnlhaLibrary(module, framework::Application::Instance());
    demand = {c.width, c.height, true, 0};
    pictures.WriteFile("shapes.lzh", fixture);
    const std::string archive = pictures.PathOf("shapes.lzh");
    std::set<std::string> seen;
    for (int seed = 1; seed <= 12; ++seed) {
      framework::SetRandomSeed(static_cast<uint32_t>(seed));
      framework::DeleteFileAt(pictures.PathOf("shapes.RFB"));
      seen.insert(framework::ExtractFileName(FromArchive(archive)));
    }
    EXPECT_EQ(Names(seen.begin(), seen.end()), c.wanted);
    if (c.firstStandsAfter) {
      // tall.bmp is shown; no other member suits, so the draw among the
      // unshown stands, and the pass goes on.
      const std::string next = framework::ExtractFileName(FromArchive(archive));
      EXPECT_NE(next, "tall.bmp");
      EXPECT_EQ(Lines(pictures, "shapes.RFB"), (Names{"tall.bmp", next}));
    }
    EXPECT_TRUE(boxes.empty());
  }
}
