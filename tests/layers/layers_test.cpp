// The folders are layers and the includes run one way:
//   app/ -> ui/ -> selection/ -> core/ -> framework/,
// with archive/, plugins/ and tray/ beside them, on framework/ alone and
// open to every layer above it. Every `#include "folder/..."` of the source
// tree is read and checked.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "support/fixtures.h"

namespace {

// What each folder may include besides itself.
const std::map<std::string, std::set<std::string>> kMayInclude = {
    {"app", {"ui", "selection", "core", "archive", "plugins", "tray", "framework"}},
    {"ui", {"selection", "core", "archive", "plugins", "tray", "framework"}},
    {"selection", {"core", "archive", "plugins", "tray", "framework"}},
    {"core", {"archive", "plugins", "tray", "framework"}},
    {"archive", {"framework"}},
    {"plugins", {"framework"}},
    {"tray", {"framework"}},
    {"framework", {}},
};

// Why file (a path below the source folder, "ui/mainform.cpp") must not
// include target (as written: "app/startup.h"); empty when it may.
std::string Violation(const std::string& file, const std::string& target) {
  const std::string from = file.substr(0, file.find('/'));
  const size_t slash = target.find('/');
  const std::string to = slash == std::string::npos ? std::string() : target.substr(0, slash);
  if (to == from) return {};
  const std::set<std::string>& allowed = kMayInclude.at(from);
  if (allowed.count(to)) return {};
  std::string list = from;
  for (const std::string& folder : allowed) list += ", " + folder;
  return file + " includes \"" + target + "\": " + from + "/ may include only " + list;
}

// The targets of the `#include "..."` lines of a source text.
std::vector<std::string> QuotedIncludes(const std::string& text) {
  std::vector<std::string> targets;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    size_t hash = line.find_first_not_of(" \t");
    if (hash == std::string::npos || line.compare(hash, 1, "#") != 0) continue;
    size_t word = line.find_first_not_of(" \t", hash + 1);
    if (word == std::string::npos || line.compare(word, 7, "include") != 0) continue;
    size_t open = line.find('"', word + 7);
    size_t close = open == std::string::npos ? open : line.find('"', open + 1);
    if (close != std::string::npos) targets.push_back(line.substr(open + 1, close - open - 1));
  }
  return targets;
}

}  // namespace

TEST(Layers, TheRulesTellUpwardAndSidewaysIncludesFromAllowedOnes) {
  struct Case {
    const char* file;
    const char* target;
    bool allowed;
  };
  const Case cases[] = {
      {"app/startup.cpp", "ui/mainform.h", true},
      {"ui/mainform.cpp", "tray/trayicon.h", true},
      {"selection/rotation.cpp", "core/settings.h", true},
      {"core/options.h", "framework/base/inifile.h", true},
      {"archive/unlha32.cpp", "archive/membername.h", true},
      {"plugins/spi.cpp", "framework/imaging/bitmap.h", true},
      {"ui/optionsform.cpp", "app/startup.h", false},
      {"core/settings.cpp", "selection/foldermemory.h", false},
      {"selection/randomfile.cpp", "ui/mainform.h", false},
      {"framework/gui/forms.cpp", "core/settings.h", false},
      {"framework/gui/layout.cpp", "archive/unlha32.h", false},
      {"tray/trayicon.cpp", "core/settings.h", false},
      {"archive/unlha32.cpp", "plugins/spi.h", false},
      {"core/wallpaper.cpp", "bench/clock.h", false},
      {"core/wallpaper.cpp", "clock.h", false},
  };
  for (const Case& c : cases) EXPECT_EQ(Violation(c.file, c.target).empty(), c.allowed) << c.file << " -> " << c.target;
  EXPECT_EQ(Violation("core/settings.cpp", "ui/mainform.h"),
            "core/settings.cpp includes \"ui/mainform.h\": core/ may include only core, archive, framework, plugins, "
            "tray");
  EXPECT_EQ(QuotedIncludes("#include \"a/b.h\"\n  #  include \"c/d.h\" // x\n#include <e/f.h>\n// #include \"g.h\"\n"),
            (std::vector<std::string>{"a/b.h", "c/d.h"}));
}

TEST(Layers, EveryIncludeOfTheSourceTreeRunsDownward) {
  namespace fs = std::filesystem;
  const fs::path root(framework::Widen(WindowsPathOf(KALEIDON_SOURCE_DIR)));
  size_t files = 0;
  for (const auto& [folder, allowed] : kMayInclude) {
    const fs::path dir = root / framework::Widen(folder);
    if (!fs::exists(dir)) continue;  // a layer not built yet
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir)) {
      const std::string ext = framework::Narrow(entry.path().extension().wstring());
      if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
      const std::string file = framework::Narrow(entry.path().lexically_relative(root).generic_wstring());
      std::optional<std::string> text = framework::ReadWholeFile(framework::Narrow(entry.path().wstring()));
      ASSERT_TRUE(text) << file;
      ++files;
      for (const std::string& target : QuotedIncludes(*text)) {
        std::string violation = Violation(file, target);
        if (!violation.empty()) ADD_FAILURE() << violation;
      }
    }
  }
  EXPECT_GT(files, 80u) << "the source tree was not found below " << KALEIDON_SOURCE_DIR;
}
