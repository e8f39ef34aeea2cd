#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "plugins/spihost.h"
#include "support/program.h"

namespace {

int CALLBACK NoteFont(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FontInstalled(const wchar_t* face) {
  LOGFONTW font{};
  font.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExW(dc, &font, NoteFont, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return found;
}

// What every test needs of the machine, said plainly when it is missing
// instead of showing as the failures it causes: the code page the run asks
// for (932, or what KALEIDON_CODE_PAGE names), which Wine takes from the
// locale, and the Japanese font the program's fonts are replaced by.
class MachineNeeds : public testing::Environment {
  void SetUp() override {
    const char* named = std::getenv("KALEIDON_CODE_PAGE");
    const UINT wanted = named ? static_cast<UINT>(std::atoi(named)) : 932;
    const char* locale = std::getenv("LANG");
    ASSERT_EQ(GetACP(), wanted) << "Wine runs in code page " << GetACP() << ", not " << wanted << ": the locale "
                                << (locale ? locale : "(LANG unset)")
                                << " is missing (scripts/setup makes it with locale-gen)";
    ASSERT_TRUE(FontInstalled(L"IPAPGothic"))
        << "the Japanese font IPAPGothic is missing (package fonts-ipafont-gothic; scripts/setup installs it)";
  }
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::AddGlobalTestEnvironment(new MachineNeeds);
  // The image plug-ins run in the built program, started as their host.
  kaleidon::SetSPIHostProgram(BuiltProgramPath());
  return RUN_ALL_TESTS();
}
