#pragma once
// The standard controls: label, image, button, check box, edit, group box.
#include "framework/gui/forms.h"

namespace framework {

// Text drawn straight on the form. Sizes itself to its text unless AutoSize
// is switched off; transparent labels let the form's background show.
// Readers see it as static text; a new text is announced. Under high
// contrast it is drawn in the system's colours on the face colour.
class Label : public GraphicControl {
 public:
  Label(Form* owner, std::string name) : GraphicControl(owner, std::move(name)) {}
  void SetText(const std::string& text) override;
  void SetFont(const Font& font) override;
  void SetAutoSize(bool on);
  void SetTransparent(bool on);
  bool Transparent() const { return transparent_; }
  void Paint(HDC dc) override;
  AccessibleElement AccessibleOnForm() const override;

 private:
  void Measure();
  bool autoSize_ = true;
  bool transparent_ = false;
};

// A picture: a GDI bitmap drawn at the control's bounds. The control takes
// ownership of the bitmap handle. With AutoSize it takes the bitmap's size
// whenever it is given one (0 x 0 when emptied).
class Image : public GraphicControl {
 public:
  Image(Form* owner, std::string name) : GraphicControl(owner, std::move(name)) {}
  ~Image() override;
  void SetBitmap(HBITMAP bitmap);
  HBITMAP Bitmap() const { return bitmap_; }
  // The bitmap's size; 0 x 0 without one.
  SIZE PictureSize() const;
  void SetStretch(bool on);
  void SetAutoSize(bool on);
  void Paint(HDC dc) override;
  // A picture at its own size stays pixel for pixel at any DPI.
  void ChangeScale(int newDpi, int oldDpi) override;

 private:
  void FitToPicture();
  HBITMAP bitmap_ = nullptr;
  bool stretch_ = false;
  bool autoSize_ = false;
};

// A button with the focus is the form's default one: Enter presses it.
class Button : public WinControl {
 public:
  Button(Form* owner, std::string name);
  // Does what a press of the button does.
  void Click();
  void HandleCommand(int code) override;
  bool SeeThrough() const override { return true; }
  AccessibleElement DescribeAccessible(const AccessiblePath& path) const override;
  bool ActivateAccessible(const AccessiblePath& path) override;

 protected:
  bool WindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

// Setting Checked to another value fires OnClick, as a click by the user does.
class CheckBox : public WinControl {
 public:
  CheckBox(Form* owner, std::string name);
  bool Checked() const;
  void SetChecked(bool checked);
  void HandleCommand(int code) override;
  bool SeeThrough() const override { return true; }
  AccessibleElement DescribeAccessible(const AccessiblePath& path) const override;
  bool ActivateAccessible(const AccessiblePath& path) override;
};

class Edit : public WinControl {
 public:
  Edit(Form* owner, std::string name);
  void SetReadOnly(bool on);
  // The most characters the user may type; 0: as many as the system allows.
  void SetMaxLength(int length);
  void HandleCommand(int code) override;
  AccessibleElement DescribeAccessible(const AccessiblePath& path) const override;
  Event OnChange;
};

// A frame with a caption around related controls, drawn by the form under
// them, so labels inside it show as well as windowed controls.
class GroupBox : public GraphicControl {
 public:
  GroupBox(Form* owner, std::string name) : GraphicControl(owner, std::move(name)) {}
  void Paint(HDC dc) override;
  // Clicks go to what lies inside the frame.
  bool HitTest(POINT) const override { return false; }
  AccessibleElement AccessibleOnForm() const override;
};

// An edit window's text as readers get it: its value, read-only or not.
AccessibleElement DescribeTextWindow(const WinControl& control, AccessibleElement self);

}  // namespace framework
