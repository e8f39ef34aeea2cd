#include "app/plugins.h"

#include <windows.h>

#include "framework/base/paths.h"
#include "framework/base/trace.h"
#include "framework/gui/application.h"
#include "plugins/spis.h"
#include "ui/mainform.h"

namespace kaleidon {

namespace {

constexpr const char* kPluginSetAsideCaption = "悪のプラグインエラー";
constexpr const char* kPluginSetAsideText =
    "ぐはっ！正義のプラグインが暴走して倒れてしまった････\r"
    "カレイドンを次に起動するまで、このプラグインは正義の封印をしておくぞ。\r"
    "因みにプラグインは%sだ。";
// Beside the program: what the plug-ins said of themselves, so that a start
// need not load them.
constexpr const char* kPluginFormatsFile = "PluginFormats.cache";

}  // namespace

std::unique_ptr<TSPIs> SetUpPlugins() {
  auto plugins = std::make_unique<TSPIs>();
  plugins->SearchOptions = {spsSusieDir, spsAppDir, spsSystemDir};
  plugins->OnPictureRegister = [](TSPIs&, TInSPI&, const std::string& extension, const std::string&,
                                  TGraphicClass& graphicClass) {
    if (!SPIs1PictureRegister(extension)) graphicClass = {};
  };
  plugins->OnSetAside = [](TSPIs&, const std::string& fileName) {
    framework::Application::Instance().MessageBox(framework::FormatText(kPluginSetAsideText, {fileName}),
                                                  kPluginSetAsideCaption, MB_OK | MB_ICONWARNING);
  };
  plugins->FormatCacheFile = framework::JoinPath(framework::ProgramFolder(), kPluginFormatsFile);
  plugins->Loaded();
  framework::TraceStep("main window: plug-ins");
  return plugins;
}

}  // namespace kaleidon
