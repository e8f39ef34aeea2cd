// The folders are layers and the includes run one way:
//   app/ -> ui/ -> change/ -> selection/ -> core/ -> framework/,
// with archive/, plugins/ and tray/ beside them on the framework, each layer
// using only the ones it names below; inside framework/, gui/ and imaging/
// on base/. wic/ (the image plug-in shipped beside the program) stands
// alone. Every include of the source tree that names a folder of the
// project, in quotes or in angle brackets, is read and checked, and every
// top-level folder that holds sources must be one the rules know.
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

const std::set<std::string> kFramework = {"framework/base", "framework/imaging", "framework/gui"};

// What each layer may include besides itself: what it uses, no more (the
// build links each layer on these alone, CMakeLists.txt). "framework"
// stands for every folder of the framework.
const std::map<std::string, std::set<std::string>> kMayInclude = {
    {"app", {"ui", "change", "core", "archive", "plugins", "framework/gui", "framework/base"}},
    {"ui", {"change", "selection", "core", "archive", "plugins", "tray", "framework"}},
    {"change", {"selection", "core", "framework/base"}},
    {"selection", {"core", "archive", "plugins", "framework/imaging", "framework/base"}},
    {"core", {"framework/imaging", "framework/base"}},
    {"archive", {"framework/base"}},
    {"plugins", {"framework/imaging", "framework/base"}},
    {"tray", {"framework/gui", "framework/base"}},
    {"framework/gui", {"framework/base"}},
    {"framework/imaging", {"framework/base"}},
    {"framework/base", {}},
    {"wic", {}},
};

// Folders whose sources may include any layer: they test, measure or fuzz
// the program, and nothing of the program includes them.
const std::set<std::string> kOutside = {"tests", "bench", "fuzz", "torture"};

// The layer of a path below the source folder: its first folder, or its
// first two inside framework/. Empty for a file at the top.
std::string LayerOf(const std::string& path) {
  const size_t slash = path.find('/');
  if (slash == std::string::npos) return {};
  const std::string first = path.substr(0, slash);
  if (first != "framework") return first;
  const size_t second = path.find('/', slash + 1);
  return second == std::string::npos ? first : path.substr(0, second);
}

bool Allows(const std::set<std::string>& allowed, const std::string& layer) {
  return allowed.count(layer) || (allowed.count("framework") && kFramework.count(layer));
}

// Why file (a path below the source folder, "ui/mainform.cpp") must not
// include target (as written: "app/startup.h"); empty when it may.
std::string Violation(const std::string& file, const std::string& target) {
  const std::string from = LayerOf(file);
  const std::string to = LayerOf(target);
  if (kOutside.count(from)) return {};
  if (!kMayInclude.count(from)) return file + ": the folder " + from + "/ is no layer the rules know";
  if (to.empty() || to == from) return {};
  if (to.starts_with("framework") && !kFramework.count(to))
    return file + " includes \"" + target + "\": the framework's code lies in base/, imaging/ and gui/";
  const std::set<std::string>& allowed = kMayInclude.at(from);
  if (Allows(allowed, to)) return {};
  std::string list = from;
  for (const std::string& folder : allowed) list += ", " + folder;
  return file + " includes \"" + target + "\": " + from + "/ may include only " + list;
}

// The targets of the include lines of a source text that name a folder of
// the project: `#include "a/b.h"`, and `#include <a/b.h>` when a/ is one of
// the project's folders (the source folder is on the include path, so both
// forms reach it).
std::vector<std::string> ProjectIncludes(const std::string& text, const std::set<std::string>& projectFolders) {
  std::vector<std::string> targets;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    size_t hash = line.find_first_not_of(" \t");
    if (hash == std::string::npos || line.compare(hash, 1, "#") != 0) continue;
    size_t word = line.find_first_not_of(" \t", hash + 1);
    if (word == std::string::npos || line.compare(word, 7, "include") != 0) continue;
    size_t open = line.find_first_not_of(" \t", word + 7);
    if (open == std::string::npos || (line[open] != '"' && line[open] != '<')) continue;
    size_t close = line.find(line[open] == '"' ? '"' : '>', open + 1);
    if (close == std::string::npos) continue;
    std::string target = line.substr(open + 1, close - open - 1);
    if (line[open] == '<' && !projectFolders.count(target.substr(0, target.find('/')))) continue;
    targets.push_back(target);
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
      {"ui/mainform.cpp", "change/changecycle.h", true},
      {"change/changecycle.cpp", "selection/rotation.h", true},
      {"selection/rotation.cpp", "core/settings.h", true},
      {"core/options.h", "framework/base/inifile.h", true},
      {"archive/unlha32.cpp", "archive/membername.h", true},
      {"plugins/spi.cpp", "framework/imaging/bitmap.h", true},
      {"framework/gui/forms.cpp", "framework/gui/application.h", true},
      {"framework/gui/extctrls.cpp", "framework/imaging/graphics.h", false},
      {"framework/imaging/jpeg.cpp", "framework/base/paths.h", true},
      {"tests/ui/mainform_test.cpp", "app/startup.h", true},
      {"ui/optionsform.cpp", "app/startup.h", false},
      {"selection/randomfile.cpp", "change/changecycle.h", false},
      {"core/settings.cpp", "selection/foldermemory.h", false},
      {"selection/randomfile.cpp", "ui/mainform.h", false},
      {"framework/gui/forms.cpp", "core/settings.h", false},
      {"framework/gui/layout.cpp", "archive/unlha32.h", false},
      {"framework/imaging/bitmap.cpp", "framework/gui/forms.h", false},
      {"framework/base/text.cpp", "framework/imaging/bitmap.h", false},
      {"framework/base/paths.cpp", "framework/forms.h", false},
      {"tray/trayicon.cpp", "core/settings.h", false},
      {"archive/unlha32.cpp", "plugins/spi.h", false},
      {"core/wallpaper.cpp", "bench/clock.h", false},
      {"wic/kaleidonwic.cpp", "framework/base/text.h", false},
      {"newfolder/thing.cpp", "framework/base/text.h", false},
  };
  for (const Case& c : cases) EXPECT_EQ(Violation(c.file, c.target).empty(), c.allowed) << c.file << " -> " << c.target;
  EXPECT_EQ(Violation("core/settings.cpp", "ui/mainform.h"),
            "core/settings.cpp includes \"ui/mainform.h\": core/ may include only core, framework/base, "
            "framework/imaging");
  EXPECT_EQ(Violation("newfolder/thing.cpp", "windows.h"), "newfolder/thing.cpp: the folder newfolder/ is no layer the rules know");
  const std::set<std::string> folders = {"ui", "core"};
  EXPECT_EQ(ProjectIncludes("#include \"a/b.h\"\n  #  include \"c/d.h\" // x\n#include <e/f.h>\n// #include \"g.h\"\n"
                            "#include <ui/mainform.h>\n#include<core/x.h>\n#include <windows.h>\n",
                            folders),
            (std::vector<std::string>{"a/b.h", "c/d.h", "ui/mainform.h", "core/x.h"}));
}

TEST(Layers, EveryIncludeOfTheSourceTreeRunsDownward) {
  namespace fs = std::filesystem;
  const fs::path root(framework::Widen(WindowsPathOf(KALEIDON_SOURCE_DIR)));
  auto isSource = [](const fs::path& path) {
    const std::string ext = framework::Narrow(path.extension().wstring());
    return ext == ".h" || ext == ".cpp" || ext == ".c";
  };
  // Every top-level folder is checked, the build's and hidden ones aside.
  std::set<std::string> projectFolders;
  for (const fs::directory_entry& entry : fs::directory_iterator(root)) {
    const std::string name = framework::Narrow(entry.path().filename().wstring());
    if (entry.is_directory() && !name.starts_with(".") && name != "build") projectFolders.insert(name);
  }
  size_t files = 0;
  for (const std::string& folder : projectFolders) {
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root / framework::Widen(folder))) {
      if (!entry.is_regular_file() || !isSource(entry.path())) continue;
      const std::string file = framework::Narrow(entry.path().lexically_relative(root).generic_wstring());
      std::optional<std::string> text = framework::ReadWholeFile(framework::Narrow(entry.path().wstring()));
      ASSERT_TRUE(text) << file;
      ++files;
      const std::string layer = LayerOf(file);
      if (!kOutside.count(layer) && !kMayInclude.count(layer)) {
        ADD_FAILURE() << file << ": the folder " << layer << "/ is no layer the rules know";
        continue;
      }
      for (const std::string& target : ProjectIncludes(*text, projectFolders)) {
        std::string violation = Violation(file, target);
        if (!violation.empty()) ADD_FAILURE() << violation;
      }
    }
  }
  EXPECT_GT(files, 150u) << "the source tree was not found below " << KALEIDON_SOURCE_DIR;
}
