#include "framework/imaging/jpegsplit.h"

#include "framework/imaging/jpegsplitter.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

// The split reads libjpeg's Huffman decoder's bit reader and DC predictions
// where it compares places and takes over, and sets them again where it
// hands the decoding back (after damage, or where the second decoder
// stopped); libjpeg keeps them behind the public part of its entropy
// decoder. Their layout is the one of libjpeg-turbo 2.1 (jdhuff.c); with
// another version the split is off.
#if defined(LIBJPEG_TURBO_VERSION_NUMBER) && LIBJPEG_TURBO_VERSION_NUMBER >= 2001000 && \
    LIBJPEG_TURBO_VERSION_NUMBER < 2002000
#define KALEIDON_ENTROPY_SPLIT 1
#else
#define KALEIDON_ENTROPY_SPLIT 0
#endif

// The public part of libjpeg's entropy decoder (jpegint.h).
struct jpeg_entropy_decoder {
  void (*start_pass)(j_decompress_ptr cinfo);
  boolean (*decode_mcu)(j_decompress_ptr cinfo, JBLOCKROW* MCU_data);
  boolean insufficient_data;
};

namespace framework {

namespace {

// libjpeg's Huffman decoder as far as the split touches it: the bit buffer
// (a machine word whose low bitsLeft bits are the next ones) and the last DC
// value of each component of the scan.
struct LibraryHuffmanState {
  jpeg_entropy_decoder pub;
  struct {
    size_t getBuffer;
    int bitsLeft;
  } bits;  // padded as a structure of its own
  struct {
    int lastDcValue[MAX_COMPS_IN_SCAN];
  } saved;
};

std::mutex settingsLock;
EntropySplitSettings forced;
bool isForced = false;
std::atomic<long long> splitCount{0};
std::atomic<long long> takenCount{0};

// The zigzag order of the coefficients, with the 16 extra entries libjpeg
// has so that a damaged block running past the last coefficient writes the
// last one again.
constexpr uint8_t kNaturalOrder[64 + 16] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13,
    6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58, 59, 52, 45, 38, 31,
    39, 46, 53, 60, 61, 54, 47, 55, 62, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63};

// A Huffman table for decoding: codes of up to kLook bits straight from a
// table, longer ones bit by bit (as libjpeg's jpeg_huff_decode does).
constexpr int kLook = 9;
struct HuffmanTable {
  uint16_t fast[1 << kLook];  // (length << 8) | symbol, 0 for a longer code
  int32_t maxCode[18];        // largest code of each length, -1 when none
  int32_t valueOffset[18];
  uint8_t values[256];
  // For AC tables: a code and the value after it within kLook bits, as
  // (value << 8) | (run << 4) | bits; 0 where either is longer.
  int32_t fastAc[1 << kLook];
};

// Built from a table libjpeg has already checked for this scan.
void BuildTable(const JHUFF_TBL& source, HuffmanTable& table) {
  std::memset(&table, 0, sizeof table);
  std::memcpy(table.values, source.huffval, sizeof table.values);
  int codes[257];
  int lengths[257];
  int count = 0;
  for (int length = 1; length <= 16; ++length)
    for (int i = 0; i < source.bits[length] && count < 256; ++i) lengths[count++] = length;
  int code = 0, p = 0;
  for (int length = 1; length <= 16; ++length) {
    const int first = p;
    while (p < count && lengths[p] == length) codes[p++] = code++;
    if (p > first) {
      table.valueOffset[length] = first - codes[first];
      table.maxCode[length] = codes[p - 1];
    } else {
      table.maxCode[length] = -1;
    }
    code <<= 1;
  }
  table.maxCode[17] = 0xFFFFF;
  for (int i = 0; i < count && lengths[i] <= kLook; ++i) {
    const int shift = kLook - lengths[i];
    for (int fill = 0; fill < (1 << shift); ++fill)
      table.fast[(codes[i] << shift) | fill] = static_cast<uint16_t>((lengths[i] << 8) | table.values[i]);
  }
  for (int look = 0; look < (1 << kLook); ++look) {
    const int e = table.fast[look];
    const int length = e >> 8, run = (e >> 4) & 15, size = e & 15;
    if (!length || !size || length + size > kLook) continue;
    const int raw = (look >> (kLook - length - size)) & ((1 << size) - 1);
    const int value = raw < (1 << (size - 1)) ? raw - (1 << size) + 1 : raw;
    table.fastAc[look] = static_cast<int32_t>(static_cast<uint32_t>(value) << 8) | (run << 4) | (length + size);
  }
}

// Where a sequence of an 0xFF data byte stands in the scan's data: 0xFF,
// perhaps more 0xFF, then 0x00 (libjpeg takes them all as one 0xFF).
struct Stuffing {
  size_t start;    // offset of the first 0xFF
  size_t after;    // offset just after the 0x00
  size_t skipped;  // bytes that were no data byte in the sequences before this one
  // The same up to the end of this one.
  size_t SkippedThrough() const { return skipped + (after - start - 1); }
};

// The scan's entropy-coded data: where it ends (the marker after it) and
// where its 0xFF bytes stand. False when no marker ends it (a truncated
// file: libjpeg's own decoder knows best where it runs out) or the data
// holds what only libjpeg decodes as libjpeg does.
bool ReadScanData(const uint8_t* data, size_t size, size_t& end, std::vector<Stuffing>& stuffings) {
  size_t i = 0, skipped = 0;
  while (i < size) {
    const void* found = std::memchr(data + i, 0xFF, size - i);
    if (!found) return false;
    const size_t start = static_cast<size_t>(static_cast<const uint8_t*>(found) - data);
    size_t k = start + 1;
    while (k < size && data[k] == 0xFF) ++k;
    if (k >= size) return false;
    if (data[k] != 0) {
      end = start;
      return true;
    }
    // 0xFF 0xFF ... 0x00 is one 0xFF data byte to libjpeg's careful reader,
    // but its quick one takes it for a marker, decodes the MCU on with zero
    // bits and then again with the careful reader, which leaves the first
    // attempt's coefficients where the second has none. No encoder writes
    // it: such data is left to libjpeg alone.
    if (k - start > 1) return false;
    stuffings.push_back({start, k + 1, skipped});
    skipped += k - start;
    i = k + 1;
  }
  return false;
}

// Bytes that are no data bytes before offset (not inside a sequence).
size_t SkippedBefore(const std::vector<Stuffing>& stuffings, size_t offset) {
  auto it = std::upper_bound(stuffings.begin(), stuffings.end(), offset,
                             [](size_t o, const Stuffing& s) { return o < s.after; });
  return it == stuffings.begin() ? 0 : (it - 1)->SkippedThrough();
}

// Gives the processor away while one decoder waits for the other: a turn
// at a time for the first 2 ms, then a millisecond's sleep at a time.
void PauseWaitingSince(std::chrono::steady_clock::time_point since) {
  if (std::chrono::steady_clock::now() - since < std::chrono::milliseconds(2))
    std::this_thread::yield();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Reads the bits of the scan's data from a byte on, as libjpeg does: the
// sequences of an 0xFF data byte count as that byte, and past the end zero
// bits follow, counted so that reading into them shows. The buffer is a
// machine word, as libjpeg's is: on the 32-bit program shifts of a wider
// one cost more than the refills they save.
struct BitReader {
  using Word = size_t;
  static constexpr int kWordBits = static_cast<int>(sizeof(Word) * 8);

  const uint8_t* p = nullptr;  // next byte to load
  const uint8_t* end = nullptr;
  Word buffer = 0;  // the low `bits` bits are the next ones
  int bits = 0;
  int padding = 0;     // zero bits loaded past the end
  size_t skipped = 0;  // bytes loaded that were no data bytes

  void Fill() {
    while (bits <= kWordBits - 8) {
      Word c;
      if (p < end) {
        c = *p++;
        if (c == 0xFF) {
          while (*p == 0xFF) {
            ++p;
            ++skipped;
          }
          ++p;
          ++skipped;
        }
      } else {
        c = 0;
        padding += 8;
      }
      buffer = (buffer << 8) | c;
      bits += 8;
    }
  }
  // At least n bits to read (n at most 16).
  void Need(int n) {
    if (bits < n) Fill();
  }
  uint32_t Peek(int n) const { return static_cast<uint32_t>(buffer >> (bits - n)) & ((1u << n) - 1); }
  uint32_t Get(int n) {
    bits -= n;
    return static_cast<uint32_t>(buffer >> bits) & ((1u << n) - 1);
  }
  // A symbol, or -1 for a code no table holds; 16 bits must be there.
  int Decode(const HuffmanTable& t) {
    const uint32_t e = t.fast[Peek(kLook)];
    if (e) {
      bits -= static_cast<int>(e >> 8);
      return e & 0xFF;
    }
    int32_t code = static_cast<int32_t>(Get(kLook));
    int length = kLook;
    while (code > t.maxCode[length]) {
      if (length == 16) return -1;
      code = (code << 1) | static_cast<int32_t>(Get(1));
      ++length;
    }
    return t.values[(code + t.valueOffset[length]) & 0xFF];
  }
  // Data bits read since offset 0 of the scan's data, given where this
  // reader started and the data bits before it.
  uint64_t Position(const uint8_t* origin, uint64_t base) const {
    return base + 8 * static_cast<uint64_t>((p - origin) - skipped) + static_cast<uint64_t>(padding) -
           static_cast<uint64_t>(bits);
  }
};

inline int Extend(uint32_t v, int s) {
  const int x = static_cast<int>(v);
  return x < (1 << (s - 1)) ? x - (1 << s) + 1 : x;
}

void Put16(uint8_t* at, int value) {
  const int16_t v = static_cast<int16_t>(value);
  std::memcpy(at, &v, 2);
}
int Get16(const uint8_t* at) {
  int16_t v;
  std::memcpy(&v, at, 2);
  return v;
}

// A coefficient kept: its place in natural order (6 bits) and its value (10
// bits) in 2 bytes, or where the value does not fit (or is -512, which
// marks this), the place with -512 and then the value in 2 more.
inline uint8_t* PutCoefficient(uint8_t* at, int place, int value) {
  if (value > -512 && value < 512) {
    Put16(at, static_cast<int>(static_cast<unsigned>(place) << 10 | (static_cast<unsigned>(value) & 0x3FF)));
    return at + 2;
  }
  Put16(at, static_cast<int>(static_cast<unsigned>(place) << 10 | 0x200));
  Put16(at + 2, value);
  return at + 4;
}
inline const uint8_t* GetCoefficient(const uint8_t* at, JCOEF* block) {
  const uint32_t packed = static_cast<uint16_t>(Get16(at));
  const int place = static_cast<int>(packed >> 10);
  // The sign taken along without a branch: it is as often one as the other.
  int value = static_cast<int32_t>(packed << 22) >> 22;
  const uint8_t* next = at + 2;
  if (value == -512) {
    value = Get16(at + 2);
    next = at + 4;
  }
  if (block) block[place] = static_cast<JCOEF>(value);
  return next;
}

// The blocks the second decoder made, in chunks that never move, each MCU
// a record: its start in data bits from where the decoder began (4 bytes),
// its length (2 bytes), then per block the number of coefficients kept (1
// byte), the DC difference (2 bytes) and each coefficient kept (above). A start of all ones ends
// a chunk early. The chunks are a ring: the second decoder fills one again
// once the first has read it. They are smaller where the memory allowed is.
constexpr size_t kChunkBytes = 256 * 1024;
constexpr size_t kSmallestChunk = 8 * 1024;
constexpr uint32_t kChunkEnds = 0xFFFFFFFF;
constexpr size_t kRecordHead = 6;

}  // namespace

EntropySplitSettings CurrentEntropySplitSettings() {
  std::lock_guard<std::mutex> hold(settingsLock);
  return isForced ? forced : EntropySplitSettings{};
}

ForcedEntropySplit::ForcedEntropySplit(const EntropySplitSettings& settings) {
  std::lock_guard<std::mutex> hold(settingsLock);
  forced = settings;
  isForced = true;
}

ForcedEntropySplit::~ForcedEntropySplit() {
  std::lock_guard<std::mutex> hold(settingsLock);
  isForced = false;
}

EntropySplitCounts CountEntropySplits() { return {splitCount.load(), takenCount.load()}; }

struct EntropySplitter::State {
  // What both decoders read.
  const uint8_t* data = nullptr;  // the scan's entropy-coded data
  size_t dataEnd = 0;             // where the marker after it starts
  const uint8_t* sourceEnd = nullptr;
  std::vector<Stuffing> stuffings;
  int blocks = 0;
  HuffmanTable tables[2 * NUM_HUFF_TBLS];
  const HuffmanTable* dcTable[D_MAX_BLOCKS_IN_MCU];
  const HuffmanTable* acTable[D_MAX_BLOCKS_IN_MCU];
  bool dcNeeded[D_MAX_BLOCKS_IN_MCU];
  bool acNeeded[D_MAX_BLOCKS_IN_MCU];
  int component[D_MAX_BLOCKS_IN_MCU];

  // The second decoder.
  size_t secondStart = 0;  // offset in the data
  uint64_t secondBase = 0;  // data bits before it
  size_t chunkBytes = kChunkBytes;
  size_t maxChunks = 0;  // at least 2
  std::vector<std::unique_ptr<uint8_t[]>> chunks;  // chunk n in chunks[n % maxChunks]
  std::atomic<size_t> released{0};  // chunks the first decoder is done with
  std::atomic<size_t> published{0};  // MCU records readable
  std::atomic<bool> stopped{false};  // no more will come
  std::atomic<bool> stop{false};     // asked to stop
  std::thread second;

  // The first decoder, inside libjpeg's calls.
  boolean (*libraryDecode)(j_decompress_ptr, JBLOCKROW*) = nullptr;
  enum class Mode { kLooking, kTaking, kLibrary } mode = Mode::kLooking;
  size_t mcus = 0;       // MCUs decoded so far
  size_t totalMcus = 0;  // in the scan
  size_t read = 0;       // records read
  size_t chunk = 0, offset = 0;
  size_t stuffingCursor = 0;
  bool firstWaits = false;
  unsigned lastDc[MAX_COMPS_IN_SCAN] = {};
  // Where libjpeg's reader stood when the first MCU was taken.
  struct {
    size_t mcu = 0;
    const JOCTET* next = nullptr;
    size_t bytes = 0;
    size_t getBuffer = 0;
    int bitsLeft = 0;
    int lastDc[MAX_COMPS_IN_SCAN] = {};
  } took;

  void RunSecond();
  bool DecodeSecondMcu(BitReader& r, uint8_t* out, size_t& length) const;
  uint64_t FirstPosition(j_decompress_ptr cinfo);
  bool NextRecord(const uint8_t*& record);
  void HandBack(j_decompress_ptr cinfo);
  uint8_t* Chunk() const { return chunks[chunk % maxChunks].get(); }
  // Done with a chunk: the second decoder may fill it again.
  void NextChunk() {
    released.store(++chunk, std::memory_order_release);
    offset = 0;
  }
  void StopSecond() {
    stop.store(true);
    if (second.joinable()) second.join();
  }
};

// One MCU of the second decoder into out; false where the data holds a
// code no table knows (libjpeg's reading of what follows depends on how
// much it had read ahead) or the MCU reads past the data's end.
bool EntropySplitter::State::DecodeSecondMcu(BitReader& r, uint8_t* out, size_t& length) const {
  uint8_t* at = out;
  for (int b = 0; b < blocks; ++b) {
    const HuffmanTable& dc = *dcTable[b];
    const HuffmanTable& ac = *acTable[b];
    r.Need(16);
    int s = r.Decode(dc);
    if (s < 0) return false;
    int diff = 0;
    if (s) {
      r.Need(s);
      diff = Extend(r.Get(s), s);
    }
    uint8_t* count = at;
    Put16(at + 1, diff);
    at += 3;
    const bool keep = acNeeded[b];
    int kept = 0;
    for (int k = 1; k < 64; ++k) {
      r.Need(16);
      const int32_t both = ac.fastAc[r.Peek(kLook)];
      if (both) {
        // The usual case: a short code and a small value.
        k += (both >> 4) & 15;
        r.bits -= both & 15;
        if (keep) {
          at = PutCoefficient(at, kNaturalOrder[k], both >> 8);
          ++kept;
        }
        continue;
      }
      const int symbol = r.Decode(ac);
      if (symbol < 0) return false;
      const int run = symbol >> 4;
      s = symbol & 15;
      if (s) {
        k += run;
        r.Need(s);
        const int value = Extend(r.Get(s), s);
        if (keep) {
          at = PutCoefficient(at, kNaturalOrder[k], value);
          ++kept;
        }
      } else {
        if (run != 15) break;
        k += 15;
      }
    }
    *count = static_cast<uint8_t>(kept);
  }
  if (r.bits < r.padding) return false;  // read past the data
  length = static_cast<size_t>(at - out);
  return true;
}

void EntropySplitter::State::RunSecond() {
  BitReader r;
  r.p = data + secondStart;
  r.end = data + dataEnd;
  const size_t mostRecord = kRecordHead + static_cast<size_t>(blocks) * (3 + 63 * 4) + 4;
  size_t count = 0, at = 0, sequence = 0;
  uint8_t* current = nullptr;
  while (!stop.load(std::memory_order_relaxed)) {
    if (!current || at + mostRecord > chunkBytes) {
      const size_t next = current ? sequence + 1 : 0;
      if (current) std::memcpy(current + at, &kChunkEnds, 4);
      // With all the memory in use, wait for the first decoder to be done
      // with a chunk (it reads on meanwhile: it has a chunk at least).
      published.store(count, std::memory_order_release);
      const auto waitedSince = std::chrono::steady_clock::now();
      while (next - released.load(std::memory_order_acquire) >= maxChunks && !stop.load())
        PauseWaitingSince(waitedSince);
      if (stop.load()) break;
      std::unique_ptr<uint8_t[]>& slot = chunks[next % maxChunks];
      if (!slot) slot.reset(new (std::nothrow) uint8_t[chunkBytes]);
      if (!slot) break;
      current = slot.get();
      sequence = next;
      at = 0;
    }
    const BitReader before = r;
    size_t length = 0;
    if (!DecodeSecondMcu(r, current + at + kRecordHead, length)) {
      r = before;
      break;
    }
    const uint32_t start = static_cast<uint32_t>(before.Position(data + secondStart, 0));
    std::memcpy(current + at, &start, 4);
    const uint16_t size = static_cast<uint16_t>(length);
    std::memcpy(current + at + 4, &size, 2);
    at += kRecordHead + length;
    if ((++count & 7) == 0) published.store(count, std::memory_order_release);
  }
  published.store(count, std::memory_order_release);
  stopped.store(true, std::memory_order_release);
}

// The first decoder's place, in data bits, from libjpeg's bit reader.
uint64_t EntropySplitter::State::FirstPosition(j_decompress_ptr cinfo) {
  const size_t offset = static_cast<size_t>(cinfo->src->next_input_byte - data);
  while (stuffingCursor < stuffings.size() && stuffings[stuffingCursor].after <= offset) ++stuffingCursor;
  const size_t skipped = stuffingCursor > 0 ? stuffings[stuffingCursor - 1].SkippedThrough() : 0;
  const auto* library = reinterpret_cast<const LibraryHuffmanState*>(cinfo->entropy);
  return 8 * static_cast<uint64_t>(offset - skipped) - static_cast<uint64_t>(library->bits.bitsLeft);
}

// The next record of the second decoder, waiting for it while it is being
// made; false when no more will come.
bool EntropySplitter::State::NextRecord(const uint8_t*& record) {
  auto waitedSince = std::chrono::steady_clock::time_point{};
  while (read >= published.load(std::memory_order_acquire)) {
    if (stopped.load(std::memory_order_acquire) && read >= published.load(std::memory_order_acquire)) return false;
    // The second decoder is ahead nearly always; when it is not, it is
    // only a few MCUs away, and waiting is cheaper than anything else.
    if (waitedSince == std::chrono::steady_clock::time_point{}) waitedSince = std::chrono::steady_clock::now();
    PauseWaitingSince(waitedSince);
  }
  uint32_t start;
  std::memcpy(&start, Chunk() + offset, 4);
  if (start == kChunkEnds) NextChunk();
  record = Chunk() + offset;
  return true;
}

// libjpeg decodes the rest of the scan, from the MCU about to be decoded
// on. Its reader must stand as it would had it decoded every MCU itself:
// how far it has read ahead decides what it makes of damaged data. So it
// decodes again, into a block of its own, the MCUs it took from the
// second decoder, from where it stood when it took the first.
void EntropySplitter::State::HandBack(j_decompress_ptr cinfo) {
  auto* library = reinterpret_cast<LibraryHuffmanState*>(cinfo->entropy);
  cinfo->src->next_input_byte = took.next;
  cinfo->src->bytes_in_buffer = took.bytes;
  library->bits.getBuffer = took.getBuffer;
  library->bits.bitsLeft = took.bitsLeft;
  std::memcpy(library->saved.lastDcValue, took.lastDc, sizeof took.lastDc);
  library->pub.decode_mcu = libraryDecode;
  mode = Mode::kLibrary;
  JBLOCK scratch[D_MAX_BLOCKS_IN_MCU];
  JBLOCKROW rows[D_MAX_BLOCKS_IN_MCU];
  for (int b = 0; b < D_MAX_BLOCKS_IN_MCU; ++b) rows[b] = &scratch[b];
  for (size_t m = took.mcu; m < mcus; ++m) {
    std::memset(scratch, 0, sizeof scratch);
    libraryDecode(cinfo, rows);
  }
}

namespace {

// libjpeg's decode_mcu for a split scan.
extern "C" boolean DecodeSplitMcu(j_decompress_ptr cinfo, JBLOCKROW* blocks) {
  auto* s = static_cast<EntropySplitter::State*>(cinfo->client_data);
  using Mode = EntropySplitter::State::Mode;
  if (s->mode == Mode::kLooking) {
    // Is this MCU's start one of the second decoder's? Only while libjpeg
    // reads the data cleanly.
    if (!cinfo->entropy->insufficient_data && cinfo->unread_marker == 0 &&
        static_cast<size_t>(cinfo->src->next_input_byte - s->data) > s->secondStart) {
      const uint64_t here = s->FirstPosition(cinfo);
      for (;;) {
        const size_t ready = s->published.load(std::memory_order_acquire);
        if (s->read >= ready) {
          // Nothing more to compare with: decode this one and look again
          // at the next, unless no more will come.
          if (s->stopped.load(std::memory_order_acquire)) {
            if (s->read >= s->published.load()) s->mode = Mode::kLibrary;
            else continue;
          } else if (s->firstWaits) {
            std::this_thread::yield();
            continue;
          }
          break;
        }
        uint32_t start;
        std::memcpy(&start, s->Chunk() + s->offset, 4);
        if (start == kChunkEnds) {
          s->NextChunk();
          continue;
        }
        const uint64_t there = s->secondBase + start;
        if (there > here) break;
        if (there == here) {
          // In step: from here on the blocks are the second decoder's.
          const auto* library = reinterpret_cast<const LibraryHuffmanState*>(cinfo->entropy);
          for (int c = 0; c < cinfo->comps_in_scan; ++c) s->lastDc[c] = static_cast<unsigned>(library->saved.lastDcValue[c]);
          s->took.mcu = s->mcus;
          s->took.next = cinfo->src->next_input_byte;
          s->took.bytes = cinfo->src->bytes_in_buffer;
          s->took.getBuffer = library->bits.getBuffer;
          s->took.bitsLeft = library->bits.bitsLeft;
          std::memcpy(s->took.lastDc, library->saved.lastDcValue, sizeof s->took.lastDc);
          s->mode = Mode::kTaking;
          break;
        }
        uint16_t length;
        std::memcpy(&length, s->Chunk() + s->offset + 4, 2);
        s->offset += kRecordHead + length;
        ++s->read;
      }
    }
    if (s->mode == Mode::kLibrary) s->StopSecond();
    if (s->mode != Mode::kTaking) {
      const boolean ok = s->libraryDecode(cinfo, blocks);
      ++s->mcus;
      return ok;
    }
  }
  if (s->mode == Mode::kLibrary) return s->libraryDecode(cinfo, blocks);

  const uint8_t* record;
  if (!s->NextRecord(record)) {
    // The second decoder stopped (damage, or no memory for its blocks):
    // libjpeg goes on from where it stopped.
    s->StopSecond();
    s->HandBack(cinfo);
    ++s->mcus;
    return s->libraryDecode(cinfo, blocks);
  }
  uint16_t length;
  std::memcpy(&length, record + 4, 2);
  const uint8_t* at = record + kRecordHead;
  for (int b = 0; b < s->blocks; ++b) {
    const int kept = at[0];
    const int diff = Get16(at + 1);
    at += 3;
    JCOEF* block = blocks ? blocks[b][0] : nullptr;
    if (s->dcNeeded[b]) {
      unsigned& dc = s->lastDc[s->component[b]];
      dc += static_cast<unsigned>(diff);
      if (block) block[0] = static_cast<JCOEF>(dc);
    }
    if (block && s->acNeeded[b])
      for (int i = 0; i < kept; ++i) at = GetCoefficient(at, block);
    else
      for (int i = 0; i < kept; ++i) at = GetCoefficient(at, nullptr);
  }
  s->offset += kRecordHead + length;
  ++s->read;
  ++s->mcus;
  takenCount.fetch_add(1, std::memory_order_relaxed);
  if (s->mcus == s->totalMcus) {
    // The scan is done: libjpeg reads on from the marker after its data.
    auto* library = reinterpret_cast<LibraryHuffmanState*>(cinfo->entropy);
    cinfo->src->next_input_byte = s->data + s->dataEnd;
    cinfo->src->bytes_in_buffer = static_cast<size_t>(s->sourceEnd - cinfo->src->next_input_byte);
    library->bits.getBuffer = 0;
    library->bits.bitsLeft = 0;
    s->mode = Mode::kLibrary;
    library->pub.decode_mcu = s->libraryDecode;
    s->stop.store(true);
  }
  return TRUE;
}

}  // namespace

EntropySplitter::EntropySplitter() = default;

EntropySplitter::~EntropySplitter() {
  if (state_) state_->StopSecond();
}

bool EntropySplitter::Prepare(jpeg_decompress_struct& cinfo, bool processorSpare) {
#if KALEIDON_ENTROPY_SPLIT
  state_.reset();
  const EntropySplitSettings settings = CurrentEntropySplitSettings();
  if (!processorSpare && !settings.evenWithoutSpareProcessor) return false;
  if (cinfo.progressive_mode || cinfo.arith_code || cinfo.restart_interval != 0 || cinfo.buffered_image) return false;
  if (cinfo.comps_in_scan != cinfo.num_components || (cinfo.num_components != 1 && cinfo.num_components != 3))
    return false;
  if (!cinfo.src || cinfo.unread_marker != 0 || cinfo.client_data) return false;
  const size_t size = cinfo.src->bytes_in_buffer;
  if (size < settings.minimumBytes || size > (size_t{256} << 20)) return false;
  try {
    auto s = std::make_unique<State>();
    s->data = cinfo.src->next_input_byte;
    s->sourceEnd = s->data + size;
    if (!ReadScanData(s->data, size, s->dataEnd, s->stuffings)) return false;
    if (s->dataEnd < settings.minimumBytes || s->dataEnd < 64) return false;
    // The second decoder starts at a byte that begins a data byte (never
    // right after an 0xFF).
    const int permille = std::clamp(settings.startPermille, 1, 999);
    size_t start = std::max<size_t>(1, static_cast<size_t>(static_cast<unsigned long long>(s->dataEnd) * permille / 1000));
    while (start < s->dataEnd && s->data[start - 1] == 0xFF) ++start;
    if (start + 16 >= s->dataEnd) return false;
    s->secondStart = start;
    s->firstWaits = settings.firstWaitsForSecond;
    s->secondBase = 8 * static_cast<uint64_t>(start - SkippedBefore(s->stuffings, start));
    s->chunkBytes = std::clamp(settings.memoryCap, kSmallestChunk, kChunkBytes);
    s->maxChunks = std::max<size_t>(2, settings.memoryCap / s->chunkBytes);
    s->chunks.resize(s->maxChunks);
    state_ = std::move(s);
    return true;
  } catch (...) {
    return false;
  }
#else
  (void)cinfo;
  (void)processorSpare;
  return false;
#endif
}

bool EntropySplitter::Start(jpeg_decompress_struct& cinfo) {
#if KALEIDON_ENTROPY_SPLIT
  if (!state_) return false;
  std::unique_ptr<State> s = std::move(state_);
  // Nothing read of the scan yet, the data where it was.
  if (!cinfo.entropy || cinfo.src->next_input_byte != s->data || cinfo.unread_marker != 0 ||
      cinfo.entropy->insufficient_data || cinfo.client_data)
    return false;
  if (cinfo.blocks_in_MCU < 1 || cinfo.blocks_in_MCU > D_MAX_BLOCKS_IN_MCU) return false;
  const auto* library = reinterpret_cast<const LibraryHuffmanState*>(cinfo.entropy);
  if (library->bits.bitsLeft != 0 || !library->pub.decode_mcu) return false;
  try {
    s->blocks = cinfo.blocks_in_MCU;
    for (int b = 0; b < s->blocks; ++b) {
      const int c = cinfo.MCU_membership[b];
      const jpeg_component_info* comp = cinfo.cur_comp_info[c];
      const JHUFF_TBL* dc = comp->dc_tbl_no >= 0 && comp->dc_tbl_no < NUM_HUFF_TBLS
                                ? cinfo.dc_huff_tbl_ptrs[comp->dc_tbl_no] : nullptr;
      const JHUFF_TBL* ac = comp->ac_tbl_no >= 0 && comp->ac_tbl_no < NUM_HUFF_TBLS
                                ? cinfo.ac_huff_tbl_ptrs[comp->ac_tbl_no] : nullptr;
      if (!dc || !ac) return false;
      HuffmanTable& dcTable = s->tables[comp->dc_tbl_no];
      HuffmanTable& acTable = s->tables[NUM_HUFF_TBLS + comp->ac_tbl_no];
      BuildTable(*dc, dcTable);
      BuildTable(*ac, acTable);
      s->dcTable[b] = &dcTable;
      s->acTable[b] = &acTable;
      s->component[b] = c;
      s->dcNeeded[b] = comp->component_needed;
#if JPEG_LIB_VERSION >= 70
      s->acNeeded[b] = comp->component_needed && comp->DCT_h_scaled_size > 1;
#else
      s->acNeeded[b] = comp->component_needed && comp->DCT_scaled_size > 1;
#endif
    }
    s->totalMcus = static_cast<size_t>(cinfo.MCUs_per_row) * cinfo.MCU_rows_in_scan;
    s->libraryDecode = library->pub.decode_mcu;
    State* raw = s.get();
    s->second = std::thread([raw] { raw->RunSecond(); });
    cinfo.client_data = raw;
    cinfo.entropy->decode_mcu = DecodeSplitMcu;
    state_ = std::move(s);
    splitCount.fetch_add(1, std::memory_order_relaxed);
    return true;
  } catch (...) {
    return false;
  }
#else
  (void)cinfo;
  return false;
#endif
}

}  // namespace framework
