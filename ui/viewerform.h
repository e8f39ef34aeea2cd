#pragma once
// The viewer window: shows a picture of the file list at its own size,
// before the user makes it the wallpaper.
#include <string>

#include "framework/gui/forms.h"
#include "framework/gui/scrollbox.h"
#include "framework/gui/stdctrls.h"

namespace kaleidon {

class TForm4 : public framework::Form {
 public:
  TForm4();

  framework::ScrollBox* ScrollBox1;  // fills the client area; scrolls a picture larger than it
  framework::Image* Image1;          // the picture at its own size, inside ScrollBox1

  // Loads the picture file into Image1 with the decoder its extension is
  // registered for (bitmap, JPEG, image plug-ins). A JPEG too large to hold
  // whole is decoded once at the largest reduced scale that fits. False,
  // with Image1 empty, when the file cannot be read or decoded.
  bool LoadPicture(const std::string& path);
  // Sizes the window to the picture for a screen of that size and centres
  // it there: a picture that fits is shown whole, a larger one in a window
  // as large as the screen allows, to scroll.
  void FitToPicture(int screenWidth, int screenHeight);
  // Fits the window to the picture on the screen and shows it modally.
  void ShowViewer();

  void FormCloseQuery(bool& canClose);
  void Image1DblClick();
};

}  // namespace kaleidon
