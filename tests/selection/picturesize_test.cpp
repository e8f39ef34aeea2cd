#include "selection/picturesize.h"

#include <gtest/gtest.h>

#include "framework/imaging/bitmap.h"
#include "support/fixtures.h"
#include "support/jpegfiles.h"
#include "support/tempdir.h"

using namespace kaleidon;

namespace {

std::string Bmp(int width, int height) { return framework::Bitmap(width, height, 24).SaveToBytes(); }

std::string Jpeg(int width, int height) {
  return StreamedJpeg(width, height, 80, [](int x, int y) { return framework::Rgb{uint8_t(x), uint8_t(y), 60}; });
}

// The bitmap stored top-down: its height negative.
std::string TopDown(std::string bmp) {
  const int32_t height = -static_cast<int32_t>(static_cast<unsigned char>(bmp[22]));
  for (int i = 0; i < 4; ++i) bmp[22 + i] = static_cast<char>((static_cast<uint32_t>(height) >> (8 * i)) & 0xFF);
  return bmp;
}

// Colour profiles and the like before the frame header, more of them than
// the first bytes read hold.
std::string WithLargeSegments(const std::string& jpeg) {
  std::string segment = "\xFF\xE2";
  segment += static_cast<char>(0xFF), segment += static_cast<char>(0xF0);
  segment += std::string(0xFFF0 - 2, 'p');
  std::string out = jpeg.substr(0, 2);
  for (int i = 0; i < 5; ++i) out += segment;
  return out + jpeg.substr(2);
}

}  // namespace

TEST(PictureSize, ReadFromTheHeaderStandingAsTheExifTurnHasIt) {
  struct Case {
    const char* name;
    std::string bytes;
    std::optional<PictureSize> size;
  };
  const std::string landscape = Jpeg(30, 20);
  const Case cases[] = {
      {"wide.bmp", Bmp(6, 4), PictureSize{6, 4}},
      {"topdown.bmp", TopDown(Bmp(4, 7)), PictureSize{4, 7}},
      {"core.bmp", PictureFixture("sixteen-core.bmp"), PictureSize{29, 17}},
      {"plain.jpg", landscape, PictureSize{30, 20}},
      {"phone.jpg", WithExifOrientation(landscape, 6), PictureSize{20, 30}},
      {"phone-mm.jpg", WithExifOrientation(landscape, 8, true), PictureSize{20, 30}},
      {"upside.jpg", WithExifOrientation(landscape, 3), PictureSize{30, 20}},
      {"profiled.jpg", WithLargeSegments(WithExifOrientation(landscape, 6)), PictureSize{20, 30}},
      {"cut.bmp", Bmp(6, 4).substr(0, 20), std::nullopt},
      {"cut.jpg", landscape.substr(0, 12), std::nullopt},
      {"other.png", "\x89PNG\r\n\x1a\n", std::nullopt},
  };
  TempDir dir;
  for (const Case& c : cases) {
    dir.WriteFile(c.name, c.bytes);
    EXPECT_EQ(ReadPictureSize(dir.PathOf(c.name)), c.size) << c.name;
  }
  EXPECT_EQ(ReadPictureSize(dir.PathOf("missing.bmp")), std::nullopt);
}

TEST(PictureSize, SuitsTheMonitorsOrientationAndShareOfItsSides) {
  struct Case {
    PictureDemand demand;
    std::optional<PictureSize> size;
    bool suits;
  };
  const PictureDemand portraitShape{1080, 1920, true, 0}, landscapeShape{1920, 1080, true, 0};
  const PictureDemand half{1920, 1080, false, 50}, squareShape{1000, 1000, true, 0};
  const PictureDemand unknownMonitor{0, 0, true, 50};
  for (const Case& c : {
           Case{portraitShape, PictureSize{600, 800}, true},
           Case{portraitShape, PictureSize{800, 600}, false},
           Case{portraitShape, PictureSize{700, 700}, true},  // a square picture suits either
           Case{landscapeShape, PictureSize{800, 600}, true},
           Case{landscapeShape, PictureSize{600, 800}, false},
           Case{squareShape, PictureSize{600, 800}, true},
           Case{half, PictureSize{960, 540}, true},  // exactly half of each side
           Case{half, PictureSize{959, 2000}, false},
           Case{half, PictureSize{4000, 539}, false},
           Case{half, PictureSize{960, 1600}, true},  // no shape asked for
           Case{PictureDemand{1920, 1080, true, 50}, PictureSize{1000, 1200}, false},
           Case{half, std::nullopt, true},  // an unknown size never holds a picture back
           Case{unknownMonitor, PictureSize{1, 2}, true},
           Case{PictureDemand{1920, 1080, false, 0}, PictureSize{1, 2}, true},
       })
    EXPECT_EQ(Suits(c.demand, c.size), c.suits) << c.demand.monitorWidth << "x" << c.demand.monitorHeight << " "
                                                 << c.demand.matchShape << " " << c.demand.minShare << " "
                                                 << (c.size ? c.size->width : -1) << "x"
                                                 << (c.size ? c.size->height : -1);
}
