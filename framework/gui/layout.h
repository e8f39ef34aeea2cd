#pragma once
// Window layouts as data: one table per window, beside its form, turned into
// the form's controls in table order. A row names the form's member that
// receives the control, and the member's type says what kind of control it
// is, so each control is named once. Positions, sizes and font heights are
// pixels at 96 DPI; the form scales them for its own DPI:
//
//   framework::CreateControls(*this, {
//       {&Button3, 90, 265, 0, 0, "ランダム(&R)"},
//       {framework::unnamed<framework::Label>, 14, 108, 0, 0, "CPU負荷設定"},
//   });
#include <initializer_list>

#include "framework/gui/forms.h"

namespace framework {

enum ControlFlags : unsigned {
  kHidden = 1,
  kDisabled = 2,
  kTransparent = 4,   // labels
  kFixedSize = 8,     // labels: no sizing to the text
  kBold = 16,
  // Labels and frames: the text names a windowed control for assistive
  // technology, the one of the next row or the one of the row before (a
  // unit after its number box).
  kNamesNext = 32,
  kNamesPrevious = 64,
};

// A row for a control that no code touches after it is made (a caption
// label, a group box): unnamed<Label>.
template <class T>
struct Unnamed {};
template <class T>
inline constexpr Unnamed<T> unnamed{};

class ControlSpec {
 public:
  // member: the form's pointer that receives the new control.
  template <class T>
  ControlSpec(T** member, int left, int top, int width = 0, int height = 0, const char* caption = "",
              unsigned flags = 0, COLORREF color = CLR_INVALID, int fontHeight = 0, const char* fontFace = nullptr)
      : left(left), top(top), width(width), height(height), caption(caption), flags(flags), color(color),
        fontHeight(fontHeight), fontFace(fontFace), make_(&Make<T>), member_(member) {}
  template <class T>
  ControlSpec(Unnamed<T>, int left, int top, int width = 0, int height = 0, const char* caption = "",
              unsigned flags = 0, COLORREF color = CLR_INVALID, int fontHeight = 0, const char* fontFace = nullptr)
      : ControlSpec(static_cast<T**>(nullptr), left, top, width, height, caption, flags, color, fontHeight,
                    fontFace) {}

  // Adds the control to the form and hands it to the member.
  Control* Create(Form& form) const { return make_(form, member_); }

  int left, top;
  int width, height;     // 0: the control's own default
  const char* caption;
  unsigned flags;
  COLORREF color;        // text colour; CLR_INVALID: the form's
  int fontHeight;        // 0: the form's
  const char* fontFace;  // null: the form's

 private:
  template <class T>
  static Control* Make(Form& form, void* member) {
    T* control = form.Add<T>(std::string());
    if (member) *static_cast<T**>(member) = control;
    return control;
  }

  Control* (*make_)(Form&, void*);
  void* member_;
};

class TabSheet;

// Creates the controls of the table on the form, in table order.
void CreateControls(Form& form, std::initializer_list<ControlSpec> rows);
// Creates the controls of the table on a page of a page control; the
// positions are taken from the page's top-left corner.
void CreateControls(TabSheet& page, std::initializer_list<ControlSpec> rows);

}  // namespace framework
