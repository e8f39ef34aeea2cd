#pragma once
// The split of a scan's entropy decoding (jpegsplit.h) as jpeg.cpp runs it.
#include <memory>

struct jpeg_decompress_struct;

namespace framework {

class EntropySplitter {
 public:
  EntropySplitter();
  // Stops the second decoder and waits for it.
  ~EntropySplitter();
  EntropySplitter(const EntropySplitter&) = delete;
  EntropySplitter& operator=(const EntropySplitter&) = delete;

  // After jpeg_start_decompress and before the first jpeg_read_scanlines:
  // starts the second decoder where the picture and the settings allow it
  // (processorSpare: whether a processor is left for it). Whether it did.
  bool Start(jpeg_decompress_struct& cinfo, bool processorSpare);

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace framework
