// The plug-in module and the plug-in collection, with real plug-in DLLs.
#include "plugins/spi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <typeindex>

#include "plugins/spis.h"
#include "plugintest.h"

using namespace kaleidon;

namespace {

std::vector<std::string> NamesOf(const TSPIs& spis) {
  std::vector<std::string> names;
  for (int i = 0; i < spis.Count(); ++i) names.push_back(framework::ExtractFileName(spis.Items(i).FileName()));
  return names;
}

std::vector<std::string> NamesOf(const std::vector<TSPI*>& list) {
  std::vector<std::string> names;
  for (const TSPI* spi : list) names.push_back(framework::ExtractFileName(spi->FileName()));
  return names;
}

TEST(SPIModule, TheVersionTagChoosesTheClass) {
  struct Row {
    const char* fixture;
    std::vector<std::string> info;
    std::type_index expected;
  };
  const Row rows[] = {
      {"ppm", {}, typeid(TInSPI)},
      {"xn", {}, typeid(TXnSPI)},
      {"ppm", {"00AM", "archive"}, typeid(TAmSPI)},
      {"ppm", {"00in", "lower case"}, typeid(TSPI)},
      {"ppm", {"-", "no tag"}, typeid(TSPI)},
      {"ppm", {"00IN ", "trailing blank"}, typeid(TSPI)},
  };
  for (const Row& row : rows) {
    TempDir dir;
    std::string path = PlantPlugin(dir.path(), row.fixture, "p.spi", row.info);
    {
      std::unique_ptr<TSPI> spi = CreateSPI(path);
      ASSERT_TRUE(spi) << path;
      EXPECT_EQ(std::type_index(typeid(*spi)), row.expected)
          << row.fixture << " " << (row.info.empty() ? "" : row.info[0]);
      EXPECT_EQ(spi->FileName(), path);
      EXPECT_TRUE(Loaded(path));
    }
    EXPECT_FALSE(Loaded(path));
  }
}

TEST(SPIModule, AFileThatIsNoUsablePluginGivesNoObjectAndLeavesNothingLoaded) {
  TempDir dir;
  dir.WriteFile("text.spi", "not a library at all");
  struct Row {
    std::string path;
    bool loads;               // the library itself loads
    std::string constructed;  // the error of the constructor of the tag's class
  };
  const std::string noInfo = PlantPlugin(dir.path(), "noinfo", "noinfo.spi");
  const std::string noGet = PlantPlugin(dir.path(), "noget", "noget.spi");
  const Row rows[] = {
      {dir.PathOf("text.spi"), false, dir.PathOf("text.spi") + ":Susie Pluginがロードできませんでした"},
      {dir.PathOf("missing.spi"), false, dir.PathOf("missing.spi") + ":Susie Pluginがロードできませんでした"},
      {noInfo, true, noInfo + ":認識できないSusie Pluginです"},
      {noGet, true, noGet + ":認識できないSusie Pluginです"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(CreateSPI(row.path), nullptr) << row.path;
    EXPECT_FALSE(Loaded(row.path)) << row.path;
    try {
      TInSPI spi(row.path);
      ADD_FAILURE() << row.path << " made an object";
    } catch (const ESPIFOpenErrorSPI& e) {
      EXPECT_FALSE(row.loads);
      EXPECT_EQ(e.Message(), row.constructed);
    } catch (const ESPIInvalidSPI& e) {
      EXPECT_TRUE(row.loads);
      EXPECT_EQ(e.Message(), row.constructed);
    }
    EXPECT_FALSE(Loaded(row.path)) << row.path;
  }
}

TEST(SPIModule, FiltersAndFileTypesComeInPairsAndBothNumbersAreAlwaysAsked) {
  struct Row {
    std::vector<std::string> info;
    std::vector<std::string> filters, types;
    std::vector<int> asked;
  };
  const Row rows[] = {
      {{"00IN", "d", "*.ppm", "ＰＰＭ画像", "*.pgm"}, {"*.ppm"}, {"ＰＰＭ画像"}, {0, 1, 2, 3, 4, 5}},
      {{"00IN", "d", "-", "type without filter", "*.x", "X"}, {}, {}, {0, 1, 2, 3}},
      {{"00IN", "d"}, {}, {}, {0, 1, 2, 3}},
      {{"00IN", "d", "*.a", "A", "*.pnm;*.b", "B"}, {"*.a", "*.pnm;*.b"}, {"A", "B"}, {0, 1, 2, 3, 4, 5, 6, 7}},
  };
  for (const Row& row : rows) {
    TempDir dir;
    std::string path = PlantPlugin(dir.path(), "ppm", "p.spi", row.info);
    TSPI spi(path);
    EXPECT_EQ(spi.Version(), "00IN");
    EXPECT_EQ(spi.Filters(), row.filters);
    EXPECT_EQ(spi.FileTypes(), row.types);
    const SpiCallRecord& calls = CallsOf(spi);
    EXPECT_EQ(std::vector<int>(calls.infoNumbers, calls.infoNumbers + calls.infoCalls), row.asked);
  }
}

// A plug-in's own libraries come from its folder or the system's, never
// from the working folder.
TEST(SPIModule, APluginsDependenciesAreNotTakenFromTheWorkingFolder) {
  TempDir pluginDir, workDir;
  std::string helper = BuildOutputPath("fixtures/spi-helper/spihelper.dll");
  std::string plugin = PlantPlugin(pluginDir.path(), "needshelper", "needshelper.spi");
  ASSERT_TRUE(
      CopyFileW(framework::Widen(helper).c_str(), framework::Widen(workDir.PathOf("spihelper.dll")).c_str(), FALSE));
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  SetCurrentDirectoryW(framework::Widen(workDir.path()).c_str());
  EXPECT_EQ(CreateSPI(plugin), nullptr);

  ASSERT_TRUE(
      CopyFileW(framework::Widen(helper).c_str(), framework::Widen(pluginDir.PathOf("spihelper.dll")).c_str(), FALSE));
  EXPECT_NE(CreateSPI(plugin), nullptr);
  SetCurrentDirectoryW(previous);
}

// The collection's tests run with the plug-in folders of their own: the
// viewer's registered folder, the program folder, the working folder.
class SPICollection : public ::testing::Test {
 protected:
  void SetUp() override {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Zembrick\\Susie\\Plug-in", 0, nullptr, 0, KEY_WRITE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    std::wstring path = framework::Widen(susie.path());
    RegSetValueExW(key, L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    framework::OverrideProgramFolder(app.path());
    GetCurrentDirectoryW(MAX_PATH, previous_);
    SetCurrentDirectoryW(framework::Widen(current.path()).c_str());
  }
  void TearDown() override {
    spis.reset();
    SetCurrentDirectoryW(previous_);
    framework::OverrideProgramFolder("");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Zembrick");
  }

  TSPIs& Collection() {
    if (!spis) spis = std::make_unique<TSPIs>();
    return *spis;
  }

  // Declared before the collection, so they go after its libraries.
  TempDir susie, app, current, other;
  PictureFormatsRestored formats;
  std::unique_ptr<TSPIs> spis;

 private:
  wchar_t previous_[MAX_PATH] = {};
};

TEST_F(SPICollection, SearchVisitsTheFoldersOfItsOptionsInOrder) {
  PlantPlugin(susie.path(), "ppm", "s.spi");
  PlantPlugin(app.path(), "ppm", "a.spi");
  PlantPlugin(current.path(), "ppm", "c.spi");
  PlantPlugin(other.path(), "ppm", "o.spi");
  struct Row {
    TSPISearchOptions options;
    std::string mask;
    std::vector<std::string> expected;
  };
  const Row rows[] = {
      {{}, "*.spi", {}},
      {{spsSusieDir, spsAppDir}, "*.spi", {"s.spi", "a.spi"}},
      {{spsCurrentDir, spsAppDir, spsSusieDir}, "*.spi", {"s.spi", "a.spi", "c.spi"}},
      {{spsCurrentDir}, "*.spi", {"c.spi"}},
      {{spsSystemDir, spsWindowsDir}, "*.spi", {}},
      {{spsSusieDir, spsAppDir}, other.PathOf("*.spi"), {"o.spi"}},
      {{}, other.PathOf("o.*"), {"o.spi"}},
  };
  for (const Row& row : rows) {
    spis.reset();
    Collection().SearchOptions = row.options;
    Collection().Search(row.mask);
    EXPECT_EQ(NamesOf(*spis), row.expected) << row.mask << " options " << int(row.options.Bits());
  }
}

TEST_F(SPICollection, TheNewCollectionSearchesTheViewersFolderAndTheProgramFolder) {
  PlantPlugin(susie.path(), "ppm", "s.spi");
  PlantPlugin(app.path(), "ppm", "a.spi");
  PlantPlugin(current.path(), "ppm", "c.spi");
  EXPECT_TRUE(Collection().AutoSearch);
  EXPECT_EQ(Collection().SearchOptions, (TSPISearchOptions{spsSusieDir, spsAppDir}));
  Collection().Loaded();
  EXPECT_EQ(NamesOf(*spis), (std::vector<std::string>{"s.spi", "a.spi"}));

  spis.reset();
  Collection().AutoSearch = false;
  Collection().Loaded();
  EXPECT_EQ(Collection().Count(), 0);
}

TEST_F(SPICollection, ALibraryIsLoadedOnceHoweverOftenItsFolderIsReached) {
  std::string path = PlantPlugin(app.path(), "ppm", "a.spi");
  Collection().SearchOptions = {spsAppDir};
  Collection().Search("*.spi");
  Collection().Search("*.spi");
  // The same folder spelt otherwise: the path differs, the library does not.
  Collection().Search(framework::AsciiUpper(app.path()) + "*.SPI");
  EXPECT_EQ(Collection().Count(), 1);
  EXPECT_EQ(Collection().IndexOf(path), 0);
  EXPECT_EQ(Collection().IndexOf(framework::AsciiUpper(path)), -1);
  spis.reset();
  EXPECT_FALSE(Loaded(path));
}

TEST_F(SPICollection, WhatASearchLeavesOut) {
  PlantPlugin(other.path(), "ppm", "1-kept.spi");
  std::string refused = PlantPlugin(other.path(), "ppm", "2-refused.spi");
  std::string raising = PlantPlugin(other.path(), "ppm", "3-raising.spi");
  std::string hidden = PlantPlugin(other.path(), "ppm", "4-hidden.spi");
  SetFileAttributesW(framework::Widen(hidden).c_str(), FILE_ATTRIBUTE_HIDDEN);
  std::string system = PlantPlugin(other.path(), "ppm", "5-system.spi");
  SetFileAttributesW(framework::Widen(system).c_str(), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
  std::string unregistrable = PlantPlugin(other.path(), "ppm", "6-unregistrable.spi", {"00IN", "d", "*.bad", "Bad"});
  PlantPlugin(other.path(), "noinfo", "7-noinfo.spi");
  PlantPlugin(other.path(), "xn", "8-xn.spi");
  other.WriteFile("9-text.spi", "text");

  std::vector<std::string> offered;
  Collection().OnSearch = [&](TSPIs& sender, TSPI& spi, bool& accept) {
    EXPECT_EQ(&sender, spis.get());
    std::string name = framework::ExtractFileName(spi.FileName());
    offered.push_back(name);
    if (name == "2-refused.spi") accept = false;
    if (name == "3-raising.spi") throw std::runtime_error("refused loudly");
  };
  Collection().OnPictureRegister = [](TSPIs&, TInSPI&, const std::string& extension, const std::string&,
                                      TGraphicClass&) {
    if (extension == "bad") throw framework::Exception("cannot register");
  };
  Collection().Search(other.PathOf("*.spi"));

  EXPECT_EQ(offered, (std::vector<std::string>{"1-kept.spi", "2-refused.spi", "3-raising.spi", "5-system.spi",
                                               "6-unregistrable.spi", "8-xn.spi"}));
  EXPECT_EQ(NamesOf(*spis), (std::vector<std::string>{"1-kept.spi", "5-system.spi", "8-xn.spi"}));
  for (const std::string& gone : {refused, raising, hidden, unregistrable}) EXPECT_FALSE(Loaded(gone)) << gone;
  SetFileAttributesW(framework::Widen(system).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(SPICollection, ImportPluginsRegisterTheLastExtensionOfEachFilter) {
  PlantPlugin(other.path(), "ppm", "a.spi",
              {"00IN", "d", "*.pnm;*.ppm", "PPM", "*.JPG", "JPEG", "*.jpeg", "JPEG", "noext", "None"});
  PlantPlugin(other.path(), "xn", "x.spi", {"00XN", "d", "*.xn", "XN"});
  std::vector<std::string> offered;
  Collection().OnPictureRegister = [&](TSPIs&, TInSPI& spi, const std::string& extension,
                                       const std::string& description, TGraphicClass& graphicClass) {
    offered.push_back(extension + "=" + description);
    EXPECT_EQ(graphicClass.kind, kSPIBitmapKind);
    // The main window's rule: JPEG stays with the JPEG library.
    std::string upper = framework::AsciiUpper(extension);
    if (upper == "JPG" || upper == "JPEG") graphicClass = {};
  };
  Collection().Search(other.PathOf("*.spi"));

  EXPECT_EQ(offered, (std::vector<std::string>{"ppm=PPM", "JPG=JPEG", "jpeg=JPEG", "=None"}));
  std::optional<framework::FileFormat> ppm = framework::Picture::FindFileFormat("ppm");
  ASSERT_TRUE(ppm);
  EXPECT_EQ(ppm->kind, kSPIBitmapKind);
  EXPECT_EQ(ppm->description, "PPM");
  EXPECT_FALSE(framework::Picture::FindFileFormat("pnm"));
  EXPECT_FALSE(framework::Picture::FindFileFormat("xn"));
  EXPECT_EQ(framework::Picture::FindFileFormat("jpg")->kind, framework::kJpegKind);
  EXPECT_EQ(framework::Picture::FindFileFormat("jpeg")->kind, framework::kJpegKind);

  // Deleting plug-ins leaves their types registered; loading them again
  // does not list them twice.
  Collection().Clear();
  EXPECT_TRUE(framework::Picture::FindFileFormat("ppm"));
  Collection().Search(other.PathOf("*.spi"));
  std::vector<framework::FileFormat> all = framework::Picture::Formats();
  EXPECT_EQ(std::count_if(all.begin(), all.end(), [](const auto& f) { return f.extension == "ppm"; }), 1);
}

TEST_F(SPICollection, WithoutAGraphicClassNothingIsRegistered) {
  PlantPlugin(other.path(), "ppm", "a.spi");
  TSPIs::SetGraphicClass({});
  Collection().Search(other.PathOf("*.spi"));
  TSPIs::SetGraphicClass(TSPIBitmap::GraphicClass());
  EXPECT_EQ(Collection().Count(), 1);
  EXPECT_FALSE(framework::Picture::FindFileFormat("ppm"));
}

TEST_F(SPICollection, FindSPIsPutsThePluginsClaimingTheExtensionFirstLatestFirst) {
  PlantPlugin(other.path(), "ppm", "a.spi", {"00IN", "d", "*.ppm", "PPM"});
  PlantPlugin(other.path(), "ppm", "b.spi", {"00IN", "d", "*.pgm", "PGM", "*.pnm;*.ppm", "PPM"});
  PlantPlugin(other.path(), "ppm", "c.spi", {"00IN", "d", "*.pgm", "PGM"});
  PlantPlugin(other.path(), "xn", "d.spi", {"00XN", "d", "*.ppm", "PPM"});
  Collection().Search(other.PathOf("*.spi"));
  ASSERT_EQ(Collection().Count(), 4);

  struct Row {
    std::vector<TSPIClass> classes;
    std::string fileName;
    std::vector<std::string> expected;
  };
  const Row rows[] = {
      {{SPIClassOf<TInSPI>()}, "C:\\pictures\\photo.PPM", {"b.spi", "a.spi", "c.spi"}},
      {{SPIClassOf<TInSPI>()}, ".pgm", {"c.spi", "b.spi", "a.spi"}},
      {{SPIClassOf<TInSPI>()}, "", {"a.spi", "b.spi", "c.spi"}},
      {{SPIClassOf<TInSPI>()}, "photo.bmp", {"a.spi", "b.spi", "c.spi"}},
      {{SPIClassOf<TXnSPI>()}, "photo.ppm", {"d.spi"}},
      {{SPIClassOf<TSPI>()}, "photo.ppm", {"d.spi", "b.spi", "a.spi", "c.spi"}},
  };
  for (const Row& row : rows) {
    std::vector<TSPI*> list;
    Collection().FindSPIs(row.classes, list, row.fileName);
    EXPECT_EQ(NamesOf(list), row.expected) << row.fileName;
  }
}

TEST_F(SPICollection, OneCollectionLivesAtATimeAndDeletingReleasesLibraries) {
  std::string a = PlantPlugin(other.path(), "ppm", "a.spi");
  std::string b = PlantPlugin(other.path(), "ppm", "b.spi");
  EXPECT_EQ(GlobalSPIs(), nullptr);
  Collection().Search(other.PathOf("*.spi"));
  EXPECT_EQ(GlobalSPIs(), spis.get());
  try {
    TSPIs second;
    ADD_FAILURE() << "a second collection was made";
  } catch (const ESPIDupCreateSPIs& e) {
    EXPECT_EQ(e.Message(), "TSPIs は複数生成できません");
  }
  EXPECT_EQ(GlobalSPIs(), spis.get());

  Collection().Delete(0);
  EXPECT_FALSE(Loaded(a));
  EXPECT_TRUE(Loaded(b));
  EXPECT_EQ(Collection().IndexOf(b), 0);
  spis.reset();
  EXPECT_EQ(GlobalSPIs(), nullptr);
  EXPECT_FALSE(Loaded(b));
}

}  // namespace
