#pragma once
// What assistive technology (screen readers, magnifiers, voice control) is
// told of the windows, through the system's accessibility interface
// (IAccessible). A form and each of its windowed controls answer the
// system's question for their client area (WM_GETOBJECT, OBJID_CLIENT) with
// an object of their own: the window's name (a control's is its label's
// text), role, value and state, and the elements inside it: a list's rows, a
// grid's rows and their cells, a page control's tabs, a form's labels. An
// element is described only when a reader asks for it, so a list of a
// hundred thousand names costs nothing until one looks at it. What a reader
// follows (the selection, the focus inside a list, a label's new text) is
// announced with NotifyWinEvent.
//
// The system's accessibility libraries are loaded on the first question, so
// a program that nobody reads pays nothing for them.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace framework {

// Where an element lies below its window's object: its index at each level,
// from 0; empty for the object itself.
using AccessiblePath = std::vector<int>;

struct AccessibleElement {
  std::string name;
  std::string value;
  std::string description;
  // ROLE_SYSTEM_*. For the object itself, 0 keeps the system's role of its window.
  long role = 0;
  // STATE_SYSTEM_* flags. For the object itself they add to what the system
  // tells of its window (disabled, focused, hidden).
  long state = 0;
  // In the window's client coordinates; unused for the object itself.
  RECT bounds{};
  // A control with a window of its own (on a form): the object of that
  // window's client area stands for the element.
  HWND window = nullptr;
  // Elements of its own (a grid's row): an object of its own.
  bool hasElements = false;
};

// What the accessible object of a window asks of it. The window keeps the
// answers; nothing is copied ahead of the question.
class AccessibleSource {
 public:
  // The object itself (path empty) or an element below it.
  virtual AccessibleElement DescribeAccessible(const AccessiblePath& path) const = 0;
  // How many elements lie directly below path.
  virtual int AccessibleCount(const AccessiblePath& path) const { return 0; }
  // The element below path that is selected, which has the keyboard focus
  // while the window has it; -1 for none.
  virtual int AccessibleCurrent(const AccessiblePath& path) const { return -1; }
  // The element below path at a point of the client area; -1 for none.
  virtual int AccessibleAt(const AccessiblePath& path, POINT client) const { return -1; }
  // Selects an element as the user does, events included.
  virtual void SelectAccessible(const AccessiblePath& path) {}
  // Does what a double click (a press, for the object itself) does; false
  // when the element has no such action.
  virtual bool ActivateAccessible(const AccessiblePath& path) { return false; }

 protected:
  ~AccessibleSource() = default;
};

// Answers WM_GETOBJECT for a window whose elements source describes: its
// object for OBJID_CLIENT. For anything else, or where the system's
// libraries are missing, it answers 0 and the system's default stands.
LRESULT AnswerGetObject(HWND window, AccessibleSource& source, WPARAM wp, LPARAM lp);

// Tells assistive technology of a change (EVENT_OBJECT_*) of the window's
// object, or of its element index when that is 0 or more.
void AnnounceAccessible(DWORD event, HWND window, int index = -1);

// A caption as a name: without its mnemonic mark ("&&" stays one "&"), and
// without the bracketed letter of one ("終了(&X)" is "終了").
std::string WithoutMnemonic(const std::string& caption);

// Whether the user has a high-contrast scheme on (SPI_GETHIGHCONTRAST): the
// program's own colours then give way to the system's, so that nothing
// drawn in them vanishes into the scheme's background.
bool HighContrast();
// Tests see the windows as under the setting on or off; nullopt: the
// system's setting again.
void OverrideHighContrast(std::optional<bool> on);
// A colour of the program's own, or in its place under high contrast the
// system's colour of that index (COLOR_BTNTEXT, ...).
COLORREF OwnColor(COLORREF own, int systemColor);

}  // namespace framework
