// The plug-in host: plug-ins that crash, hang, write past their buffers or
// hand over a block twice, with real misbehaving plug-in DLLs; the limits at
// the border; the format cache; the host's replies read as outside data.
#include "plugins/spihost.h"

#include <gtest/gtest.h>

#include <thread>

#include "plugins/spipicturesize.h"
#include "plugins/spis.h"
#include "plugintest.h"

using namespace kaleidon;

namespace {

constexpr const char* kUnreadable = "認識できない画像形式です";

class PluginHost : public ::testing::Test {
 protected:
  void SetUp() override {
    spis.OnSetAside = [this](TSPIs&, const std::string& fileName) { setAside.push_back(fileName); };
  }
  // Plants fixture as name, with info answers when given, and loads it.
  std::string Use(const std::string& fixture, const std::string& name, const std::vector<std::string>& info = {}) {
    std::string path = PlantPlugin(dir.path(), fixture, name, info);
    spis.Search(dir.PathOf(name));
    return path;
  }
  // Loads a picture of that name and content; "" when it was read, else the
  // error's message.
  std::string Read(const std::string& name, const std::string& bytes) {
    TSPIBitmap b;
    try {
      b.LoadFromNamedStream(bytes, pictures.PathOf(name));
      return b.Empty() ? "empty" : "";
    } catch (const framework::Exception& e) {
      return e.Message();
    }
  }
  DWORD HostProcess() const { return SharedSPIHost()->ProcessId(); }

  TempDir dir, pictures;
  PictureFormatsRestored formats;
  TSPIs spis;
  std::vector<std::string> setAside;
};

const std::string kPpm = Pnm(false, 2, 1, 255, {1, 2, 3, 4, 5, 6});
const std::string kPgm = Pnm(true, 2, 1, 255, {7, 8});

TEST_F(PluginHost, EveryCallRunsInOneHostThatIsKeptFromPictureToPicture) {
  std::string path = Use("ppm", "ppm.spi");
  const DWORD host = HostProcess();
  EXPECT_NE(host, 0u);
  EXPECT_NE(host, GetCurrentProcessId());
  EXPECT_EQ(Read("a.ppm", kPpm), "");
  EXPECT_EQ(Read("b.pgm", kPgm), "");
  EXPECT_EQ(HostProcess(), host);
  EXPECT_TRUE(Loaded(path));
  EXPECT_EQ(GetModuleHandleW(framework::Widen(path).c_str()), nullptr);
  EXPECT_TRUE(setAside.empty());
}

TEST_F(PluginHost, TheHostInheritsOnlyWhatItNeedsAndRunsInAJobOfItsOwn) {
  // A handle of the program that any process it starts could inherit.
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE semaphore = CreateSemaphoreW(&inheritable, 0, 1, nullptr);
  Use("ppm", "ppm.spi");
  HANDLE host = OpenProcess(PROCESS_DUP_HANDLE | PROCESS_QUERY_INFORMATION, FALSE, HostProcess());
  ASSERT_NE(host, nullptr);
  // An inherited handle keeps its number: there, it is another object or none.
  HANDLE copy = nullptr;
  if (DuplicateHandle(host, semaphore, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    EXPECT_FALSE(ReleaseSemaphore(copy, 1, nullptr) && WaitForSingleObject(semaphore, 0) == WAIT_OBJECT_0);
    CloseHandle(copy);
  }
  BOOL inJob = FALSE;
  EXPECT_TRUE(IsProcessInJob(host, nullptr, &inJob)) << GetLastError();
  EXPECT_TRUE(inJob);
  EXPECT_EQ(Read("a.ppm", kPpm), "");  // the picture's data goes over to be read only
  CloseHandle(host);
  CloseHandle(semaphore);
}

TEST_F(PluginHost, APluginThatCrashesIsSetAsideOnceAndAnotherReadsTheNextPictures) {
  // The crashing one claims PPM, the other PGM: a PPM goes to the first.
  std::string crash = Use("crash", "crash.spi", {"00IN", "crashes", "*.ppm", "PPM"});
  Use("ppm", "good.spi", {"00IN", "reads", "*.pgm", "PGM"});
  const DWORD firstHost = HostProcess();

  EXPECT_EQ(Read("a.ppm", kPpm), kUnreadable);
  EXPECT_EQ(setAside, std::vector<std::string>{crash});
  EXPECT_EQ(CallsOf(crash).pictureCalls, 2);  // it crashed a new host too
  // A new host reads the next picture; the one set aside is not asked again,
  // so the other plug-in reads PPM too.
  EXPECT_EQ(Read("b.pgm", kPgm), "");
  EXPECT_NE(HostProcess(), firstHost);
  EXPECT_EQ(Read("c.ppm", kPpm), "");
  EXPECT_EQ(CallsOf(crash).pictureCalls, 2);
  EXPECT_EQ(setAside.size(), 1u);
}

TEST_F(PluginHost, APluginThatHangsIsEndedAfterTheBound) {
  std::string hang = Use("hang", "hang.spi");
  EXPECT_EQ(Read("a.ppm", kPpm), kUnreadable);
  EXPECT_EQ(setAside, std::vector<std::string>{hang});
  EXPECT_EQ(HostProcess(), 0u);  // ended
}

TEST_F(PluginHost, AHostEndedFromOutsideDuringAReadIsReplacedAndNoPluginIsSetAside) {
  const std::string bitmap = framework::Bitmap(2, 1, 24).SaveToBytes();
  struct Row {
    const char* name;
    std::string picture, bytes;
  };
  const Row rows[] = {
      {"the next plug-in reads it", "a.ppm", kPpm},
      {"the bitmap's own reader reads it", "a.pic", bitmap},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    spis.Clear();
    TempDir folder;
    // The stalling one claims both extensions, so it is asked first.
    const std::string stall = PlantPlugin(folder.path(), "stall", "stall.spi", {"00IN", "s", "*.ppm", "P", "*.pic", "B"});
    PlantPlugin(folder.path(), "ppm", "ppm.spi", {"00IN", "reads", "*.pgm", "PGM"});
    spis.Search(folder.PathOf("*.spi"));
    ASSERT_EQ(spis.Count(), 2);
    // The task manager ends the host while the plug-in works.
    std::thread taskManager([&] {
      for (int i = 0; i < 1000 && !CallsOf(stall).stalledProcess; ++i) Sleep(10);
      HANDLE host = OpenProcess(PROCESS_TERMINATE, FALSE, CallsOf(stall).stalledProcess);
      TerminateProcess(host, 1);
      CloseHandle(host);
    });
    EXPECT_EQ(Read(row.picture, row.bytes), "");
    taskManager.join();
    EXPECT_TRUE(setAside.empty());
    EXPECT_GE(CallsOf(stall).pictureCalls, 2);  // asked again on a new host
  }
}

TEST_F(PluginHost, AReplyWithPagesNotCommittedOrSizesBeyondTheLimitsIsRefused) {
  for (const char* forgery : {"forge reserved", "forge beyond"}) {
    SCOPED_TRACE(forgery);
    spis.Clear();
    setAside.clear();
    TempDir folder;
    const std::string forger = PlantPlugin(folder.path(), "forger", "forger.spi");
    spis.Search(folder.PathOf("*.spi"));
    EXPECT_EQ(Read("a.ppm", Pnm(false, 2, 1, 255, {1, 2, 3, 4, 5, 6}, {forgery})), kUnreadable);
    EXPECT_EQ(setAside, std::vector<std::string>{forger});
    EXPECT_EQ(CallsOf(forger).forgedReplies, 2);  // once more on a new host
  }
}

TEST_F(PluginHost, AHandleHandedOverTwiceIsRefusedAndEveryBlockIsFreedOnce) {
  std::string twice = Use("twice", "twice.spi");
  const DWORD host = HostProcess();
  EXPECT_EQ(Read("a.ppm", kPpm), kUnreadable);
  EXPECT_EQ(CallsOf(twice).handedOverCount, 1);
  Read("b.ppm", kPpm);  // the plug-in looks at its block again
  EXPECT_EQ(CallsOf(twice).handedOverFreed, 1);
  EXPECT_EQ(HostProcess(), host);
  EXPECT_TRUE(setAside.empty());

  // Blocks handed over with an error answer are freed too.
  std::string ppm = Use("ppm", "ppm.spi", {"00IN", "reads", "*.pgm", "PGM"});
  EXPECT_EQ(Read("c.pgm", Pnm(true, 2, 1, 255, {7, 8}, {"handles then error"})), kUnreadable);
  EXPECT_EQ(CallsOf(ppm).handedOverCount, 2);
  EXPECT_EQ(Read("d.pgm", kPgm), "");
  EXPECT_EQ(CallsOf(ppm).handedOverFreed, 2);
}

TEST_F(PluginHost, BuffersHaveSlackAndAPluginWritingThroughItIsSetAside) {
  struct Row {
    const char* name;
    std::vector<std::string> info;
    std::vector<std::string> comments;
    bool setAside;
  };
  const Row rows[] = {
      {"text one byte too long", {"00IN", "@257", "*.ppm", "PPM"}, {}, false},
      {"text far too long", {"00IN", "@4000", "*.ppm", "PPM"}, {}, true},
      {"record packed to 32", {}, {"record 32"}, false},
      {"record far too long", {}, {"record 4096"}, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    setAside.clear();
    spis.Clear();
    TempDir folder;
    std::string path = PlantPlugin(folder.path(), "ppm", "p.spi", row.info);
    spis.Search(folder.PathOf("*.spi"));
    if (spis.Count() == 1 && !row.comments.empty()) {
      EXPECT_EQ(Read("a.ppm", Pnm(false, 2, 1, 255, {1, 2, 3, 4, 5, 6}, row.comments)),
                row.setAside ? kUnreadable : "");
    }
    EXPECT_EQ(setAside, row.setAside ? std::vector<std::string>{path} : std::vector<std::string>{});
    if (row.info.size() > 1 && !row.setAside) {
      EXPECT_EQ(spis.Items(0).Description(), std::string(256, 'x'));
    }
  }
}

TEST_F(PluginHost, APictureHeldStaysAsItCameWhileTheNextIsReadAndDataIsFollowedByZeros) {
  const std::string path = SPIFullPath(PlantPlugin(dir.path(), "ppm", "ppm.spi"));
  SPIHost host;
  // A picture's data handed over in the section a larger one used before.
  const std::string large = Pnm(false, 64, 64, 255, std::vector<int>(64 * 64 * 3, 200));
  { const SPISharedData before(large); }
  const SPISharedData first(kPpm);
  const std::string_view data = first.Data();
  EXPECT_EQ(std::string_view(data.data() + data.size(), kPictureDataSlack).find_first_not_of('\0'),
            std::string_view::npos);

  const SPIAttempt a = host.Attempt(path, "a.ppm", first, 0, kPpm.size());
  ASSERT_EQ(a.reply.pictureAnswer, 0);
  const std::string bits(a.Bits());
  const std::string other = Pnm(false, 2, 1, 255, {9, 9, 9, 9, 9, 9});
  for (int round = 0; round < 2; ++round) {
    const SPIAttempt b = host.Attempt(path, "b.ppm", SPISharedData(other), 0, other.size());
    ASSERT_EQ(b.reply.pictureAnswer, 0);
    EXPECT_NE(std::string(b.Bits()), bits);
    EXPECT_EQ(std::string(a.Bits()), bits);
  }
}

TEST_F(PluginHost, TheListingIsCappedAndItsNamesAreSafeForTheLists) {
  Use("endless", "endless.spi");
  ASSERT_EQ(spis.Count(), 1);
  const TSPI& endless = spis.Items(0);
  ASSERT_EQ(endless.Filters().size(), 1024u);
  EXPECT_EQ(endless.Filters().back(), "*.e1023");
  EXPECT_EQ(endless.FileTypes().back(), "Endless 1023");

  Use("ppm", "names.spi", {"00IN", "d", "*.a|b", "Type|with\x01" "control", "*.c\td", "Tab"});
  const TSPI& names = spis.Items(1);
  EXPECT_EQ(names.Filters(), (std::vector<std::string>{"*.a_b", "*.c_d"}));
  EXPECT_EQ(names.FileTypes(), (std::vector<std::string>{"Type_with_control", "Tab"}));
}

TEST_F(PluginHost, ThePictureInfoRequestTellsASizeWithoutDecodingUnderTheSameGuards) {
  // A header beyond the first bytes the program reads: the plug-in knows
  // the data but needs the whole file for its size.
  const std::string farHeader = Pnm(false, 2, 1, 255, {1, 2, 3, 4, 5, 6}, {std::string(300000, 'c')});
  struct Row {
    const char* name;
    std::string file;
    size_t startBytes;  // what the program read of it first
    std::optional<SPIPictureSize> size;
    bool hostEndedBefore;  // ended from outside before the request
    bool setAside;
    int infoCalls;  // GetPictureInfo calls
  };
  const Row rows[] = {
      {"a header the plug-in reads", Pnm(false, 3, 5, 255, std::vector<int>(45, 9)), SIZE_MAX, SPIPictureSize{3, 5},
       false, false, 1},
      {"the pixels are not needed", Pnm(true, 640, 480, 255, {}), SIZE_MAX, SPIPictureSize{640, 480}, false, false, 1},
      {"a header beyond the first bytes", farHeader, 256 * 1024, SPIPictureSize{2, 1}, false, false, 2},
      {"data no plug-in knows", "GIF89a", SIZE_MAX, std::nullopt, false, false, 0},
      {"a plug-in that tells no size", Pnm(true, 2, 1, 255, {7, 8}, {"no-info"}), SIZE_MAX, std::nullopt, false,
       false, 1},
      {"a host ended from outside is replaced", kPgm, SIZE_MAX, SPIPictureSize{2, 1}, true, false, 1},
      {"a plug-in that crashes", Pnm(true, 2, 1, 255, {7, 8}, {"info crash"}), SIZE_MAX, std::nullopt, false, true, 2},
      {"a plug-in that writes past the record", Pnm(true, 2, 1, 255, {7, 8}, {"record 4096"}), SIZE_MAX,
       std::nullopt, false, true, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    spis.Clear();
    setAside.clear();
    TempDir folder;
    const std::string path = PlantPlugin(folder.path(), "ppm", "p.spi");
    spis.Search(folder.PathOf("*.spi"));
    ASSERT_EQ(spis.Count(), 1);
    pictures.WriteFile("a.ppm", row.file);
    EXPECT_EQ(ReadSPIPictureSize(pictures.PathOf("a.ppm"), "P6\n1 1\n255\nabc", true), (SPIPictureSize{1, 1}));
    const DWORD host = HostProcess();
    if (row.hostEndedBefore) {
      HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, host);
      TerminateProcess(process, 1);
      WaitForSingleObject(process, 5000);
      CloseHandle(process);
    }
    CallsOf(path).pictureInfoCalls = 0;
    const std::string start = row.file.substr(0, row.startBytes);
    EXPECT_EQ(ReadSPIPictureSize(pictures.PathOf("a.ppm"), start, start.size() == row.file.size()), row.size);
    const SpiCallRecord& calls = CallsOf(path);
    EXPECT_EQ(calls.pictureInfoCalls, row.infoCalls);
    EXPECT_EQ(calls.pictureCalls, 0);  // nothing decoded
    EXPECT_EQ(setAside, row.setAside ? std::vector<std::string>{path} : std::vector<std::string>{});
    EXPECT_EQ(HostProcess() == host, !row.setAside && !row.hostEndedBefore);
    if (row.setAside) {
      // Set aside, it is asked no more.
      EXPECT_EQ(ReadSPIPictureSize(pictures.PathOf("b.ppm"), kPgm, true), std::nullopt);
      EXPECT_EQ(calls.pictureInfoCalls, row.infoCalls);
    }
  }
}

TEST(PluginFormatCache, KnownPluginsAreListedWithoutTheHostAndChangedOnesAreReadAgain) {
  TempDir dir, folder;
  PictureFormatsRestored formats;
  const std::string cache = folder.PathOf("formats.cache");
  const std::string path = PlantPlugin(dir.path(), "ppm", "p.spi", {"00IN", "d", "*.pic", "Picture"});
  PlantPlugin(dir.path(), "noinfo", "none.spi");
  std::vector<std::string> filters;
  // One search with the cache: the filters found, and whether a host ran.
  auto search = [&] {
    TSPIs spis;
    spis.FormatCacheFile = cache;
    spis.Search(dir.PathOf("*.spi"));
    filters.clear();
    for (int i = 0; i < spis.Count(); ++i)
      for (const std::string& f : spis.Items(i).Filters()) filters.push_back(f);
    return SharedSPIHost()->ProcessId() != 0;
  };
  EXPECT_TRUE(search());
  EXPECT_EQ(filters, std::vector<std::string>{"*.pic"});
  const int asked = CallsOf(path).infoCalls;
  EXPECT_FALSE(search());
  EXPECT_EQ(filters, std::vector<std::string>{"*.pic"});
  EXPECT_EQ(CallsOf(path).infoCalls, asked);

  // Plug-in files that changed are read again: one with another time of
  // last write, and another file put in its place with the same size and
  // time as the one before.
  auto writeTime = [](const std::string& file, FILETIME* set) {
    HANDLE h = CreateFileW(framework::Widen(file).c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                           FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME time{};
    if (set) SetFileTime(h, nullptr, nullptr, set);
    GetFileTime(h, nullptr, nullptr, &time);
    CloseHandle(h);
    return time;
  };
  FILETIME changedTime{0x12345678, 0x01C00000};
  PlantPlugin(dir.path(), "ppm", "p.spi", {"00IN", "d", "*.pix", "Picture"});
  writeTime(path, &changedTime);
  EXPECT_TRUE(search());
  EXPECT_EQ(filters, std::vector<std::string>{"*.pix"});
  FILETIME sameTime = writeTime(path, nullptr);
  const std::string other = PlantPlugin(folder.path(), "ppm", "p.spi");
  writeTime(other, &sameTime);
  ASSERT_TRUE(MoveFileExW(framework::Widen(other).c_str(), framework::Widen(path).c_str(), MOVEFILE_REPLACE_EXISTING));
  ASSERT_TRUE(framework::WriteFileAtomically(path + ".info", "00IN\r\nd\r\n*.piy\r\nPicture\r\n"));
  EXPECT_TRUE(search());
  EXPECT_EQ(filters, std::vector<std::string>{"*.piy"});

  // A damaged cache counts as empty.
  folder.WriteFile("formats.cache", "Kaleidon plug-in formats 2\nP\tbroken\n");
  EXPECT_TRUE(search());
  EXPECT_EQ(filters, std::vector<std::string>{"*.piy"});
  EXPECT_FALSE(search());
}

TEST(PluginHostReplies, GarbledRepliesAreRefused) {
  SPIDescription described;
  described.version = "00IN";
  described.formats = {{"*.a", "A"}, {"*.b", "B"}};
  const std::string listing = WriteDescription(described);
  SPIAttemptReply attempt;
  attempt.supported = true;
  attempt.pictureAnswer = 0;
  attempt.dibSection = 0x40;
  attempt.infoBytes = 40;
  attempt.progress = {{0, 4}, {4, 4}};
  const std::string picture = WriteAttemptReply(attempt);
  EXPECT_EQ(ReadDescription(listing).formats, described.formats);
  EXPECT_EQ(ReadAttemptReply(picture).progress, attempt.progress);

  auto withCount = [](std::string message, size_t at, uint32_t count) {
    for (int i = 0; i < 4; ++i) message[at + i] = static_cast<char>(count >> (8 * i));
    return message;
  };
  const size_t formatCount = 4 + 4 + (4 + 4) + 4;  // status, entry points, "00IN", ""
  struct Row {
    const char* name;
    bool isListing;
    std::string message;
  };
  const Row rows[] = {
      {"listing cut short", true, listing.substr(0, listing.size() - 1)},
      {"listing with bytes after it", true, listing + "x"},
      {"more pairs than may be read", true, withCount(listing, formatCount, 1025)},
      {"a status no host gives", true, withCount(listing, 0, 77)},
      {"picture cut short", false, picture.substr(0, picture.size() - 8)},
      {"a picture after an error answer", false, withCount(picture, 4 * 10 + 4, 2)},
      {"a flag neither 0 nor 1", false, withCount(picture, 4, 2)},
  };
  for (const Row& row : rows) {
    if (row.isListing) {
      EXPECT_THROW(ReadDescription(row.message), EBadMessage) << row.name;
    } else {
      EXPECT_THROW(ReadAttemptReply(row.message), EBadMessage) << row.name;
    }
  }
}

}  // namespace
