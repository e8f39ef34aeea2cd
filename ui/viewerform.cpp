#include "ui/viewerform.h"

#include "framework/layout.h"

namespace kaleidon {

namespace {
framework::FormStyle ViewerStyle() {
  framework::FormStyle s;
  s.className = "TForm4";
  s.caption = "Kaleidon Viewer";
  s.border = framework::BorderStyle::Sizeable;
  s.minimizeBox = false;
  s.maximizeBox = true;
  s.position = framework::Position::Designed;
  return s;
}
}  // namespace

TForm4::TForm4() : Form(ViewerStyle()) {
  SetWindowPos(Handle(), nullptr, 544, 135, 385, 252, SWP_NOZORDER | SWP_NOACTIVATE);
  SIZE client = ClientSize();
  framework::CreateControls(*this, {{&Image1, 0, 0, static_cast<int>(client.cx), static_cast<int>(client.cy)}});
}

}  // namespace kaleidon
