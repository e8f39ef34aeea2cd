#pragma once
// A scroll box: a sunken frame holding graphic controls (a picture larger
// than the window) that scroll inside it. What it can scroll over reaches
// from its top-left corner to the furthest right and bottom edges of the
// visible controls in it; a scroll bar shows only where that exceeds the
// client area. It takes the focus, and the arrows, Page Up and Down, Home
// and End scroll it.
#include <vector>

#include "framework/gui/forms.h"

namespace framework {

class ScrollBox : public WinControl {
 public:
  ScrollBox(Form* owner, std::string name);

  // Puts a graphic control of the same form inside the box: from then on
  // its bounds are in the box's content coordinates, and the box paints it
  // and hands it its clicks and double clicks.
  void Insert(GraphicControl* control);

  // The content's extent (see above).
  SIZE ContentSize() const;
  // The content point shown at the client area's top-left corner.
  POINT ScrollPosition() const { return position_; }
  // Scrolls that point as close to the top-left corner as the range allows.
  void ScrollTo(int x, int y);

  void InvalidateContent(const RECT& area) override;
  void ContentChanged() override;
  // Readers see a pane, named as the form names it.
  AccessibleElement DescribeAccessible(const AccessiblePath& path) const override;

 protected:
  bool WindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  void UpdateScrollBars();
  void ScrollBy(int bar, int code);
  void KeyDown(WPARAM key);
  // Paints a part of the client area (also for WM_PRINTCLIENT).
  void Paint(HDC dc, const RECT& area);
  // The control under a point of the client area.
  GraphicControl* ControlAt(LPARAM clientPoint) const;

  std::vector<GraphicControl*> controls_;
  POINT position_{0, 0};
  bool updatingBars_ = false;
  GraphicControl* pressed_ = nullptr;
};

}  // namespace framework
