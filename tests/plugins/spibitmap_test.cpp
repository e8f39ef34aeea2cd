// The plug-in bitmap: loading through the test plug-in and kaleidon-wic.spi,
// and the DIB blocks a plug-in hands over.
#include "plugins/spibitmap.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "framework/imaging/bitmap.h"
#include "framework/imaging/bmpcodec.h"
#include "plugins/dib.h"
#include "plugins/spilibrary.h"
#include "plugins/spipicturesize.h"
#include "plugintest.h"

using namespace kaleidon;
using framework::Rgb;

namespace {

constexpr const char* kUnreadable = "認識できない画像形式です";

// A collection holding copies of test plug-ins, in a folder of its own.
class SPIBitmapTest : public ::testing::Test {
 protected:
  // Plants fixture as name and loads the folder's plug-ins anew.
  TSPI& Use(const std::string& fixture, const std::string& name = "ppm.spi") {
    PlantPlugin(dir.path(), fixture, name);
    spis.Search(dir.PathOf("*.spi"));
    return spis.Items(spis.Count() - 1);
  }
  // Loads a picture file of the given name and content.
  TSPIBitmap Load(const std::string& name, const std::string& bytes, bool headerRetry = true) {
    pictures.WriteFile(name, bytes);
    TSPIBitmap bitmap;
    bitmap.HeaderRetry = headerRetry;
    bitmap.LoadFromFile(pictures.PathOf(name));
    return bitmap;
  }

  TempDir dir, pictures;
  PictureFormatsRestored formats;
  TSPIs spis;
};

// 4 x 3 grey samples, 0..15 (shown on the 4-bit and the 8-bit paths).
const std::vector<int> kGrey = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15};

std::vector<int> Colours() {
  std::vector<int> s;
  for (int i = 0; i < 12; ++i) s.insert(s.end(), {i * 20, 255 - i * 20, i * 7});
  return s;
}

TEST_F(SPIBitmapTest, PluginDibsOfEveryDepthBecomeTheSamePicture) {
  Use("ppm");
  struct Row {
    const char* name;
    std::string file;
    int bits;
    size_t paletteSize;
  };
  const Row rows[] = {
      {"8-bit, colours used 0", Pnm(true, 4, 3, 255, kGrey), 8, 256},
      {"4-bit palette", Pnm(true, 4, 3, 15, kGrey), 4, 16},
      {"4-bit top-down", Pnm(true, 4, 3, 15, kGrey, {"top-down"}), 4, 16},
      {"24-bit", Pnm(false, 4, 3, 255, Colours()), 24, 0},
      {"24-bit top-down", Pnm(false, 4, 3, 255, Colours(), {"top-down"}), 24, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TSPIBitmap b = Load("p.pnm", row.file);
    ASSERT_EQ(b.Width(), 4);
    ASSERT_EQ(b.Height(), 3);
    EXPECT_EQ(b.BitsPerPixel(), row.bits);
    EXPECT_EQ(b.Palette().size(), row.paletteSize);
    for (int i = 0; i < 12; ++i) {
      int x = i % 4, y = i / 4;
      if (row.bits == 24) {
        EXPECT_EQ(b.PixelColor(x, y), (Rgb{uint8_t(i * 20), uint8_t(255 - i * 20), uint8_t(i * 7)})) << i;
      } else {
        EXPECT_EQ(b.PixelIndex(x, y), kGrey[i]) << i;
      }
    }
    if (row.bits == 4) {
      EXPECT_EQ(b.Palette()[1], (framework::PaletteEntry{17, 17, 17, 0}));
    }
    if (row.bits == 8) {
      EXPECT_EQ(b.Palette()[200], (framework::PaletteEntry{200, 200, 200, 0}));
    }
  }
}

TEST_F(SPIBitmapTest, AHostileDibIsRefusedAsAnUnreadablePicture) {
  Use("hostile");
  for (const char* lie : {"lie rows", "lie colors", "lie header", "lie bitcount", "lie null", "top-down"}) {
    TSPIBitmap b;
    pictures.WriteFile("h.ppm", Pnm(false, 4, 3, 255, Colours(), {lie}));
    try {
      b.LoadFromFile(pictures.PathOf("h.ppm"));
      ADD_FAILURE() << lie << " was read";
    } catch (const framework::EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), kUnreadable) << lie;
    }
    EXPECT_TRUE(b.Empty()) << lie;
  }
}

// Blocks as a plug-in might hand them over, straight to the parser.
TEST(PluginDib, BlocksAreCheckedAgainstTheirSizes) {
  auto header = [](int32_t width, int32_t height, int bits, uint32_t colorsUsed = 0, uint32_t size = 40,
                   uint32_t compression = 0) {
    std::string h(size, '\0');
    auto put = [&](size_t at, uint32_t v, int n) {
      for (int i = 0; i < n; ++i) h[at + i] = static_cast<char>(v >> (8 * i));
    };
    put(0, size, 4);
    put(4, static_cast<uint32_t>(width), 4);
    put(8, static_cast<uint32_t>(height), 4);
    put(12, 1, 2);
    put(14, static_cast<uint32_t>(bits), 2);
    put(16, compression, 4);
    put(32, colorsUsed, 4);
    return h;
  };
  const std::string table16(16 * 4, '\x40'), table2(2 * 4, '\x10'), masks("\0\xF8\0\0\xE0\x07\0\0\x1F\0\0\0", 12);
  struct Row {
    const char* name;
    std::string info;
    size_t bits;
    size_t expectedBytes;  // of the information block and the pixels used; 0: refused
  };
  const Row rows[] = {
      {"4-bit, 16 colours", header(3, 2, 4) + table16, 8, 40 + 64 + 8},
      {"1-bit, 2 colours, top-down", header(33, -2, 1) + table2, 16, 40 + 8 + 16},
      {"8-bit, 2 colours used", header(4, 1, 8, 2) + table2, 4, 40 + 8 + 4},
      {"16-bit with bit fields", header(2, 2, 16, 0, 40, 3) + masks, 8, 40 + 12 + 8},
      {"24-bit, V5 header", header(1, 1, 24, 0, 124), 4, 124 + 4},
      {"bits beyond their block", header(4, 4, 24), 47, 0},
      {"colour table beyond its block", header(3, 2, 4) + table2, 8, 0},
      {"colours used beyond reason", header(3, 2, 8, 0xFFFFFFFF) + table16, 8, 0},
      {"rows beyond reason", header(1, INT32_MIN, 24), 1024, 0},
      {"width beyond reason", header(INT32_MAX, 1, 32), 1024, 0},
      {"short header", header(1, 1, 24).substr(0, 39), 4, 0},
      {"header size below 40", header(1, 1, 24, 0, 40).replace(0, 1, "\x0C"), 4, 0},
      {"bit count 2", header(1, 1, 2), 4, 0},
      {"height 0", header(1, 0, 24), 4, 0},
  };
  for (const Row& row : rows) {
    std::string bits(row.bits, '\x5A');
    try {
      PluginDib dib = ReadPluginDib(row.info, bits);
      EXPECT_EQ(dib.info.size() + dib.bits.size(), row.expectedBytes) << row.name;
      // Views of the blocks as received, not copies.
      EXPECT_EQ(dib.info.data(), row.info.data()) << row.name;
      EXPECT_EQ(dib.bits.data(), bits.data()) << row.name;
      framework::Bitmap b;
      framework::DecodeDib(dib.info, dib.bits, b);
      EXPECT_FALSE(b.Empty()) << row.name;
    } catch (const framework::EInvalidGraphic& e) {
      EXPECT_EQ(row.expectedBytes, 0u) << row.name << ": " << e.Message();
    }
  }
}

TEST_F(SPIBitmapTest, ShortDataIsPaddedTo2048BytesButItsLengthIsKept) {
  TSPI& spi = Use("ppm");
  std::string file = Pnm(false, 2, 1, 255, {1, 2, 3, 4, 5, 6}, {std::string(80, 'x')});
  ASSERT_EQ(file.size(), 100u);
  TSPIBitmap b = Load("short.ppm", file);
  EXPECT_EQ(b.PixelColor(1, 0), (Rgb{4, 5, 6}));
  const SpiCallRecord& calls = CallsOf(spi);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(calls.isSupportedData), 100), file);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(calls.isSupportedData) + 100, 1948), std::string(1948, '\0'));
  EXPECT_EQ(calls.pictureInfoLength, 100);
  EXPECT_EQ(calls.pictureLength, 100);
  EXPECT_EQ(std::string(calls.isSupportedName), framework::ToAnsi(pictures.PathOf("short.ppm")));
}

TEST_F(SPIBitmapTest, EachPluginIsAskedOnceMoreWithoutTheFirst128Bytes) {
  TSPI& first = Use("ppm", "a.spi");
  TSPI& second = Use("ppm", "b.spi");
  std::string junk129(128, 'j');
  junk129 += 'P';
  const std::string picture = Pnm(false, 1, 1, 255, {9, 8, 7});
  struct Row {
    std::string file;
    bool headerRetry;
    int asked;  // IsSupported calls of each plug-in
    bool read;
  };
  const Row rows[] = {
      {junk129, true, 2, false},
      {junk129, false, 1, false},
      {junk129.substr(0, 128), true, 1, false},
      {std::string(128, 'h') + picture, true, 2, true},
      {std::string(128, 'h') + picture, false, 1, false},
  };
  for (const Row& row : rows) {
    CallsOf(first).isSupportedCalls = CallsOf(second).isSupportedCalls = 0;
    try {
      TSPIBitmap b = Load("x.ppm", row.file, row.headerRetry);
      EXPECT_TRUE(row.read);
      EXPECT_EQ(b.PixelColor(0, 0), (Rgb{9, 8, 7}));
      // The one that claims the extension last came first and read it.
      EXPECT_EQ(CallsOf(first).isSupportedCalls, 0);
      EXPECT_EQ(CallsOf(second).isSupportedCalls, row.asked);
    } catch (const framework::EInvalidGraphic& e) {
      EXPECT_FALSE(row.read);
      EXPECT_EQ(e.Message(), kUnreadable);
      EXPECT_EQ(CallsOf(first).isSupportedCalls, row.asked);
      EXPECT_EQ(CallsOf(second).isSupportedCalls, row.asked);
    }
  }
  // The second look at the 129 bytes was the last byte, padded.
  Load("x.ppm", "P6\n1 1\n255\n\1\1\1");
  try {
    Load("x.ppm", junk129);
  } catch (const framework::EInvalidGraphic&) {
  }
  const unsigned char* seen = CallsOf(first).isSupportedData;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(seen), 2048), "P" + std::string(2047, '\0'));
}

TEST_F(SPIBitmapTest, TheExtensionDecidesWhetherTheBmpReaderOrThePluginsComeFirst) {
  TSPI& spi = Use("ppm");
  framework::Bitmap source(3, 2, 24);
  source.SetPixelColor(2, 1, {1, 2, 3});
  const std::string bmp = source.SaveToBytes();
  const std::string ppm = Pnm(false, 1, 1, 255, {7, 7, 7});
  struct Row {
    const char* name;  // "" for a stream without a name
    std::string bytes;
    int asked;
    int width;  // 0: unreadable
  };
  const Row rows[] = {
      {"x.BMP", bmp, 0, 3},
      {"x.ppm", bmp, 1, 3},  // the plug-in refuses it
      {"", bmp, 0, 3},
      {"", ppm, 1, 1},
      {"x.bmp", ppm, 1, 1},
      {"x.ppm", ppm, 1, 1},
      {"x", std::string(10, 'z'), 1, 0},
  };
  for (const Row& row : rows) {
    CallsOf(spi).isSupportedCalls = 0;
    TSPIBitmap b;
    try {
      if (*row.name) {
        b.LoadFromNamedStream(row.bytes, row.name);
      } else {
        b.LoadFromBytes(row.bytes);
      }
      EXPECT_EQ(b.Width(), row.width) << row.name;
    } catch (const framework::EInvalidGraphic& e) {
      EXPECT_EQ(row.width, 0) << row.name << ": " << e.Message();
    }
    EXPECT_EQ(CallsOf(spi).isSupportedCalls, row.asked) << row.name;
    if (!*row.name && row.asked) {
      EXPECT_STREQ(CallsOf(spi).isSupportedName, "");
    }
  }
}

TEST(SPIBitmap, WithoutACollectionOnlyBitmapsLoad) {
  ASSERT_EQ(GlobalSPIs(), nullptr);
  TSPIBitmap b;
  b.LoadFromNamedStream(framework::Bitmap(2, 2, 24).SaveToBytes(), "x.ppm");
  EXPECT_EQ(b.Width(), 2);
  EXPECT_THROW(b.LoadFromNamedStream(Pnm(false, 1, 1, 255, {1, 2, 3}), "x.ppm"), framework::EInvalidGraphic);
}

TEST_F(SPIBitmapTest, ThePictureInformationAndProgressOfAnAttempt) {
  Use("ppm");
  TSPIBitmap owner;
  struct Row {
    std::vector<std::string> comments;
    bool valid;
  };
  for (const Row& row : {Row{{}, true}, Row{{"no-info"}, false}}) {
    TInSPIAble loader(owner);
    std::vector<TPictureInfoRec> records;
    loader.OnBuild = [&](std::string_view info, std::string_view bits, const TPictureInfoRec& record, bool& result) {
      records.push_back(record);
      owner.BuildFromDIB(info, bits, record, result);
    };
    std::vector<std::string> progress;
    loader.OnProgress = [&](TProgressStage stage, int percent, bool redraw, const RECT& r, const std::string& msg) {
      EXPECT_TRUE(IsRectEmpty(&r));
      EXPECT_EQ(msg, "");
      progress.push_back(std::to_string(static_cast<int>(stage)) + ":" + std::to_string(percent) + (redraw ? "!" : ""));
    };
    loader.LoadFromNamedStream(Pnm(false, 3, 4, 255, std::vector<int>(36, 1), row.comments), "x.ppm");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].Valid, row.valid);
    if (row.valid) {
      EXPECT_EQ(records[0].Width, 3);
      EXPECT_EQ(records[0].Height, 4);
      EXPECT_EQ(records[0].XDensity, 72);
      EXPECT_EQ(records[0].Info, "PNM 3x4");
    }
    EXPECT_EQ(progress, (std::vector<std::string>{"0:0", "1:50", "2:100!"}));
    EXPECT_EQ(owner.Height(), 4);
    EXPECT_TRUE(loader.FileName.empty());
  }
}

TEST_F(SPIBitmapTest, AnExceptionOfTheProgressHandlerEndsTheLoad) {
  Use("ppm");
  Use("ppm", "second.spi");
  int calls = 0;
  TSPIBitmap b;
  b.OnProgress = [&](framework::Graphic& sender, TProgressStage, int, bool, const RECT&, const std::string&) {
    EXPECT_EQ(&sender, &b);
    ++calls;
    throw std::runtime_error("stop");
  };
  EXPECT_THROW(b.LoadFromNamedStream(Pnm(false, 1, 1, 255, {1, 2, 3}), "x.ppm"), std::runtime_error);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(b.Empty());
}

TEST_F(SPIBitmapTest, ThePictureClassLoadsPluginTypesAsTSPIBitmap) {
  Use("ppm");
  pictures.WriteFile("photo.pgm", Pnm(true, 2, 2, 255, {10, 20, 30, 40}));
  framework::Picture picture;
  picture.LoadFromFile(pictures.PathOf("photo.pgm"));
  auto* bitmap = dynamic_cast<TSPIBitmap*>(picture.GetGraphic());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->PixelColor(1, 1), (Rgb{40, 40, 40}));
  EXPECT_EQ(picture.GetGraphic()->ToBitmap().PixelColor(0, 1), (Rgb{30, 30, 30}));

  TSPIBitmap copy = *bitmap;
  copy.HeaderRetry = false;
  TSPIBitmap assigned;
  assigned = copy;
  EXPECT_FALSE(assigned.HeaderRetry);
  EXPECT_EQ(assigned.PixelColor(1, 1), (Rgb{40, 40, 40}));
}

// kaleidon-wic.spi, beside the program.
class WicPlugin : public SPIBitmapTest {
 protected:
  void SetUp() override {
    std::string path = BuildOutputPath("kaleidon-wic.spi");
    ASSERT_TRUE(
        CopyFileW(framework::Widen(path).c_str(), framework::Widen(dir.PathOf("kaleidon-wic.spi")).c_str(), FALSE));
    spis.Search(dir.PathOf("*.spi"));
    ASSERT_EQ(spis.Count(), 1);
  }
  framework::Picture LoadPicture(const std::string& fixture) {
    pictures.WriteFile(fixture, PictureFixture(fixture));
    framework::Picture picture;
    picture.LoadFromFile(pictures.PathOf(fixture));
    EXPECT_NE(dynamic_cast<TSPIBitmap*>(picture.GetGraphic()), nullptr) << fixture;
    return picture;
  }
};

TEST_F(WicPlugin, OffersTheFormatsThisSystemDecodesButNotJpegOrBmp) {
  auto* spi = dynamic_cast<TInSPI*>(&spis.Items(0));
  ASSERT_NE(spi, nullptr);
  const std::vector<std::string>& filters = spi->Filters();
  std::string all;
  for (const std::string& f : filters) all += f + " ";
  for (const char* f : {"*.png", "*.gif", "*.tif", "*.tiff", "*.ico"})
    EXPECT_NE(std::find(filters.begin(), filters.end(), f), filters.end()) << f << " among " << all;
  for (const char* f : {"*.jpg", "*.jpeg", "*.bmp"})
    EXPECT_EQ(std::find(filters.begin(), filters.end(), f), filters.end()) << f;
  ASSERT_EQ(spi->FileTypes().size(), filters.size());
  EXPECT_EQ(spi->FileTypes()[0], "PNG Image File");
  for (const char* ext : {"png", "gif", "tif", "tiff", "ico"})
    EXPECT_EQ(framework::Picture::FindFileFormat(ext)->kind, kSPIBitmapKind) << ext;
}

TEST_F(WicPlugin, ReadsPngGifTiffAndIconsWithTransparencyOnWhiteAndGifFramesOnTheirCanvas) {
  struct Pixel {
    int x, y;
    Rgb colour;
  };
  struct Row {
    const char* fixture;
    int width, height;
    std::vector<Pixel> pixels;
  };
  const Rgb white{255, 255, 255};
  const Row rows[] = {
      {"wic-alpha.png",
       4,
       2,
       {{0, 0, {255, 0, 0}},
        {1, 0, white},
        {2, 0, {127, 127, 255}},
        {3, 0, {10, 20, 30}},
        {0, 1, white},
        {1, 1, {0, 0, 0}},
        {2, 1, {241, 216, 204}},
        {3, 1, white}}},
      {"wic-transparent.gif",
       4,
       2,
       {{0, 0, {255, 0, 0}}, {1, 0, white}, {2, 0, {0, 0, 255}}, {1, 1, {255, 255, 0}}, {2, 1, white}}},
      {"wic-lzw.tif", 6, 4, {{0, 0, {0, 0, 255}}, {5, 3, {200, 180, 55}}, {2, 1, {80, 60, 175}}}},
      {"wic-icon.ico", 32, 32, {{0, 0, {0, 0, 255}}, {31, 31, {0, 0, 255}}}},
      {"wic-16bit-alpha.png", 3, 1, {{0, 0, {18, 171, 128}}, {1, 0, white}, {2, 0, {127, 127, 255}}}},
      // The first frame (2 x 2 at 3,1) on its 6 x 4 canvas.
      {"wic-animated.gif",
       6,
       4,
       {{3, 1, {255, 0, 0}}, {4, 1, {0, 0, 255}}, {3, 2, {255, 0, 0}}, {4, 2, {0, 0, 255}}, {0, 0, white},
        {5, 3, white}, {2, 1, white}}},
      {"wic-cmyk.tif", 3, 1, {{0, 0, {255, 0, 0}}, {1, 0, {0, 0, 255}}, {2, 0, {128, 128, 128}}}},
  };
  for (const Row& row : rows) {
    framework::Picture picture = LoadPicture(row.fixture);
    framework::Bitmap b = picture.GetGraphic()->ToBitmap();
    ASSERT_EQ(b.Width(), row.width) << row.fixture;
    ASSERT_EQ(b.Height(), row.height) << row.fixture;
    // The size told without decoding is the picture's.
    EXPECT_EQ(ReadSPIPictureSize(row.fixture, PictureFixture(row.fixture), true),
              (SPIPictureSize{row.width, row.height}))
        << row.fixture;
    EXPECT_EQ(b.BitsPerPixel(), 24) << row.fixture;
    for (const Pixel& p : row.pixels)
      EXPECT_EQ(b.PixelColor(p.x, p.y), p.colour) << row.fixture << " " << p.x << "," << p.y;
  }
}

TEST_F(WicPlugin, RefusesWhatItCannotRead) {
  std::string png = PictureFixture("wic-alpha.png");
  for (const std::string& bytes :
       {png.substr(0, 40), std::string("GIF89a") + std::string(30, '\xFF'), std::string(3000, 'x')}) {
    TSPIBitmap b;
    EXPECT_THROW(b.LoadFromNamedStream(bytes, "broken.png"), framework::EInvalidGraphic);
  }
}

// Other hosts may name a file instead of handing over its data: the test
// calls the plug-in as such a host would, loaded here.
TEST_F(WicPlugin, ReadsANamedFileForOtherHosts) {
  HMODULE wic = LoadLibraryW(framework::Widen(dir.PathOf("kaleidon-wic.spi")).c_str());
  ASSERT_NE(wic, nullptr);
  auto getPictureInfo =
      reinterpret_cast<GetPictureInfoProc>(reinterpret_cast<void (*)()>(GetProcAddress(wic, "GetPictureInfo")));
  auto getPicture = reinterpret_cast<GetPictureProc>(reinterpret_cast<void (*)()>(GetProcAddress(wic, "GetPicture")));
  pictures.WriteFile("p.png", PictureFixture("wic-alpha.png"));
  std::string name = framework::ToAnsi(pictures.PathOf("p.png"));
  SPIPictureInfo info{};
  ASSERT_EQ(getPictureInfo(name.c_str(), 0, 0, &info), 0);
  EXPECT_EQ(info.width, 4);
  HLOCAL header = nullptr, bits = nullptr;
  ASSERT_EQ(getPicture(name.c_str(), 0, 0, &header, &bits, nullptr, 0), 0);
  EXPECT_EQ(LocalSize(bits), 2 * 12u);
  LocalFree(header);
  LocalFree(bits);
  FreeLibrary(wic);
}

}  // namespace
