#include "core/custommask.h"

#include <algorithm>
#include <vector>

namespace kaleidon {

const std::array<std::string_view, 105> kRejectedMasks = {
    "*.TXT", "*.EXE", "*.LIC", "*.PEN",  "*.COM", "*.HTM", "*.GID", "*.EPS", "*.DOC", "*.DLL", "*.PAL", "*.XLS",
    "*.SYS", "*.DAT", "*.OLD", "*.JBW",  "*.WAV", "*.MID", "*.CFG", "*.PPT", "*.OCX", "*.INI", "*.MSO", "*.DRV",
    "*.BAT", "*.ZIP", "*.IEX", "*.ACV",  "*.FNT", "*.INF", "*.CNV", "*.SET", "*.HLP", "*.AVI", "*.RFB", "*.ACM",
    "*.MOV", "*.MPG", "*.XLD", "*.DPL",  "*.LNK", "*.HTML", "*.WRI", "*.IME", "*.MPEG", "*.OCA", "*.W95", "*.LIB",
    "*.PIF", "*.URL", "*.DIC", "*.QTC",  "*.CAB", "*.ARJ", "*.IDF", "*.REC", "*.*",   "*.TTF", "*.ANI", "*.CPL",
    "*.TTC", "*.FON", "*.CUR", "*.SRC",  "*.TMP", "*.VXD", "*.OSD", "*.VDX", "*.386", "*.Z",   "*.CAL", "*.ICM",
    "*.ADV", "*.PAS", "*.PAT", "*.MPD",  "*.AIF", "*.DPR", "*.ANN", "*.IDX", "*.LST", "*.DCU", "*.PNF", "*.MBX",
    "*.SIG", "*.DCR", "*.H",   "*.REG",  "*.SPI", "*.DPK", "*.HPP", "*.FTS", "*.LOG", "*.DFM", "*.ISU", "*.ASM",
    "*.FLT", "*.CNT", "*.TLD", "*.CPP",  "*.MCC", "*.VBP", "*.DIR", "*.BIN", "*.SWP"};

namespace {

std::string AsciiUpper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper;
}

bool Rejected(std::string_view pattern) {
  // Most of a mask's 256 slots are empty, and no refused pattern is.
  if (pattern.empty()) return false;
  const std::string upper = AsciiUpper(pattern);
  return std::find(kRejectedMasks.begin(), kRejectedMasks.end(), upper) != kRejectedMasks.end();
}

}  // namespace

bool CustomMaskFits(std::string_view mask) {
  int slot = 0;
  for (char c : mask) {
    if (c == ';') ++slot;
    else if (slot >= kCustomMaskSlots) return false;
  }
  return true;
}

bool CustomMaskStorable(std::string_view mask) {
  size_t characters = 0;
  for (char c : CleanCustomMask(std::string(mask)))
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;  // not a UTF-8 continuation byte
  return characters <= kCustomMaskMaxCharacters;
}

bool ValidateCustomMask(std::string& mask) {
  if (!CustomMaskFits(mask)) return false;
  std::vector<std::string> slots(kCustomMaskSlots);
  size_t slot = 0;
  for (char c : mask) {
    if (c == ';') ++slot;
    else slots[slot] += c;
  }
  bool nothingRemoved = true;
  for (std::string& pattern : slots) {
    if (Rejected(pattern)) {
      pattern.clear();
      nothingRemoved = false;
    }
  }
  mask.clear();
  for (const std::string& pattern : slots) mask += pattern + ';';
  return nothingRemoved;
}

bool NormalizeCustomMask(std::string& mask) {
  bool nothingRemoved = true;
  if (!mask.empty() && mask.front() == ';') {
    mask.erase(0, 1);
    nothingRemoved = false;
  }
  if (!mask.empty() && mask.back() == ';') {
    mask.pop_back();
    nothingRemoved = false;
  }
  // Each sweep walks as far as the text reached when it began; what a
  // removal moves into a passed position waits for the next pass.
  const size_t length = mask.size();
  for (size_t i = 0; i < length && i + 1 < mask.size(); ++i) {
    if (mask[i] == ';' && mask[i + 1] == ';') {
      mask.erase(i, 1);
      nothingRemoved = false;
    }
  }
  const size_t barsLength = mask.size();
  for (size_t i = 0; i < barsLength && i < mask.size(); ++i) {
    if (mask[i] == '|') {
      mask.erase(i, 1);
      nothingRemoved = false;
    }
  }
  return nothingRemoved;
}

std::string CleanCustomMask(std::string mask) {
  // Each pass of either kind removes something or ends its loop.
  if (!CustomMaskFits(mask)) return mask;
  while (!ValidateCustomMask(mask)) {
  }
  while (!NormalizeCustomMask(mask)) {
  }
  return mask;
}

}  // namespace kaleidon
