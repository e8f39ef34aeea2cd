#include "framework/layout.h"

#include "framework/stdctrls.h"

namespace framework {

namespace {

Control* Create(Form& form, const ControlSpec& spec) {
  switch (spec.kind) {
    case ControlKind::Label: return form.Add<Label>(spec.name);
    case ControlKind::Image: return form.Add<Image>(spec.name);
    case ControlKind::Button: return form.Add<Button>(spec.name);
    case ControlKind::CheckBox: return form.Add<CheckBox>(spec.name);
    case ControlKind::Edit: return form.Add<Edit>(spec.name);
    case ControlKind::GroupBox: return form.Add<GroupBox>(spec.name);
    default: throw Exception(std::string("control kind not available for ") + spec.name);
  }
}

}  // namespace

void CreateControls(Form& form, std::initializer_list<ControlSpec> specs) {
  for (const ControlSpec& spec : specs) {
    Control* c = Create(form, spec);
    Font font = form.GetFont();
    if (spec.color != CLR_INVALID) font.color = spec.color;
    if (spec.fontHeight) font.height = spec.fontHeight;
    if (spec.flags & kBold) font.bold = true;
    if (auto* label = dynamic_cast<Label*>(c)) {
      label->SetTransparent(spec.flags & kTransparent);
      label->SetAutoSize(!(spec.flags & kFixedSize));
    }
    if (!(font == c->GetFont())) c->SetFont(font);
    int width = spec.width ? spec.width : c->Width();
    int height = spec.height ? spec.height : c->Height();
    c->SetBounds(spec.left, spec.top, width, height);
    if (spec.caption && *spec.caption) c->SetText(spec.caption);
    if (spec.flags & kDisabled) c->SetEnabled(false);
    if (spec.flags & kHidden) c->SetVisible(false);
  }
}

}  // namespace framework
