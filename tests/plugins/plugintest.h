#pragma once
// Helpers of the plug-in tests: copies of the test plug-ins (fixtures/spi/
// of the build) planted in folders of their own, what a copy was asked (in
// the plug-in host), and small pictures in its PGM/PPM format.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "fixtures/spi/spirecord.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/imaging/graphics.h"
#include "plugins/spi.h"
#include "plugins/spibitmap.h"
#include "support/fixtures.h"
#include "support/tempdir.h"

// What the test plug-in at path was asked, wherever it was loaded.
inline SpiCallRecord& CallsOf(const std::string& path) {
  static SpiCallRecord none{};
  static std::map<std::string, SpiCallRecord*> opened;
  SpiCallRecord*& record = opened[path];
  if (!record) record = OpenSpiRecord(framework::Widen(path));
  if (!record) {
    ADD_FAILURE() << path << " keeps no record";
    return none;
  }
  return *record;
}
inline SpiCallRecord& CallsOf(const kaleidon::TSPI& spi) { return CallsOf(spi.FileName()); }

// Copies fixtures/spi/<fixture>.spi to folder\name; info, when given, is
// what its GetPluginInfo answers (one entry a number, "-" for none),
// written in the ANSI code page. Returns the copy's path.
inline std::string PlantPlugin(const std::string& folder, const std::string& fixture, const std::string& name,
                               const std::vector<std::string>& info = {}) {
  std::string path = framework::JoinPath(folder, name);
  std::string source = BuildOutputPath("fixtures/spi/" + fixture + ".spi");
  EXPECT_TRUE(CopyFileW(framework::Widen(source).c_str(), framework::Widen(path).c_str(), FALSE)) << source;
  CallsOf(path);  // the record outlives a host that a misbehaving copy ends
  if (!info.empty()) {
    std::string text;
    for (const std::string& line : info) text += framework::ToAnsi(line) + "\r\n";
    EXPECT_TRUE(framework::WriteFileAtomically(path + ".info", text));
  }
  return path;
}

// Whether a process (the plug-in host) has the test plug-in at path loaded.
inline bool Loaded(const std::string& path) { return CallsOf(path).attached > 0; }

// A binary PGM (gray) or PPM picture with the given comment lines and
// samples (one per pixel for PGM, three for PPM).
inline std::string Pnm(bool gray, int width, int height, int maxval, const std::vector<int>& samples,
                       const std::vector<std::string>& comments = {}) {
  std::string out = gray ? "P5\n" : "P6\n";
  for (const std::string& c : comments) out += "# " + c + "\n";
  out += std::to_string(width) + " " + std::to_string(height) + "\n" + std::to_string(maxval) + "\n";
  for (int s : samples) out += static_cast<char>(s);
  return out;
}

// Leaves the picture registry as it found it: plug-in file types go.
struct PictureFormatsRestored {
  ~PictureFormatsRestored() { framework::Picture::UnregisterGraphicKind(kaleidon::kSPIBitmapKind); }
};
