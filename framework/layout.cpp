#include "framework/layout.h"

#include "framework/filectrls.h"
#include "framework/grids.h"
#include "framework/listctrls.h"
#include "framework/spinedit.h"
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
    case ControlKind::DriveComboBox: return form.Add<DriveComboBox>(spec.name);
    case ControlKind::DirectoryListBox: return form.Add<DirectoryListBox>(spec.name);
    case ControlKind::FileListBox: return form.Add<FileListBox>(spec.name);
    case ControlKind::FilterComboBox: return form.Add<FilterComboBox>(spec.name);
    case ControlKind::SpinEdit: return form.Add<SpinEdit>(spec.name);
    case ControlKind::StringGrid: return form.Add<StringGrid>(spec.name);
    case ControlKind::ListBox: return form.Add<ListBox>(spec.name);
    case ControlKind::ComboBox: return form.Add<ComboBox>(spec.name);
    case ControlKind::Memo: return form.Add<Memo>(spec.name);
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
