#pragma once
// Where the code below the windows tells the user something. The code that
// finds a problem does not show a box itself: whoever calls it passes the
// notices it reports to (the windows pass the application's message box,
// tests a recorder), so the lower layers know no window.
#include <string>

namespace framework {

struct Notice {
  std::string text;
  std::string caption;
  unsigned flags = 0;      // as the system's MessageBox takes them: MB_OK | MB_ICONWARNING, ...
  bool ownerless = false;  // the box belongs to no window of the program
};

class Notices {
 public:
  // Tells the user; the result is the button pressed (IDOK, ...).
  virtual int Notify(const Notice& notice) = 0;

 protected:
  ~Notices() = default;
};

}  // namespace framework
