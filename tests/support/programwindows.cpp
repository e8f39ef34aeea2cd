#include "support/programwindows.h"

#include "framework/application.h"
#include "framework/paths.h"

ProgramWindows::ProgramWindows(const std::string& settings, const std::string& firstArgument) {
  framework::OverrideProgramFolder(folder.path());
  if (!settings.empty()) folder.WriteFile("Kaleidon.ini", settings);
  main = std::make_unique<kaleidon::TForm1>(kaleidon::CommandLine{firstArgument});
  framework::Application::Instance().SetMainForm(main.get());
  options = std::make_unique<kaleidon::TForm2>(*main, kaleidon::CommandLine{firstArgument});
  main->Options = options.get();
  viewer = std::make_unique<kaleidon::TForm4>();
  main->Viewer = viewer.get();
  folderList = std::make_unique<kaleidon::TForm5>(*main);
  main->FolderList = folderList.get();
  options->FolderList = folderList.get();
  folderList->FillTable(options->SpinEdit3->Value());
}

ProgramWindows::~ProgramWindows() {
  framework::Application::Instance().SetMainForm(nullptr);
  folderList.reset();
  viewer.reset();
  options.reset();
  main.reset();
  framework::OverrideProgramFolder("");
}
