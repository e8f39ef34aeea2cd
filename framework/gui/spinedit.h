#pragma once
// A number box with up and down arrows. The value always lies within the
// bounds: setting it clamps, the arrows (and the Up and Down keys) step by
// the increment, and moving a bound pulls the value along. OnChange fires
// exactly when the value changes, whoever changed it.
#include "framework/gui/forms.h"

namespace framework {

class SpinEdit : public WinControl {
 public:
  SpinEdit(Form* owner, std::string name);

  int Value() const { return value_; }
  void SetValue(int value);
  int MinValue() const { return min_; }
  int MaxValue() const { return max_; }
  // When the lower bound lies above the upper one, the lower bound wins.
  void SetMinValue(int value);
  void SetMaxValue(int value);
  int Increment() const { return increment_; }
  void SetIncrement(int increment);

  // Whether the user may type a number; the arrows work either way.
  bool EditorEnabled() const { return editorEnabled_; }
  void SetEditorEnabled(bool on);

  // What a press of the up or down arrow does.
  void StepUp();
  void StepDown();

  // Text set from code is read as a number; anything else is ignored.
  void SetText(const std::string& text) override;

  HWND UpDownHandle() const { return upDown_; }
  void SetBounds(int left, int top, int width, int height) override;
  void SetEnabled(bool enabled) override;
  void SetFont(const Font& font) override;

  Event OnChange;
  void HandleCommand(int code) override;
  // Readers get the number as the value of a spin box.
  AccessibleElement DescribeAccessible(const AccessiblePath& path) const override;

 protected:
  bool WindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  int Clamp(long long value) const;
  void ShowValue();
  void PlaceUpDown();
  void Reclamp();

  HWND upDown_ = nullptr;
  int value_ = 0;
  int min_ = 0;
  int max_ = 100;
  int increment_ = 1;
  bool editorEnabled_ = true;
  bool showing_ = false;  // the text is being set from the value
};

}  // namespace framework
