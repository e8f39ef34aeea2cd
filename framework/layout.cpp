#include "framework/layout.h"

#include "framework/stdctrls.h"

namespace framework {

void CreateControls(Form& form, std::initializer_list<ControlSpec> rows) {
  for (const ControlSpec& row : rows) {
    Control* c = row.Create(form);
    Font font = form.GetFont();
    if (row.color != CLR_INVALID) font.color = row.color;
    if (row.fontHeight) font.height = row.fontHeight;
    if (row.flags & kBold) font.bold = true;
    if (auto* label = dynamic_cast<Label*>(c)) {
      label->SetTransparent(row.flags & kTransparent);
      label->SetAutoSize(!(row.flags & kFixedSize));
    }
    if (!(font == c->GetFont())) c->SetFont(font);
    int width = row.width ? row.width : c->Width();
    int height = row.height ? row.height : c->Height();
    c->SetBounds(row.left, row.top, width, height);
    if (row.caption && *row.caption) c->SetText(row.caption);
    if (row.flags & kDisabled) c->SetEnabled(false);
    if (row.flags & kHidden) c->SetVisible(false);
  }
}

}  // namespace framework
