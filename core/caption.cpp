#include "core/caption.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "framework/base/exception.h"
#include "framework/base/paths.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"
#include "framework/imaging/exif.h"

namespace kaleidon {

using framework::Bitmap;

namespace {

CaptionWatcher& CurrentWatcher() {
  static CaptionWatcher watcher;
  return watcher;
}

// The fields of the template.
constexpr std::string_view kNameField = "{name}";
constexpr std::string_view kFolderField = "{folder}";
constexpr std::string_view kDateField = "{date}";
constexpr std::string_view kPathField = "{path}";
constexpr const char* kEllipsis = "…";

// The windows' Japanese font; what it lacks (Hangul, emoji and other
// scripts of a name) comes from the first of these that has it: those of
// Windows first, then those a Wine system commonly has.
constexpr const wchar_t* kCaptionFace = L"ＭＳ Ｐゴシック";
constexpr const wchar_t* kFallbackFaces[] = {
    L"Meiryo",          L"Malgun Gothic",   L"Gulim",           L"Segoe UI Emoji", L"Segoe UI Symbol",
    L"Microsoft YaHei", L"Nirmala UI",      L"Segoe UI",        L"Arial Unicode MS",
    L"Noto Sans CJK JP", L"Noto Sans CJK KR", L"NanumGothic",    L"UnDotum",        L"Noto Emoji",
    L"Symbola",         L"DejaVu Sans",
};

// Sizes at 96 DPI, in pixels: the characters' height, the distance from the
// work area's edges, the outline's width, the shadow's blur and offset.
constexpr int kTextHeight = 20;
constexpr int kMargin = 16;
constexpr double kOutline = 1.5;
constexpr double kShadowBlur = 2.0;
constexpr double kShadowOffset = 1.0;
// How dark the outline and the shadow make the picture under them (of 255).
constexpr int kOutlineDarkness = 200;
constexpr int kShadowDarkness = 150;
// Enough of a JPEG file for its EXIF block.
constexpr DWORD kExifBytes = 128 * 1024;

int Scaled(double value, int dpi) { return std::max(1, static_cast<int>(std::lround(value * dpi / 96.0))); }

std::optional<std::string> ReadFileStart(const std::string& path, DWORD count) {
  HANDLE h = CreateFileW(framework::Widen(path).c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  const framework::ScopeExit close([h] { CloseHandle(h); });
  std::string data(count, '\0');
  DWORD got = 0;
  if (!ReadFile(h, data.data(), count, &got, nullptr)) return std::nullopt;
  data.resize(got);
  return data;
}

std::string FileDate(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  FILETIME local{};
  SYSTEMTIME time{};
  if (!GetFileAttributesExW(framework::Widen(path).c_str(), GetFileExInfoStandard, &data) ||
      !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &time))
    return {};
  return JapaneseDate(time.wYear, time.wMonth, time.wDay);
}

std::string WithBackslashes(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// Code points, so that shortening never splits a character.
std::u32string CodePoints(const std::string& utf8) {
  const std::wstring wide = framework::Widen(utf8);
  std::u32string points;
  for (size_t i = 0; i < wide.size(); ++i) {
    char32_t c = wide[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00);
    points.push_back(c);
  }
  return points;
}

std::string Utf8(const std::u32string& points) {
  std::wstring wide;
  for (char32_t c : points) {
    if (c >= 0x10000) {
      wide.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
      wide.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      wide.push_back(static_cast<wchar_t>(c));
    }
  }
  return framework::Narrow(wide);
}

// text with count of its characters kept, half from its start and half
// from its end, "…" between them; the text itself when count keeps all.
std::string ShortenedMiddle(const std::u32string& text, size_t count) {
  if (count >= text.size()) return Utf8(text);
  const size_t head = count / 2, tail = count - head;
  return Utf8(text.substr(0, head)) + kEllipsis + Utf8(text.substr(text.size() - tail));
}

// The longest shortening of text (by ShortenedMiddle) whose made text fits;
// nothing when not even the "…" alone does.
std::optional<std::string> LongestFitting(const std::u32string& text,
                                          const std::function<std::string(const std::string&)>& make, int maxWidth,
                                          const std::function<int(const std::string&)>& measure) {
  auto fits = [&](size_t count) { return measure(make(ShortenedMiddle(text, count))) <= maxWidth; };
  if (!fits(0)) return std::nullopt;
  size_t low = 0, high = text.size();  // fits(low); the answer lies in [low, high]
  while (low < high) {
    const size_t middle = low + (high - low + 1) / 2;
    if (fits(middle))
      low = middle;
    else
      high = middle - 1;
  }
  return make(ShortenedMiddle(text, low));
}

std::string Filled(const std::string& format, const CaptionFacts& facts, const std::string& path) {
  std::string text;
  for (size_t at = 0; at < format.size();) {
    const std::string_view rest = std::string_view(format).substr(at);
    bool field = false;
    for (const auto& [name, value] : {std::pair{kNameField, &facts.name}, std::pair{kFolderField, &facts.folder},
                                      std::pair{kDateField, &facts.date}, std::pair{kPathField, &path}}) {
      if (rest.substr(0, name.size()) == name) {
        text += *value;
        at += name.size();
        field = true;
        break;
      }
    }
    if (!field) text += format[at++];
  }
  // One line: a line break or tab of the template or a name is a space.
  for (char& c : text)
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  return text;
}

// ---- Drawing ---------------------------------------------------------------

// A font's characters beyond the first 65,536, from its cmap table
// (format 12), which GetGlyphIndices cannot look up.
class SupplementaryMap {
 public:
  explicit SupplementaryMap(HDC dc) {
    constexpr DWORD kCmap = 'c' | 'm' << 8 | 'a' << 16 | 'p' << 24;
    const DWORD size = GetFontData(dc, kCmap, 0, nullptr, 0);
    if (size == GDI_ERROR || size < 4) return;
    std::string table(size, '\0');
    if (GetFontData(dc, kCmap, 0, table.data(), size) != size) return;
    const auto u16 = [&](size_t at) { return at + 2 <= table.size() ? (uint8_t(table[at]) << 8 | uint8_t(table[at + 1])) : 0u; };
    const auto u32 = [&](size_t at) {
      return at + 4 <= table.size() ? (uint32_t(uint8_t(table[at])) << 24 | uint32_t(uint8_t(table[at + 1])) << 16 |
                                       uint32_t(uint8_t(table[at + 2])) << 8 | uint8_t(table[at + 3]))
                                    : 0u;
    };
    const unsigned count = u16(2);
    for (unsigned i = 0; i < count; ++i) {
      const size_t record = 4 + 8 * size_t{i};
      const size_t sub = u32(record + 4);
      if (sub >= table.size() || u16(sub) != 12) continue;
      const uint32_t groups = u32(sub + 12);
      for (uint32_t g = 0; g < groups && sub + 16 + 12 * size_t{g} + 12 <= table.size(); ++g) {
        const size_t at = sub + 16 + 12 * size_t{g};
        groups_.push_back({u32(at), u32(at + 4), u32(at + 8)});
      }
      return;
    }
  }
  // The glyph of a character, 0 when the font has none.
  WORD Glyph(char32_t c) const {
    for (const Group& g : groups_)
      if (c >= g.first && c <= g.last) return static_cast<WORD>(g.glyph + (c - g.first));
    return 0;
  }

 private:
  struct Group {
    uint32_t first, last, glyph;
  };
  std::vector<Group> groups_;
};

// A run of characters drawn in one font: as text, or as the font's glyphs.
struct Run {
  size_t font = 0;
  std::wstring text;
  std::vector<WORD> glyphs;  // set for characters beyond the first 65,536
};

// The caption's fonts at one size in a memory device context, the fallback
// fonts made when a character first needs them.
class CaptionFonts {
 public:
  CaptionFonts(HDC dc, int height) : dc_(dc), height_(height) {
    fonts_.push_back(Make(kCaptionFace));
    original_ = SelectObject(dc_, fonts_[0].handle);
  }
  ~CaptionFonts() {
    SelectObject(dc_, original_);
    for (Font& font : fonts_) DeleteObject(font.handle);
  }
  CaptionFonts(const CaptionFonts&) = delete;
  CaptionFonts& operator=(const CaptionFonts&) = delete;

  std::vector<Run> Runs(const std::string& utf8) {
    std::vector<Run> runs;
    for (char32_t c : CodePoints(utf8)) {
      Run piece;
      if (c >= 0x10000) {
        // Beyond the first 65,536: a fallback font that maps it, drawn by
        // glyph; else the main font is given the text.
        for (size_t f = 1; f <= std::size(kFallbackFaces) && piece.glyphs.empty(); ++f)
          if (const Font* font = Fallback(f)) {
            if (WORD glyph = font->supplementary->Glyph(c)) piece = Run{f, {}, {glyph}};
          }
        if (piece.glyphs.empty()) piece.text = Utf16(c);
      } else {
        piece.text = Utf16(c);
        piece.font = FontFor(static_cast<wchar_t>(c));
      }
      if (!runs.empty() && runs.back().font == piece.font && runs.back().glyphs.empty() == piece.glyphs.empty()) {
        runs.back().text += piece.text;
        runs.back().glyphs.insert(runs.back().glyphs.end(), piece.glyphs.begin(), piece.glyphs.end());
      } else {
        runs.push_back(std::move(piece));
      }
    }
    return runs;
  }

  int Width(const std::vector<Run>& runs) {
    int width = 0;
    for (const Run& run : runs) width += Extent(run).cx;
    return width;
  }

  // The highest ascent and descent of the fonts the runs use.
  void Extents(const std::vector<Run>& runs, int& ascent, int& descent) {
    ascent = descent = 0;
    for (const Run& run : runs) {
      ascent = std::max(ascent, fonts_[run.font].ascent);
      descent = std::max(descent, fonts_[run.font].descent);
    }
  }

  // Draws the runs with their baseline at y from x on.
  void Draw(const std::vector<Run>& runs, int x, int y) {
    for (const Run& run : runs) {
      SelectObject(dc_, fonts_[run.font].handle);
      if (run.glyphs.empty())
        ExtTextOutW(dc_, x, y, 0, nullptr, run.text.c_str(), static_cast<UINT>(run.text.size()), nullptr);
      else
        ExtTextOutW(dc_, x, y, ETO_GLYPH_INDEX, nullptr, reinterpret_cast<LPCWSTR>(run.glyphs.data()),
                    static_cast<UINT>(run.glyphs.size()), nullptr);
      x += Extent(run).cx;
    }
  }

 private:
  struct Font {
    HFONT handle = nullptr;
    bool present = false;  // the face asked for is the one the system gave
    int ascent = 0;
    int descent = 0;
    std::unique_ptr<SupplementaryMap> supplementary;
  };

  static std::wstring Utf16(char32_t c) {
    if (c < 0x10000) return std::wstring(1, static_cast<wchar_t>(c));
    return {static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)), static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF))};
  }

  Font Make(const wchar_t* face) {
    Font font;
    font.handle = CreateFontW(-height_, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                              CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
    if (!font.handle) throw framework::Exception("キャプションのフォントを作成できません");
    HGDIOBJ before = SelectObject(dc_, font.handle);
    wchar_t given[LF_FACESIZE] = L"";
    GetTextFaceW(dc_, LF_FACESIZE, given);
    font.present = CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, given, -1, face, -1) == CSTR_EQUAL;
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc_, &metrics);
    font.ascent = metrics.tmAscent;
    font.descent = metrics.tmDescent;
    font.supplementary = std::make_unique<SupplementaryMap>(dc_);
    SelectObject(dc_, before);
    return font;
  }

  // The fallback font f (1 on), when the system has it.
  const Font* Fallback(size_t f) {
    while (fonts_.size() <= f) fonts_.push_back(Make(kFallbackFaces[fonts_.size() - 1]));
    return fonts_[f].present ? &fonts_[f] : nullptr;
  }

  bool HasGlyph(size_t f, wchar_t c) {
    SelectObject(dc_, fonts_[f].handle);
    WORD glyph = 0xFFFF;
    const bool has = GetGlyphIndicesW(dc_, &c, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) == 1 && glyph != 0xFFFF;
    SelectObject(dc_, fonts_[0].handle);
    return has;
  }

  size_t FontFor(wchar_t c) {
    auto known = chosen_.find(c);
    if (known != chosen_.end()) return known->second;
    size_t font = 0;
    if (!HasGlyph(0, c)) {
      for (size_t f = 1; f <= std::size(kFallbackFaces); ++f)
        if (Fallback(f) && HasGlyph(f, c)) {
          font = f;
          break;
        }
    }
    return chosen_[c] = font;
  }

  SIZE Extent(const Run& run) {
    SelectObject(dc_, fonts_[run.font].handle);
    SIZE size{};
    if (run.glyphs.empty())
      GetTextExtentPoint32W(dc_, run.text.c_str(), static_cast<int>(run.text.size()), &size);
    else
      GetTextExtentPointI(dc_, const_cast<WORD*>(run.glyphs.data()), static_cast<int>(run.glyphs.size()), &size);
    SelectObject(dc_, fonts_[0].handle);
    return size;
  }

  HDC dc_;
  int height_;
  HGDIOBJ original_ = nullptr;
  std::vector<Font> fonts_;  // the main font first, then the fallbacks made so far
  std::map<wchar_t, size_t> chosen_;
};

// Each value the largest within radius of it, along rows or columns.
std::vector<uint8_t> Widened(const std::vector<uint8_t>& mask, int width, int height, int radius, bool rows) {
  std::vector<uint8_t> out(mask.size());
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t most = 0;
      for (int d = -radius; d <= radius; ++d) {
        const int sx = rows ? x + d : x, sy = rows ? y : y + d;
        if (sx >= 0 && sx < width && sy >= 0 && sy < height) most = std::max(most, mask[size_t(sy) * width + sx]);
      }
      out[size_t(y) * width + x] = most;
    }
  return out;
}

// Each value the mean within radius of it, along rows or columns.
std::vector<uint8_t> Blurred(const std::vector<uint8_t>& mask, int width, int height, int radius, bool rows) {
  std::vector<uint8_t> out(mask.size());
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      int sum = 0;
      for (int d = -radius; d <= radius; ++d) {
        const int sx = rows ? x + d : x, sy = rows ? y : y + d;
        if (sx >= 0 && sx < width && sy >= 0 && sy < height) sum += mask[size_t(sy) * width + sx];
      }
      out[size_t(y) * width + x] = static_cast<uint8_t>(sum / (2 * radius + 1));
    }
  return out;
}

}  // namespace

std::string JapaneseDate(int year, int month, int day) {
  return std::to_string(year) + "年" + std::to_string(month) + "月" + std::to_string(day) + "日";
}

CaptionFacts FactsOf(const std::string& picture, const PictureOrigin& origin) {
  const std::string file = origin.file.empty() ? picture : origin.file;
  CaptionFacts facts;
  const std::string member = WithBackslashes(origin.member);
  facts.name = framework::ExtractFileName(member.empty() ? file : member);
  std::string folder = framework::ExtractFilePath(file);
  if (folder.size() > 1 && folder.back() == '\\') folder.pop_back();
  facts.folder = framework::ExtractFileName(folder);
  if (facts.folder.empty()) facts.folder = folder;  // a drive's root
  facts.path = member.empty() ? file : framework::JoinPath(file, member);
  if (const std::optional<std::string> start = ReadFileStart(picture, kExifBytes))
    if (const std::optional<framework::ExifDate> taken = framework::JpegDateTaken(*start))
      facts.date = JapaneseDate(taken->year, taken->month, taken->day);
  if (facts.date.empty()) facts.date = FileDate(picture);
  return facts;
}

std::string CaptionText(const std::string& format, const CaptionFacts& facts, int maxWidth,
                        const std::function<int(const std::string&)>& measure) {
  const std::string whole = Filled(format, facts, facts.path);
  if (measure(whole) <= maxWidth) return whole;
  if (format.find(kPathField) != std::string::npos) {
    const auto withPath = [&](const std::string& path) { return Filled(format, facts, path); };
    if (std::optional<std::string> text = LongestFitting(CodePoints(facts.path), withPath, maxWidth, measure))
      return *text;
    const std::string noPath = Filled(format, facts, kEllipsis);
    return LongestFitting(CodePoints(noPath), [](const std::string& t) { return t; }, maxWidth, measure)
        .value_or(std::string());
  }
  return LongestFitting(CodePoints(whole), [](const std::string& t) { return t; }, maxWidth, measure)
      .value_or(std::string());
}

CaptionPlace CaptionPlaceOf(const MonitorArea& monitor) {
  CaptionPlace place{0, 0, monitor.width, monitor.height, monitor.dpi > 0 ? monitor.dpi : 96};
  if (monitor.workWidth > 0 && monitor.workHeight > 0)
    place = {monitor.workLeft, monitor.workTop, monitor.workWidth, monitor.workHeight, place.dpi};
  return place;
}

bool CaptionPlacesMoved(const Desktop& before, const Desktop& now) {
  for (size_t i = 0; i < before.monitors.size() && i < now.monitors.size(); ++i)
    if (before.monitors[i].LooksOtherThan(now.monitors[i])) return true;
  return false;
}

void DrawCaption(Bitmap& picture, const std::string& picturePath, const PictureOrigin& origin,
                 const CaptionOptions& options, const CaptionPlace& place) {
  if (!options.show || picture.BitsPerPixel() != 24 || picture.Width() <= 0 || picture.Height() <= 0) return;
  // The work area, inside the picture.
  const int workLeft = std::clamp(place.left, 0, picture.Width()), workTop = std::clamp(place.top, 0, picture.Height());
  const int workRight = std::clamp(place.left + place.width, workLeft, picture.Width());
  const int workBottom = std::clamp(place.top + place.height, workTop, picture.Height());
  const int dpi = place.dpi > 0 ? place.dpi : 96;
  const int margin = Scaled(kMargin, dpi), outline = Scaled(kOutline, dpi), blur = Scaled(kShadowBlur, dpi),
            offset = Scaled(kShadowOffset, dpi);
  const int pad = outline + blur + offset + 1;  // around the text: room for its outline and shadow
  const int maxWidth = workRight - workLeft - 2 * margin - 2 * pad;
  if (maxWidth <= 0) return;

  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return;
  const framework::ScopeExit deleteDc([dc] { DeleteDC(dc); });
  CaptionFonts fonts(dc, Scaled(kTextHeight, dpi));
  const CaptionFacts facts = FactsOf(picturePath, origin);
  const std::string text =
      CaptionText(options.format, facts, maxWidth, [&](const std::string& t) { return fonts.Width(fonts.Runs(t)); });
  if (text.empty()) return;
  const std::vector<Run> runs = fonts.Runs(text);
  int ascent = 0, descent = 0;
  fonts.Extents(runs, ascent, descent);
  const int boxWidth = fonts.Width(runs) + 2 * pad, boxHeight = ascent + descent + 2 * pad;
  if (boxHeight + 2 * margin > workBottom - workTop) return;
  const bool right = options.corner == CaptionCorner::BottomRight || options.corner == CaptionCorner::TopRight;
  const bool bottom = options.corner == CaptionCorner::BottomRight || options.corner == CaptionCorner::BottomLeft;
  const int boxLeft = right ? workRight - margin - boxWidth : workLeft + margin;
  const int boxTop = bottom ? workBottom - margin - boxHeight : workTop + margin;

  // The text's coverage: white on black, smoothed in grey levels.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = boxWidth;
  info.bmiHeader.biHeight = -boxHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP surface = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!surface || !bits) {
    if (surface) DeleteObject(surface);
    return;
  }
  const framework::ScopeExit deleteSurface([surface] { DeleteObject(surface); });
  HGDIOBJ before = SelectObject(dc, surface);
  const framework::ScopeExit unselect([dc, before] { SelectObject(dc, before); });
  std::memset(bits, 0, size_t(boxWidth) * boxHeight * 4);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  SetTextAlign(dc, TA_LEFT | TA_BASELINE);
  fonts.Draw(runs, pad, pad + ascent);
  GdiFlush();
  const size_t count = size_t(boxWidth) * boxHeight;
  std::vector<uint8_t> text8(count);
  const auto* pixels = static_cast<const uint8_t*>(bits);
  for (size_t i = 0; i < count; ++i)
    text8[i] = std::max({pixels[4 * i], pixels[4 * i + 1], pixels[4 * i + 2]});

  // The outline: the text widened; the shadow: the outline blurred, a
  // little below and right of it.
  const std::vector<uint8_t> edge =
      Widened(Widened(text8, boxWidth, boxHeight, outline, true), boxWidth, boxHeight, outline, false);
  const std::vector<uint8_t> shadow =
      Blurred(Blurred(edge, boxWidth, boxHeight, blur, true), boxWidth, boxHeight, blur, false);
  for (int y = 0; y < boxHeight; ++y) {
    const int py = boxTop + y;
    if (py < 0 || py >= picture.Height()) continue;
    uint8_t* row = picture.ScanLine(py);
    for (int x = 0; x < boxWidth; ++x) {
      const int px = boxLeft + x;
      if (px < 0 || px >= picture.Width()) continue;
      const size_t i = size_t(y) * boxWidth + x;
      const int sx = x - offset, sy = y - offset;
      const int shade = sx >= 0 && sy >= 0 ? shadow[size_t(sy) * boxWidth + sx] * kShadowDarkness / 255 : 0;
      const int dark = std::max(edge[i] * kOutlineDarkness / 255, shade);
      const int light = text8[i];
      for (int c = 0; c < 3; ++c) {
        int value = row[3 * px + c] * (255 - dark) / 255;
        value += (255 - value) * light / 255;
        row[3 * px + c] = static_cast<uint8_t>(value);
      }
    }
  }
  if (const CaptionWatcher& watcher = CurrentWatcher())
    watcher(text, CaptionBox{boxLeft, boxTop, boxLeft + boxWidth, boxTop + boxHeight});
}

void SetCaptionWatcher(CaptionWatcher watcher) { CurrentWatcher() = std::move(watcher); }

}  // namespace kaleidon
