#include "framework/gui/layout.h"

#include "framework/gui/comctrls.h"
#include "framework/gui/stdctrls.h"

namespace framework {

namespace {

// Makes the control of one row, placed with its position moved by offset.
Control* CreateControl(Form& form, const ControlSpec& row, POINT offset) {
  const int left = offset.x + form.Scale(row.left), top = offset.y + form.Scale(row.top);
  const ControlPlacement placement{
      RECT{left, top, left + (row.width ? form.Scale(row.width) : 0), top + (row.height ? form.Scale(row.height) : 0)},
      row.caption, (row.flags & kHidden) != 0, (row.flags & kDisabled) != 0};
  form.PlaceNextControl(&placement);
  Control* c = row.Create(form);
  // A control with a window of its own was made in its place.
  const bool placed = form.NextPlacement() == nullptr;
  form.PlaceNextControl(nullptr);
  Font font = form.GetFont();
  if (row.color != CLR_INVALID) font.color = row.color;
  if (row.fontHeight) font.height = row.fontHeight;
  if (row.fontFace) font.face = row.fontFace;
  if (row.flags & kBold) font.bold = true;
  if (auto* label = dynamic_cast<Label*>(c)) {
    label->SetTransparent(row.flags & kTransparent);
    label->SetAutoSize(!(row.flags & kFixedSize));
  }
  if (!(font == c->GetFont())) c->SetFont(font);
  // The table is at 96 DPI; a control's own default size is already the form's.
  int width = row.width ? form.Scale(row.width) : c->Width();
  int height = row.height ? form.Scale(row.height) : c->Height();
  const RECT wanted{left, top, left + width, top + height}, now = c->Bounds();
  if (!placed || !EqualRect(&wanted, &now)) c->SetBounds(left, top, width, height);
  if (placed) return c;
  if (row.caption && *row.caption) c->SetText(row.caption);
  if (row.flags & kDisabled) c->SetEnabled(false);
  if (row.flags & kHidden) c->SetVisible(false);
  return c;
}

// Links the labels of a table to the controls they name, as the rows made
// so far tell.
class LabelLinks {
 public:
  void Made(Control* control, const ControlSpec& row) {
    if (auto* named = dynamic_cast<WinControl*>(control)) {
      if (pending_) named->SetLabel(pending_);
      pending_ = nullptr;
    }
    if (row.flags & kNamesNext) pending_ = control;
    if (auto* named = dynamic_cast<WinControl*>(previous_); named && (row.flags & kNamesPrevious))
      named->SetLabel(control);
    previous_ = control;
  }

 private:
  Control* pending_ = nullptr;   // names the next windowed control made
  Control* previous_ = nullptr;  // the control of the row before
};

}  // namespace

void CreateControls(Form& form, std::initializer_list<ControlSpec> rows) {
  LabelLinks links;
  for (const ControlSpec& row : rows) links.Made(CreateControl(form, row, POINT{0, 0}), row);
}

void CreateControls(TabSheet& page, std::initializer_list<ControlSpec> rows) {
  Form& form = *page.Owner()->Owner();
  LabelLinks links;
  for (const ControlSpec& row : rows) {
    Control* c = CreateControl(form, row, page.Origin());
    // Labels let the page show through, whatever its colour.
    if (auto* label = dynamic_cast<Label*>(c)) label->SetTransparent(true);
    page.Insert(c);
    links.Made(c, row);
  }
}

}  // namespace framework
