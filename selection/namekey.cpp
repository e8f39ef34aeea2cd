#include "selection/namekey.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "framework/base/text.h"

namespace kaleidon {

namespace {

constexpr DWORD kSortKeyFlags = LCMAP_SORTKEY | NORM_IGNORECASE;

std::string SystemSortKey(std::wstring_view text) {
  if (text.empty()) return {};
  int size = LCMapStringW(LOCALE_USER_DEFAULT, kSortKeyFlags, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (size <= 0) return {};
  std::string key(static_cast<size_t>(size), '\0');
  int n = LCMapStringW(LOCALE_USER_DEFAULT, kSortKeyFlags, text.data(), static_cast<int>(text.size()),
                       reinterpret_cast<LPWSTR>(key.data()), size);
  key.resize(n > 0 ? static_cast<size_t>(n) : 0);
  // The key ends in a NUL byte that adds nothing to comparisons.
  while (!key.empty() && key.back() == '\0') key.pop_back();
  return key;
}

// For a printable ASCII character the system's sort key is one two-byte
// weight and a tail that every such character shares; the key of a name made
// only of them is the weights in turn and that tail. The hyphen and the
// apostrophe are sorted specially and are not plain.
struct PlainCharacters {
  std::array<uint16_t, 128> weight{};  // 0: not plain
  std::string tail;
  bool usable = false;
};

PlainCharacters Learn() {
  PlainCharacters plain;
  for (int c = 0x20; c < 0x7F; ++c) {
    wchar_t ch = static_cast<wchar_t>(c);
    std::string key = SystemSortKey(std::wstring_view(&ch, 1));
    if (key.size() < 3 || key[2] != '\x01') continue;
    std::string tail = key.substr(2);
    if (plain.tail.empty()) plain.tail = tail;
    if (tail != plain.tail) continue;
    plain.weight[static_cast<size_t>(c)] =
        static_cast<uint16_t>((static_cast<unsigned char>(key[0]) << 8) | static_cast<unsigned char>(key[1]));
  }
  if (plain.tail.empty()) return plain;
  // Equal weights must mean the same letter but for case, and a name must come
  // out as the system makes its key.
  std::string sample;
  for (int a = 0x20; a < 0x7F; ++a) {
    if (!plain.weight[static_cast<size_t>(a)]) continue;
    sample += static_cast<char>(a);
    for (int b = 0x20; b < 0x7F; ++b) {
      bool same = framework::AsciiUpper(std::string(1, static_cast<char>(a))) ==
                  framework::AsciiUpper(std::string(1, static_cast<char>(b)));
      if (plain.weight[static_cast<size_t>(b)] && (plain.weight[static_cast<size_t>(a)] ==
                                                   plain.weight[static_cast<size_t>(b)]) != same)
        return plain;
    }
  }
  auto fastKey = [&plain](std::string_view text) {
    std::string key;
    for (char c : text) {
      uint16_t w = plain.weight[static_cast<unsigned char>(c)];
      key += static_cast<char>(w >> 8);
      key += static_cast<char>(w & 0xFF);
    }
    return key + plain.tail;
  };
  // Every pair too: a locale that sorts two letters as one (as some do with
  // "ch") must not take the shortcut.
  std::string sampleName = std::string(sample.rbegin(), sample.rend()) + "Photo 01.JPG";
  if (fastKey(sampleName) != SystemSortKey(framework::Widen(sampleName))) return plain;
  for (char a : sample)
    for (char b : sample) {
      const char pair[2] = {a, b};
      const wchar_t wide[2] = {static_cast<wchar_t>(a), static_cast<wchar_t>(b)};
      if (fastKey(std::string_view(pair, 2)) != SystemSortKey(std::wstring_view(wide, 2))) return plain;
    }
  plain.usable = true;
  return plain;
}

const PlainCharacters& Plain() {
  static const PlainCharacters plain = Learn();
  return plain;
}

bool IsPlain(std::string_view text, const PlainCharacters& plain) {
  if (!plain.usable) return false;
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x80 || !plain.weight[u]) return false;
  }
  return true;
}

}  // namespace

void AppendSystemNameFold(std::string_view name, std::string& out) {
  if (IsAscii(name)) {
    size_t at = out.size();
    out.append(name);
    for (size_t i = at; i < out.size(); ++i)
      if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 'a' + 'A');
    return;
  }
  std::wstring wide = framework::Widen(name);
  std::wstring upper(wide.size(), L'\0');
  if (LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, wide.data(), static_cast<int>(wide.size()), upper.data(),
                   static_cast<int>(upper.size())) == static_cast<int>(wide.size()))
    wide = std::move(upper);
  // Marks a name that is not plain ASCII, so that its key never meets an
  // ASCII one.
  out += '\xFF';
  out += framework::Narrow(wide);
}

namespace {

// The system's upper case of each UTF-16 unit of the Basic Multilingual
// Plane (surrogates aside): it maps every unit on its own, so a name's fold
// is its units looked up in turn, with no call into the system per name.
// Learnt once, in one call over all units together.
struct CaseTables {
  std::vector<wchar_t> upper;
  bool usable = false;
};

bool IsSurrogate(unsigned unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

CaseTables LearnCaseTables() {
  CaseTables tables;
  std::wstring units;
  for (unsigned u = 1; u <= 0xFFFF; ++u)
    if (!IsSurrogate(u)) units += static_cast<wchar_t>(u);
  const int count = static_cast<int>(units.size());
  std::wstring upper(units.size(), L'\0');
  if (LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, units.data(), count, upper.data(), count) != count)
    return tables;
  tables.upper.resize(0x10000);
  for (unsigned u = 0; u <= 0xFFFF; ++u) tables.upper[u] = static_cast<wchar_t>(u);
  for (size_t i = 0; i < units.size(); ++i) tables.upper[units[i]] = upper[i];
  tables.usable = true;
  return tables;
}

// Writes the UTF-8 of a unit of the Basic Multilingual Plane at o; returns
// the end.
char* PutUtf8(unsigned u, char* o) {
  if (u < 0x80) {
    *o++ = static_cast<char>(u);
  } else if (u < 0x800) {
    *o++ = static_cast<char>(0xC0 | (u >> 6));
    *o++ = static_cast<char>(0x80 | (u & 0x3F));
  } else {
    *o++ = static_cast<char>(0xE0 | (u >> 12));
    *o++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    *o++ = static_cast<char>(0x80 | (u & 0x3F));
  }
  return o;
}

const CaseTables& Tables() {
  static const CaseTables tables = LearnCaseTables();
  return tables;
}

}  // namespace

void AppendNameFold(std::string_view name, std::string& out) {
  if (IsAscii(name)) return AppendSystemNameFold(name, out);
  const CaseTables& tables = Tables();
  if (tables.usable) {
    // Each character as it stands unless its upper case differs; no call
    // into the system per name. Written straight into the room made for
    // the most it can take (an upper case takes at most three bytes for
    // each byte of its character), then cut to what it took.
    const size_t start = out.size();
    out.resize(start + 1 + 3 * name.size());
    char* o = out.data() + start;
    *o++ = '\xFF';
    const wchar_t* const upper = tables.upper.data();
    const auto* p = reinterpret_cast<const unsigned char*>(name.data());
    const auto* const end = p + name.size();
    while (p < end) {
      const unsigned c = *p;
      unsigned unit, length;
      if (c < 0x80) {
        unit = c, length = 1;
      } else if (c >= 0xC2 && c < 0xE0 && end - p >= 2 && (p[1] & 0xC0) == 0x80) {
        unit = (c & 0x1F) << 6 | (p[1] & 0x3F), length = 2;
      } else if (c >= 0xE0 && c < 0xF0 && end - p >= 3 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80) {
        unit = (c & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F), length = 3;
        if (unit < 0x800 || IsSurrogate(unit)) break;
      } else {
        break;  // not well-formed, or beyond the Basic Multilingual Plane
      }
      const unsigned folded = static_cast<uint16_t>(upper[unit]);
      if (folded == unit) {
        for (unsigned k = 0; k < length; ++k) *o++ = static_cast<char>(p[k]);
      } else {
        o = PutUtf8(folded, o);
      }
      p += length;
    }
    if (p == end) {
      out.resize(static_cast<size_t>(o - out.data()));
      return;
    }
    out.resize(start);
  }
  AppendSystemNameFold(name, out);
}

std::string NameFold(std::string_view name) {
  std::string fold;
  AppendNameFold(name, fold);
  return fold;
}

int CompareNames(std::string_view a, std::string_view b) {
  const PlainCharacters& plain = Plain();
  // Names that share a beginning differ only in what follows it. When that is
  // plain ASCII on both sides, it alone decides: a plain character's weight
  // does not depend on what stands before it, and the shared beginning weighs
  // the same in both names at every level.
  size_t common = 0;
  const size_t shorter = std::min(a.size(), b.size());
  for (uint32_t wa, wb; common + 4 <= shorter; common += 4) {
    std::memcpy(&wa, a.data() + common, 4);
    std::memcpy(&wb, b.data() + common, 4);
    if (wa != wb) break;
  }
  while (common < shorter && a[common] == b[common]) ++common;
  while (common > 0 && ((common < a.size() && (static_cast<unsigned char>(a[common]) & 0xC0) == 0x80) ||
                        (common < b.size() && (static_cast<unsigned char>(b[common]) & 0xC0) == 0x80)))
    --common;
  std::string_view restA = a.substr(common), restB = b.substr(common);
  if (IsPlain(restA, plain) && IsPlain(restB, plain)) {
    size_t n = std::min(restA.size(), restB.size());
    for (size_t i = 0; i < n; ++i) {
      uint16_t wa = plain.weight[static_cast<unsigned char>(restA[i])];
      uint16_t wb = plain.weight[static_cast<unsigned char>(restB[i])];
      if (wa != wb) return wa < wb ? -1 : 1;
    }
    return restA.size() < restB.size() ? -1 : restA.size() > restB.size() ? 1 : 0;
  }
  int r = framework::CompareTextNoCase(a, b);
  return (r > 0) - (r < 0);
}

std::string NameSortKey(std::string_view name) {
  const PlainCharacters& plain = Plain();
  if (IsPlain(name, plain)) {
    std::string key;
    key.reserve(name.size() * 2 + plain.tail.size());
    for (char c : name) {
      uint16_t w = plain.weight[static_cast<unsigned char>(c)];
      key += static_cast<char>(w >> 8);
      key += static_cast<char>(w & 0xFF);
    }
    key += plain.tail;
    return key;
  }
  return SystemSortKey(framework::Widen(name));
}

uint32_t HashBytes(std::string_view bytes) {
  uint32_t h = 2166136261u;
  for (char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 16777619u;
  }
  return h;
}

bool IsAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace kaleidon
