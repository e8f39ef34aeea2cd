#include "framework/base/filemask.h"

namespace framework {

namespace {

// "*" and "?" over text that is already in one case. A "*" is always a
// wildcard, also where the text holds a "*" itself. Linear in practice:
// only the last "*" is ever backtracked to.
bool Glob(std::wstring_view pattern, std::wstring_view text) {
  size_t p = 0, t = 0, star = std::wstring_view::npos, mark = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      mark = t;
    } else if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == text[t])) {
      ++p;
      ++t;
    } else if (star != std::wstring_view::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

}  // namespace

FileMask::FileMask(std::wstring_view foldedMask) {
  size_t start = 0;
  while (start <= foldedMask.size()) {
    size_t end = foldedMask.find(L';', start);
    if (end == std::wstring_view::npos) end = foldedMask.size();
    std::wstring_view piece = foldedMask.substr(start, end - start);
    size_t first = piece.find_first_not_of(L' ');
    size_t last = piece.find_last_not_of(L' ');
    if (first != std::wstring_view::npos) Add(std::wstring(piece.substr(first, last - first + 1)));
    start = end + 1;
  }
}

bool FileMask::Matches(std::wstring_view foldedName) const {
  for (const Pattern& p : patterns_) {
    if (p.noExtension && foldedName.find(L'.') != std::wstring_view::npos) continue;
    if (Glob(p.text, foldedName)) return true;
    if (p.orBare && Glob(p.bare, foldedName)) return true;
  }
  return false;
}

// The file-system spellings "*.*", "name.*" and "name." become plain
// wildcards with a note.
void FileMask::Add(std::wstring text) {
  Pattern p;
  if (text == L"*.*") {
    p.text = L"*";
  } else if (text.size() >= 2 && text.compare(text.size() - 2, 2, L".*") == 0) {
    p.text = text;
    p.bare = text.substr(0, text.size() - 2);
    p.orBare = true;
  } else if (text.back() == L'.') {
    // A final dot stands for "no more extension": "*." and "name." take
    // names without a dot, "*.bmp." is "*.bmp".
    while (!text.empty() && text.back() == L'.') text.pop_back();
    p.noExtension = text.find(L'.') == std::wstring::npos;
    p.text = text.empty() ? L"*" : text;
  } else {
    p.text = std::move(text);
  }
  patterns_.push_back(std::move(p));
}

}  // namespace framework
