#include "framework/base/text.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace framework {

namespace {

std::wstring ToWide(std::string_view bytes, UINT codePage) {
  if (bytes.empty()) return {};
  int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

std::string FromWide(std::wstring_view wide, UINT codePage) {
  if (wide.empty()) return {};
  int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

}  // namespace

std::wstring Widen(std::string_view utf8) { return ToWide(utf8, CP_UTF8); }
std::string Narrow(std::wstring_view utf16) { return FromWide(utf16, CP_UTF8); }
std::string ToAnsi(std::string_view utf8) { return FromWide(Widen(utf8), CP_ACP); }
std::string FromAnsi(std::string_view ansi) { return Narrow(ToWide(ansi, CP_ACP)); }

namespace {

bool IsAsciiText(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// The code point of the UTF-8 sequence at bytes[i], with i moved past it;
// nothing for bytes that are not UTF-8 as the standard has it (an overlong
// form, a surrogate, a code past U+10FFFF, a sequence cut short).
std::optional<uint32_t> NextCodePoint(std::string_view bytes, size_t& i) {
  const auto c = static_cast<unsigned char>(bytes[i]);
  size_t length;
  uint32_t code;
  if (c < 0x80) {
    ++i;
    return c;
  } else if (c >= 0xC2 && c <= 0xDF) {
    length = 2, code = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3, code = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4, code = c & 0x07;
  } else {
    return std::nullopt;
  }
  if (i + length > bytes.size()) return std::nullopt;
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(bytes[i + k]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    code = code << 6 | (next & 0x3F);
  }
  if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
      (code >= 0xD800 && code <= 0xDFFF))
    return std::nullopt;
  i += length;
  return code;
}

// The text in a code page when every character comes back unchanged from
// it, nothing otherwise. No character is replaced by a look-alike.
std::optional<std::string> ExactlyIn(std::string_view utf8, UINT codePage) {
  if (IsAsciiText(utf8)) return std::string(utf8);
  const std::wstring wide = Widen(utf8);
  std::string out(wide.size() * 2, '\0');
  BOOL replaced = FALSE;
  const int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                    out.data(), static_cast<int>(out.size()), nullptr, &replaced);
  if (n <= 0 || replaced) return std::nullopt;
  out.resize(static_cast<size_t>(n));
  return out;
}

// Shift-JIS (code page 932) as the system converts it, in two tables learnt
// from the system once: the histories hold a hundred thousand names and
// more, and converting them through the system's calls costs several times
// what a table lookup does.
class ShiftJisTables {
 public:
  static const ShiftJisTables& Get() {
    static const ShiftJisTables tables;
    return tables;
  }
  bool Usable() const { return usable_; }

  // Appends the UTF-8 of Shift-JIS bytes; a lead byte without its second
  // byte, or a pair the code page does not define, comes out as U+FFFD, and
  // line ends are always kept. Written straight into room made beforehand
  // (half as much again as the bytes: a pair becomes three bytes), grown
  // where single-byte katakana need more. Whether a U+FFFD came out.
  bool Decode(std::string_view bytes, std::string& out) const {
    const size_t start = out.size();
    out.resize(start + bytes.size() + bytes.size() / 2 + 4);
    char* o = out.data() + start;
    char* limit = out.data() + out.size() - 4;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    // The tables in locals: the bytes written could be anything to the
    // compiler, which would read the vectors' places anew for each byte.
    const wchar_t* const single = single_.data();
    const uint8_t* const lead = lead_.data();
    const wchar_t* const pairs = double_.data();
    bool replaced = false;
    while (p < end) {
      if (o >= limit) {
        const size_t at = static_cast<size_t>(o - out.data());
        out.resize(at + 3 * static_cast<size_t>(end - p) + 4);
        o = out.data() + at;
        limit = out.data() + out.size() - 4;
      }
      if (end - p >= 4 && AllAscii4(p)) {
        std::memcpy(o, p, 4);
        o += 4, p += 4;
        continue;
      }
      const unsigned b = *p++;
      if (b < 0x80) {
        *o++ = static_cast<char>(b);
        continue;
      }
      wchar_t unit = single[b];
      if (lead[b]) {
        const unsigned trail = p < end ? *p : 0;
        unit = trail ? pairs[(b << 8) | trail] : 0;
        if (unit) ++p;
      }
      if (!unit || unit == 0xFFFD) {
        unit = 0xFFFD;
        replaced = true;
      }
      o = PutUtf8(unit, o);
    }
    out.resize(static_cast<size_t>(o - out.data()));
    return replaced;
  }

  // The Shift-JIS bytes of UTF-8 text, or nothing when a character has none
  // the code page gives back unchanged. No character takes more bytes in
  // Shift-JIS than in UTF-8.
  std::optional<std::string> Encode(std::string_view utf8) const {
    std::string out(utf8.size(), '\0');
    char* o = out.data();
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = p + utf8.size();
    const uint16_t* const codes = code_.data();  // in a local, as in Decode
    while (p < end) {
      if (end - p >= 4 && AllAscii4(p)) {
        std::memcpy(o, p, 4);
        o += 4, p += 4;
        continue;
      }
      const unsigned c = *p;
      if (c < 0x80) {
        *o++ = static_cast<char>(c);
        ++p;
        continue;
      }
      // Two or three bytes, the Basic Multilingual Plane: anything else is
      // not UTF-8 or lies beyond it.
      unsigned unit;
      if (c >= 0xC2 && c <= 0xDF && end - p >= 2 && (p[1] & 0xC0) == 0x80) {
        unit = (c & 0x1F) << 6 | (p[1] & 0x3F);
        p += 2;
      } else if (c >= 0xE0 && c <= 0xEF && end - p >= 3 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80) {
        unit = (c & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F);
        if (unit < 0x800 || (unit >= 0xD800 && unit <= 0xDFFF)) return std::nullopt;
        p += 3;
      } else {
        return std::nullopt;
      }
      const uint16_t code = codes[unit];
      if (code == 0) return std::nullopt;
      if (code > 0xFF) *o++ = static_cast<char>(code >> 8);
      *o++ = static_cast<char>(code & 0xFF);
    }
    out.resize(static_cast<size_t>(o - out.data()));
    return out;
  }

 private:
  static constexpr UINT kCodePage = 932;

  // Whether the four bytes at p are all ASCII: the most part of a name is,
  // and four of them are copied at once.
  static bool AllAscii4(const unsigned char* p) {
    uint32_t word;
    std::memcpy(&word, p, 4);
    return (word & 0x80808080u) == 0;
  }

  // Writes the UTF-8 of a unit of the Basic Multilingual Plane at o;
  // returns the end.
  static char* PutUtf8(unsigned unit, char* o) {
    if (unit < 0x80) {
      *o++ = static_cast<char>(unit);
    } else if (unit < 0x800) {
      *o++ = static_cast<char>(0xC0 | (unit >> 6));
      *o++ = static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      *o++ = static_cast<char>(0xE0 | (unit >> 12));
      *o++ = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
      *o++ = static_cast<char>(0x80 | (unit & 0x3F));
    }
    return o;
  }

  // One unit for bytes, or 0 when the code page defines none for them.
  static wchar_t SystemUnit(const char* bytes, int length) {
    wchar_t unit[2];
    return MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes, length, unit, 2) == 1 ? unit[0] : 0;
  }

  ShiftJisTables() : single_(256), lead_(256), double_(0x10000), code_(0x10000) {
    CPINFO info{};
    if (!GetCPInfo(kCodePage, &info)) return;
    for (unsigned b = 0x80; b < 0x100; ++b) {
      lead_[b] = IsDBCSLeadByteEx(kCodePage, static_cast<BYTE>(b)) != 0 ? 1 : 0;
      if (lead_[b]) continue;
      const char byte = static_cast<char>(b);
      single_[b] = SystemUnit(&byte, 1);
    }
    for (unsigned lead = 0x80; lead < 0x100; ++lead) {
      if (!lead_[lead]) continue;
      for (unsigned trail = 0x40; trail < 0x100; ++trail) {
        const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        double_[(lead << 8) | trail] = SystemUnit(pair, 2);
      }
    }
    // Which bytes the system writes for each unit, kept where they read back
    // as that unit: the choice among codes that read alike is the system's.
    // One call for every unit: each comes out as one character, of one
    // byte or two; a unit the code page lacks as the default character,
    // which does not read back as that unit.
    std::wstring units;
    for (unsigned u = 0x80; u < 0x10000; ++u)
      if (u < 0xD800 || u > 0xDFFF) units += static_cast<wchar_t>(u);
    std::string bytes(units.size() * 2, '\0');
    const int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, units.data(), static_cast<int>(units.size()),
                                      bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr);
    if (n <= 0) return;
    size_t at = 0;
    for (wchar_t unit : units) {
      if (at >= static_cast<size_t>(n)) return;
      const auto first = static_cast<unsigned char>(bytes[at++]);
      uint16_t code = first;
      if (lead_[first]) {
        if (at >= static_cast<size_t>(n)) return;
        code = static_cast<uint16_t>((first << 8) | static_cast<unsigned char>(bytes[at++]));
      }
      const wchar_t back = code > 0xFF ? double_[code] : code < 0x80 ? static_cast<wchar_t>(code) : single_[code];
      if (back == unit) code_[unit] = code;
    }
    usable_ = true;
  }

  std::vector<wchar_t> single_;  // units of single bytes from 0x80
  std::vector<uint8_t> lead_;  // 1 for a lead byte
  std::vector<wchar_t> double_;  // units of byte pairs, by lead << 8 | trail
  std::vector<uint16_t> code_;   // the bytes of each unit from 0x80, 0 for none
  bool usable_ = false;
};

}  // namespace

bool FitsAnsi(std::string_view utf8) { return ExactlyIn(utf8, CP_ACP).has_value(); }

std::string EncodeStoredText(std::string_view utf8) {
  if (IsAsciiText(utf8)) return std::string(utf8);
  const ShiftJisTables& shiftJis = ShiftJisTables::Get();
  std::optional<std::string> bytes = shiftJis.Usable() ? shiftJis.Encode(utf8) : ExactlyIn(utf8, 932);
  if (bytes) return std::move(*bytes);
  return std::string(kUtf8ByteOrderMark) + std::string(utf8);
}

namespace {

// Whether bytes are UTF-8 as the standard has it (NextCodePoint).
bool IsValidUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();)
    if (!NextCodePoint(bytes, i)) return false;
  return true;
}

// UTF-16 text after its byte-order mark, little- or big-endian; lossy when a
// surrogate stands alone or a byte is left over.
std::string FromUtf16(std::string_view bytes, bool bigEndian, bool& lossy) {
  std::wstring wide(bytes.size() / 2, L'\0');
  for (size_t i = 0; i < wide.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]), second = static_cast<unsigned char>(bytes[2 * i + 1]);
    wide[i] = static_cast<wchar_t>(bigEndian ? first << 8 | second : second << 8 | first);
  }
  lossy = bytes.size() % 2 != 0;
  for (size_t i = 0; i < wide.size(); ++i) {
    const bool high = wide[i] >= 0xD800 && wide[i] <= 0xDBFF, low = wide[i] >= 0xDC00 && wide[i] <= 0xDFFF;
    if (low || (high && (i + 1 == wide.size() || wide[i + 1] < 0xDC00 || wide[i + 1] > 0xDFFF))) lossy = true;
    if (high) ++i;
  }
  return Narrow(wide);
}

}  // namespace

std::string DecodeStoredText(std::string_view bytes, bool* lossy) {
  bool replaced = false;
  std::string out;
  if (bytes.starts_with(kUtf8ByteOrderMark)) {
    bytes.remove_prefix(kUtf8ByteOrderMark.size());
    replaced = !IsValidUtf8(bytes);
    out = replaced ? Narrow(Widen(bytes)) : std::string(bytes);
  } else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    out = FromUtf16(bytes.substr(2), bytes[0] == '\xFE', replaced);
  } else if (IsAsciiText(bytes) || IsValidUtf8(bytes)) {
    // What an editor saves as UTF-8 without a mark; Shift-JIS text of any
    // length is next to never valid UTF-8.
    out = std::string(bytes);
  } else {
    const ShiftJisTables& shiftJis = ShiftJisTables::Get();
    // Shift-JIS has no U+FFFD of its own: each one stands for bytes it lacks.
    if (shiftJis.Usable()) {
      out.reserve(bytes.size() * 3 / 2);
      replaced = shiftJis.Decode(bytes, out);
    } else {
      out = Narrow(ToWide(bytes, 932));
      replaced = out.find("\xEF\xBF\xBD") != std::string::npos;
    }
  }
  if (lossy) *lossy = replaced;
  return out;
}

std::string FirstCharacters(std::string_view text, size_t count) {
  size_t seen = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    bool lead = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (lead && seen++ == count) return std::string(text.substr(0, i));
  }
  return std::string(text);
}

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

int CompareTextNoCase(std::string_view a, std::string_view b) {
  std::wstring wa = Widen(a), wb = Widen(b);
  int r = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wa.data(), static_cast<int>(wa.size()),
                         wb.data(), static_cast<int>(wb.size()));
  return r - CSTR_EQUAL;
}

bool SameTextNoCase(std::string_view a, std::string_view b) { return CompareTextNoCase(a, b) == 0; }

}  // namespace framework
