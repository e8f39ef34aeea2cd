#pragma once
// Window layouts as data: one table per window, instantiated by the form.
#include <initializer_list>

#include "framework/forms.h"

namespace framework {

enum class ControlKind {
  Label, Image, Button, CheckBox, Edit, GroupBox,
  DriveComboBox, DirectoryListBox, FileListBox, FilterComboBox, SpinEdit, StringGrid, ListBox, ComboBox,
  Memo, PageControl, ScrollBox,
};

enum ControlFlags : unsigned {
  kHidden = 1,
  kDisabled = 2,
  kTransparent = 4,   // labels
  kFixedSize = 8,     // labels: no sizing to the text
  kBold = 16,
};

struct ControlSpec {
  ControlKind kind;
  const char* name;
  int left, top;
  int width = 0, height = 0;  // 0: the control's own default
  const char* caption = "";
  unsigned flags = 0;
  COLORREF color = CLR_INVALID;  // text colour; CLR_INVALID: the form's
  int fontHeight = 0;            // 0: the form's
};

// Creates the controls of the table on the form, in table order.
void CreateControls(Form& form, std::initializer_list<ControlSpec> entries);

// The control of that name and kind; raises when the layout lacks it.
template <class T>
T* Get(const Form& form, const std::string& name) {
  T* control = dynamic_cast<T*>(form.FindControl(name));
  if (!control) throw Exception("layout has no control " + name);
  return control;
}

}  // namespace framework
