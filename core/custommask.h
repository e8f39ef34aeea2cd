#pragma once
// The custom mask: the user's own ";"-separated file patterns (*.PIC;*.MAG),
// cleaned when the options are confirmed. Patterns that name no picture
// (programs, texts, sounds, "*.*") are refused, then the stray separators go.
// Plain text functions, free of Win32.
#include <array>
#include <string>
#include <string_view>

namespace kaleidon {

// The mask holds at most this many patterns.
inline constexpr int kCustomMaskSlots = 256;

// The settings file gives back at most this many characters of a value.
inline constexpr size_t kCustomMaskMaxCharacters = 1023;

// The patterns a custom mask may not hold, compared in upper case.
extern const std::array<std::string_view, 105> kRejectedMasks;

// Whether every pattern of the mask has its slot: no character other than
// ";" follows the 256th ";".
bool CustomMaskFits(std::string_view mask);

// Whether the mask, cleaned as the options' OK cleans it (CleanCustomMask),
// comes back whole from the settings file: at most 1023 characters. The
// mask must fit (CustomMaskFits).
bool CustomMaskStorable(std::string_view mask);

// One pass of the refused-pattern check: the mask is cut into its 256
// slots, a slot whose upper-case text is exactly a refused pattern is
// emptied, and the mask becomes the slots again, each followed by ";".
// Returns true when no slot was emptied. The mask must fit (CustomMaskFits);
// a mask that does not is left as it is and the answer is false.
bool ValidateCustomMask(std::string& mask);

// One pass of the separator clean-up: a leading and a trailing ";" go, of
// two ";" in a row the first goes, and every "|" goes. Returns true when
// nothing was removed.
bool NormalizeCustomMask(std::string& mask);

// The whole cleaning of the options' OK: the refused-pattern check until it
// removes nothing, then the separator clean-up until it changes nothing.
// What is left is the mask's other patterns in their order and spelling,
// joined by single semicolons. The mask must fit (CustomMaskFits).
std::string CleanCustomMask(std::string mask);

}  // namespace kaleidon
