#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "framework/imaging/jpeg.h"
#include "framework/imaging/jpegsplit.h"
#include "support/jpegfiles.h"

using namespace framework;

namespace {

// A photo-like picture: smooth colour with grain, so that the data holds
// every kind of code and many 0xFF bytes; sharp, with hard stripes at full
// quality, so that coefficients run to the largest values.
std::string GrainyJpeg(int width, int height, const JpegLayout& layout, bool sharp = false) {
  std::mt19937 random(1);
  return StreamedJpeg(width, height, sharp ? 100 : 95, layout, [&](int x, int y) {
    const int grain = static_cast<int>(random() % 64);
    const uint8_t stripe = (x / 3 + y / 5) % 2 ? 255 : 0;
    return Rgb{sharp ? stripe : static_cast<uint8_t>((x * 255 / width + grain) & 0xFF),
               static_cast<uint8_t>((y * 3 + grain) & 0xFF), static_cast<uint8_t>(((x ^ y) + grain) & 0xFF)};
  });
}

// What a decoding gave: the pixels, the rows handed on before the end, and
// the error it raised.
struct Outcome {
  std::vector<uint8_t> pixels;
  std::vector<std::string> rows;
  std::string error;
};

Outcome Decode(const std::string& jpeg, int scaleEighths) {
  Outcome o;
  JpegDecodeOptions options;
  options.scaleEighths = scaleEighths;
  try {
    o.pixels = DecodeJpeg(jpeg, options).Pixels();
  } catch (const EInvalidGraphic& e) {
    o.error = e.what();
  }
  try {
    DecodeJpegRows(jpeg, options, std::nullopt, 97, 61, [&](int, const uint8_t* row) {
      o.rows.emplace_back(reinterpret_cast<const char*>(row), 97 * 3);
    });
  } catch (const EInvalidGraphic& e) {
    o.rows.push_back(std::string("error: ") + e.what());
  }
  return o;
}

Outcome DecodeAlone(const std::string& jpeg, int scaleEighths) {
  EntropySplitSettings off;
  off.minimumBytes = ~size_t{0};
  ForcedEntropySplit alone(off);
  return Decode(jpeg, scaleEighths);
}

Outcome DecodeSplit(const std::string& jpeg, int scaleEighths, int permille, size_t memoryCap = size_t{24} << 20) {
  EntropySplitSettings on;
  on.minimumBytes = 0;
  on.startPermille = permille;
  on.memoryCap = memoryCap;
  on.evenWithoutSpareProcessor = true;
  on.firstWaitsForSecond = true;
  ForcedEntropySplit split(on);
  return Decode(jpeg, scaleEighths);
}

void ExpectSameOutcome(const Outcome& split, const Outcome& alone, const std::string& what) {
  EXPECT_EQ(split.error, alone.error) << what;
  EXPECT_TRUE(split.pixels == alone.pixels) << what << ": the pixels differ";
  EXPECT_EQ(split.rows.size(), alone.rows.size()) << what;
  EXPECT_TRUE(split.rows == alone.rows) << what << ": the rows differ";
}

}  // namespace

TEST(JpegEntropySplit, GivesTheVeryPixelsOfOneDecoderWhereverTheSecondStarts) {
  struct Case {
    const char* name;
    int width, height;
    JpegLayout layout;
    int scaleEighths;
    size_t memoryCap;
    bool sharp = false;
  };
  const Case cases[] = {
      {"4:2:0", 331, 217, {false, 2, 2}, 8, size_t{24} << 20},
      {"4:2:2", 256, 160, {false, 2, 1}, 8, size_t{24} << 20},
      {"4:4:4", 203, 150, {false, 1, 1}, 8, size_t{24} << 20},
      {"grey", 301, 199, {true, 1, 1}, 8, size_t{24} << 20},
      {"4:2:0 at half size", 331, 217, {false, 2, 2}, 4, size_t{24} << 20},
      {"4:2:0 at an eighth (DC only)", 331, 217, {false, 2, 2}, 1, size_t{24} << 20},
      // The second decoder's memory holds a few MCUs: it waits for the
      // first to take them before it decodes more.
      {"4:2:0, little memory for the second decoder", 331, 217, {false, 2, 2}, 8, 8 * 1024},
      {"4:4:4, sharp, at full quality", 203, 150, {false, 1, 1}, 8, size_t{24} << 20, true},
  };
  for (const Case& c : cases) {
    const std::string jpeg = GrainyJpeg(c.width, c.height, c.layout, c.sharp);
    const Outcome alone = DecodeAlone(jpeg, c.scaleEighths);
    ASSERT_TRUE(alone.error.empty()) << c.name << ": " << alone.error;
    const EntropySplitCounts before = CountEntropySplits();
    for (int permille : {1, 13, 100, 250, 333, 420, 500, 617, 750, 900, 990, 999})
      ExpectSameOutcome(DecodeSplit(jpeg, c.scaleEighths, permille, c.memoryCap), alone,
                        std::string(c.name) + " from " + std::to_string(permille) + "/1000");
    const EntropySplitCounts after = CountEntropySplits();
    // Every decoding split, and the first decoder took blocks from the
    // second (else the comparison would prove nothing).
    EXPECT_EQ(after.splits - before.splits, 2 * 12) << c.name;
    EXPECT_GT(after.mcusTaken - before.mcusTaken, 0) << c.name;
  }
}

TEST(JpegEntropySplit, DamagedAndTruncatedDataEndAsWithOneDecoder) {
  const std::string jpeg = GrainyJpeg(331, 217, JpegLayout{});
  // The entropy-coded data lies between the start-of-scan segment and the
  // end marker.
  size_t sos = 0;
  for (size_t i = 0; i + 1 < jpeg.size(); ++i)
    if (static_cast<uint8_t>(jpeg[i]) == 0xFF && static_cast<uint8_t>(jpeg[i + 1]) == 0xDA) sos = i;
  ASSERT_GT(sos, 0u);
  const size_t first = sos + 2 + ((static_cast<uint8_t>(jpeg[sos + 2]) << 8) | static_cast<uint8_t>(jpeg[sos + 3]));
  const size_t end = jpeg.size() - 2;
  const auto at = [&](double fraction) { return first + static_cast<size_t>((end - first) * fraction); };
  const auto overwritten = [&](double fraction, const std::string& bytes) {
    std::string damaged = jpeg;
    damaged.replace(at(fraction), bytes.size(), bytes);
    return damaged;
  };
  std::string ones;  // stuffed 0xFF bytes: codes of all ones, which no table holds
  for (int i = 0; i < 20; ++i) ones += std::string("\xFF\x00", 2);
  struct Case {
    const char* name;
    std::string data;
  };
  const Case cases[] = {
      {"codes no table holds before the second decoder's start", overwritten(0.2, ones)},
      {"codes no table holds after it", overwritten(0.8, ones)},
      {"a marker in the middle", overwritten(0.7, std::string("\xFF\xD0", 2))},
      // libjpeg's quick reader takes this for a marker and leaves
      // coefficients of its first attempt behind.
      {"0xFF 0xFF 0x00 in the data", overwritten(0.7, std::string("\xFF\xFF\x00", 3))},
      {"data that ends early at the end marker", jpeg.substr(0, at(0.85)) + "\xFF\xD9"},
      {"a file cut short", jpeg.substr(0, at(0.9))},
      {"a file cut short before the second decoder's start", jpeg.substr(0, at(0.3))},
  };
  for (const Case& c : cases)
    for (int permille : {100, 500, 900})
      ExpectSameOutcome(DecodeSplit(c.data, 8, permille), DecodeAlone(c.data, 8),
                        std::string(c.name) + " from " + std::to_string(permille) + "/1000");
}
