// The help button and the help page it opens.
#include "ui/help.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/gui/stdctrls.h"
#include "support/fixtures.h"
#include "support/programwindows.h"
#include "support/mainwindow.h"

using framework::JoinPath;

namespace {

// Openers that write down what they were asked to open.
struct OpenedHelp {
  std::vector<std::string> helpFiles, pages;
  bool engineOpens = true, browserOpens = true;
  kaleidon::HelpOpeners Openers() {
    kaleidon::HelpOpeners open;
    open.helpEngine = [this](const std::string& helpFile) {
      helpFiles.push_back(helpFile);
      return engineOpens;
    };
    open.browser = [this](const std::string& page) {
      pages.push_back(page);
      return browserOpens;
    };
    return open;
  }
};

// The text a reader sees on a page: tags dropped, the entities the page uses
// turned back into characters, runs of white space made one blank.
std::string VisibleText(const std::string& html) {
  std::string text;
  bool inTag = false;
  for (char c : html) {
    if (c == '<') inTag = true;
    if (!inTag) text += (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
    if (c == '>') inTag = false;
  }
  for (auto [entity, character] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}})
    for (size_t at; (at = text.find(entity)) != std::string::npos;) text.replace(at, strlen(entity), character);
  std::string collapsed;
  for (char c : text)
    if (c != ' ' || collapsed.empty() || collapsed.back() != ' ') collapsed += c;
  return collapsed;
}

// The texts of the system tab control's tabs.
std::vector<std::string> TabCaptions(HWND tabs) {
  std::vector<std::string> captions;
  int count = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = L"";
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 256;
    SendMessageW(tabs, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
    captions.push_back(framework::Narrow(text));
  }
  return captions;
}

// Every caption a form shows for its settings: check boxes, labels, group
// boxes and the tabs of its pages.
std::vector<std::string> SettingCaptions(const framework::Form& form) {
  std::vector<std::string> captions;
  for (const auto& control : form.Controls()) {
    if (auto* windowed = dynamic_cast<framework::WinControl*>(control.get())) {
      wchar_t cls[64] = L"";
      GetClassNameW(windowed->Handle(), cls, 64);
      if (std::wstring(cls) == WC_TABCONTROLW)
        for (const std::string& tab : TabCaptions(windowed->Handle())) captions.push_back(tab);
    }
    if (dynamic_cast<framework::CheckBox*>(control.get()) || dynamic_cast<framework::Label*>(control.get()) ||
        dynamic_cast<framework::GroupBox*>(control.get()))
      captions.push_back(control->Text());
  }
  std::erase(captions, "");
  return captions;
}

}  // namespace

TEST(Help, TheHelpFileOpensThroughTheEngineOnlyWhereBothAreThereElseThePage) {
  struct Case {
    const char* name;
    bool engine, helpFile, page, engineOpens, browserOpens;
    bool opensHelpFile, opensPage, opened;
  } cases[] = {
      {"engine and help file", true, true, true, true, true, true, false, true},
      {"no engine (Windows 10 and 11)", false, true, true, true, true, false, true, true},
      {"no help file", true, false, true, true, true, false, true, true},
      {"the engine refuses", true, true, true, false, true, true, true, true},
      {"no browser", false, false, true, true, false, false, true, false},
      {"no page", false, false, false, true, true, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir windows, program;
    if (c.engine) windows.WriteFile("winhlp32.exe", "MZ");
    if (c.helpFile) program.WriteFile("kaleidon.hlp", "?_");
    if (c.page) program.WriteFile("Kaleidon.html", "<html></html>");
    OpenedHelp opened;
    opened.engineOpens = c.engineOpens;
    opened.browserOpens = c.browserOpens;
    EXPECT_EQ(kaleidon::OpenHelp(program.path(), windows.path(), opened.Openers()), c.opened);
    EXPECT_EQ(opened.helpFiles, c.opensHelpFile ? std::vector{program.PathOf("kaleidon.hlp")} : std::vector<std::string>{});
    EXPECT_EQ(opened.pages, c.opensPage ? std::vector{program.PathOf("Kaleidon.html")} : std::vector<std::string>{});
  }
}

TEST(Help, TheHelpButtonOpensThePageBesideTheProgramOrNamesTheFileItCouldNotOpen) {
  ProgramWindows w;
  OpenedHelp opened;
  w.main->Help = opened.Openers();
  w.folder.WriteFile("Kaleidon.html", "<html></html>");
  Widgets(*w.main).Button10->Click();
  EXPECT_EQ(opened.pages, std::vector{w.folder.PathOf("Kaleidon.html")});
  EXPECT_TRUE(opened.helpFiles.empty());

  if (framework::FileExists(JoinPath(framework::WindowsFolder(), "winhlp32.exe"))) {
    w.folder.WriteFile("kaleidon.hlp", "?_");
    Widgets(*w.main).Button10->Click();
    EXPECT_EQ(opened.helpFiles, std::vector{w.folder.PathOf("kaleidon.hlp")});
    EXPECT_EQ(opened.pages.size(), 1u);
  }

  opened.engineOpens = opened.browserOpens = false;
  Widgets(*w.main).Button10->Click();
  ASSERT_EQ(w.boxes.Count(), 1u);
  EXPECT_EQ(w.boxes.Last().caption, "闇のエラー");
  EXPECT_NE(w.boxes.Last().text.find(w.folder.PathOf("Kaleidon.html")), std::string::npos) << w.boxes.Last().text;
  EXPECT_TRUE(w.boxes.Last().flags & MB_ICONWARNING);
}

// The page speaks of every setting by the caption the options dialog shows.
TEST(Help, ThePageNamesEveryCaptionOfTheOptionsDialogAndEveryButtonOfTheMainWindow) {
  std::optional<std::string> page =
      framework::ReadWholeFile(WindowsPathOf(std::string(KALEIDON_SOURCE_DIR) + "/help/Kaleidon.html"));
  ASSERT_TRUE(page);
  EXPECT_NE(page->find("<meta charset=\"utf-8\">"), std::string::npos);
  std::string text = VisibleText(*page);

  ProgramWindows w;
  std::vector<std::string> captions = SettingCaptions(*w.options);
  ASSERT_GE(captions.size(), 15u);  // the walk found the dialog's controls
  for (const auto& control : w.main->Controls())
    if (dynamic_cast<framework::Button*>(control.get())) {
      std::string caption = control->Text();
      std::erase(caption, '&');  // the accelerator shows as an underline
      captions.push_back(caption);
    }
  for (const std::string& caption : captions) EXPECT_NE(text.find(caption), std::string::npos) << caption;
}
