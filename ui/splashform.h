#pragma once
// The splash window: the program's picture with a status line while the
// program starts; the same window serves as the about window.
#include <functional>

#include "framework/gui/forms.h"
#include "framework/gui/stdctrls.h"

namespace kaleidon {

class TForm3 : public framework::Form {
 public:
  // about: the about window's variant, with a system-menu box.
  explicit TForm3(HWND owner = nullptr, bool about = false);

  framework::Image* Image1;  // the splash picture
  framework::Label* Label1;  // the status line; "Close" in the about window
  framework::Label* Label2;  // the program's version, under its name in the picture

  // Shows a status text and paints it at once.
  void ShowStatus(const std::string& text);

  void FormCreate();
  void FormShow();
  void Label1Click();

  // Told every status text as it is shown.
  static inline std::function<void(const std::string&)> StatusShown;

  // The pause between the label's colour changes (tests shorten it).
  static inline int flashDelayMs = 75;
};

}  // namespace kaleidon
