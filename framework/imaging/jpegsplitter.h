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

  // After jpeg_read_header: whether the scan is split where the picture
  // and the settings allow it (processorSpare: whether a processor is left
  // for the second decoder). Reads where the scan's data ends.
  bool Prepare(jpeg_decompress_struct& cinfo, bool processorSpare);
  // After jpeg_start_decompress and before the first jpeg_read_scanlines:
  // starts the second decoder of a prepared split. Whether it did.
  bool Start(jpeg_decompress_struct& cinfo);

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace framework
