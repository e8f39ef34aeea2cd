#include "support/fixtures.h"

#include <gtest/gtest.h>

#include "archive/unlha32.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"

std::string WindowsPathOf(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string PictureFixture(const std::string& name) {
  std::optional<std::string> bytes =
      framework::ReadWholeFile(WindowsPathOf(std::string(KALEIDON_SOURCE_DIR) + "/tests/fixtures/pictures/" + name));
  if (!bytes) ADD_FAILURE() << "missing fixture " << name;
  return bytes.value_or("");
}

std::string BuildOutputPath(const std::string& relative) {
  return WindowsPathOf(std::string(KALEIDON_BUILD_DIR) + "/" + relative);
}

void BindFixtureArchiveLibrary() {
  std::string dll = BuildOutputPath("fixtures/unlha32/UNLHA32.DLL");
  HMODULE module = LoadLibraryW(framework::Widen(dll).c_str());
  ASSERT_NE(module, nullptr) << dll;
  kaleidon::BindUnlhaLibrary(module);
}
