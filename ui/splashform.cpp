#include "ui/splashform.h"

#include "framework/imaging/bitmap.h"
#include "framework/imaging/jpeg.h"
#include "framework/gui/layout.h"
#include "framework/gui/resources.h"

namespace kaleidon {

namespace {

// The version comes from the program's version resource, so the window and
// the file's properties always name the same one.
const std::string& Version() {
  static const std::string version = framework::ProgramVersion();
  return version;
}

framework::FormStyle SplashStyle(bool about) {
  framework::FormStyle s;
  s.className = "TForm3";
  // The splash never shows its caption; the about window's caption bar names
  // the version it is about.
  s.caption = about && !Version().empty() ? "Kaleidon Version" + Version() : "Kaleidon Version0.5";
  s.clientWidth = 300;
  s.clientHeight = 200;
  s.border = about ? framework::BorderStyle::Single : framework::BorderStyle::None;
  s.systemMenu = about;
  s.minimizeBox = false;
  s.topMost = !about;
  return s;
}

}  // namespace

TForm3::TForm3(HWND owner, bool about) : Form(SplashStyle(about), owner) {
  framework::CreateControls(*this, {
      {&Image1, 0, 0, 300, 200},
      {&Label1, 12, 50, 0, 0, "", framework::kTransparent | framework::kBold | framework::kDisabled, RGB(255, 0, 0),
       13},
      {&Label2, 0, 178, 0, 0, "", framework::kTransparent | framework::kBold, RGB(58, 32, 82), 13},
  });
  Label2->SetText(Version().empty() ? "" : "Version " + Version());
  Label2->SetBounds((ClientSize().cx - Label2->Width()) / 2, Label2->Top(), Label2->Width(), Label2->Height());
  // The picture fills the window at any DPI.
  Image1->SetStretch(true);
  Label1->OnClick = [this] { Label1Click(); };
  OnShow = [this] { FormShow(); };
  FormCreate();
}

void TForm3::FormCreate() {
  // The picture is decoded once, when the window is made.
  std::string jpeg = framework::LoadResourceData("IMG");
  Image1->SetBitmap(framework::DecodeJpeg(jpeg).CreateHBITMAP());
}

void TForm3::FormShow() { SetClientSize(Scale(300), Scale(200)); }

void TForm3::ShowStatus(const std::string& text) {
  Label1->SetText(text);
  Repaint();
  if (StatusShown) StatusShown(text);
}

void TForm3::Label1Click() {
  framework::Font font = Label1->GetFont();
  for (int i = 0; i < 3; ++i) {
    font.color = RGB(192, 192, 192);
    Label1->SetFont(font);
    Label1->Repaint();
    Sleep(flashDelayMs);
    font.color = RGB(255, 255, 0);
    Label1->SetFont(font);
    Label1->Repaint();
    Sleep(flashDelayMs);
  }
  Close();
}

}  // namespace kaleidon
