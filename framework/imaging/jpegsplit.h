#pragma once
// The entropy decoding of one large JPEG scan shared by two threads. The
// decoding thread runs libjpeg as always; a second one starts decoding the
// Huffman codes at a byte far into the scan's data. Huffman codes fall back
// into step by themselves: after a few codes the second decoder reads the
// very codes the first would, so once the first decoder reaches a point
// where the second one began an MCU, every block from there on is the
// second decoder's, and the first only turns blocks into pixels. Pictures
// come out the same to the byte with or without it.
//
// It serves baseline pictures of one interleaved scan without restart
// markers whose data is large enough to pay for a thread; jpeg.cpp decides
// when a processor is spare. The settings below are the program's; tests,
// benchmarks and the fuzz target force other ones.
#include <cstddef>
#include <cstdint>

namespace framework {

struct EntropySplitSettings {
  // Where the second decoder starts, in thousandths of the scan's data.
  int startPermille = 280;
  // Scans with less entropy-coded data than this are decoded by one thread.
  size_t minimumBytes = size_t{1} << 20;
  // The most the second decoder holds of decoded blocks the first has not
  // taken yet; when it is reached it waits for the first to take some.
  size_t memoryCap = size_t{16} << 20;
  // Also where no processor is spare (tests).
  bool evenWithoutSpareProcessor = false;
  // The first decoder waits for the second to come past it instead of
  // decoding on alone meanwhile, so that they always fall into step where
  // the data lets them (tests, whatever the machine's load).
  bool firstWaitsForSecond = false;
};

// The settings in force.
EntropySplitSettings CurrentEntropySplitSettings();

// Other settings for as long as it lives (one at a time).
class ForcedEntropySplit {
 public:
  explicit ForcedEntropySplit(const EntropySplitSettings& settings);
  ~ForcedEntropySplit();
  ForcedEntropySplit(const ForcedEntropySplit&) = delete;
  ForcedEntropySplit& operator=(const ForcedEntropySplit&) = delete;
};

// What the splits did so far in this process: scans split, and MCUs the
// first decoder took from the second (after it fell into step).
struct EntropySplitCounts {
  long long splits = 0;
  long long mcusTaken = 0;
};
EntropySplitCounts CountEntropySplits();

}  // namespace framework
