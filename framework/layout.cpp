#include "framework/layout.h"

#include "framework/filectrls.h"
#include "framework/grids.h"
#include "framework/listctrls.h"
#include "framework/spinedit.h"
#include "framework/stdctrls.h"

namespace framework {

namespace {

Control* Create(Form& form, const ControlSpec& entry) {
  switch (entry.kind) {
    case ControlKind::Label: return form.Add<Label>(entry.name);
    case ControlKind::Image: return form.Add<Image>(entry.name);
    case ControlKind::Button: return form.Add<Button>(entry.name);
    case ControlKind::CheckBox: return form.Add<CheckBox>(entry.name);
    case ControlKind::Edit: return form.Add<Edit>(entry.name);
    case ControlKind::GroupBox: return form.Add<GroupBox>(entry.name);
    case ControlKind::DriveComboBox: return form.Add<DriveComboBox>(entry.name);
    case ControlKind::DirectoryListBox: return form.Add<DirectoryListBox>(entry.name);
    case ControlKind::FileListBox: return form.Add<FileListBox>(entry.name);
    case ControlKind::FilterComboBox: return form.Add<FilterComboBox>(entry.name);
    case ControlKind::SpinEdit: return form.Add<SpinEdit>(entry.name);
    case ControlKind::StringGrid: return form.Add<StringGrid>(entry.name);
    case ControlKind::ListBox: return form.Add<ListBox>(entry.name);
    case ControlKind::ComboBox: return form.Add<ComboBox>(entry.name);
    case ControlKind::Memo: return form.Add<Memo>(entry.name);
    default: throw Exception(std::string("control kind not available for ") + entry.name);
  }
}

}  // namespace

void CreateControls(Form& form, std::initializer_list<ControlSpec> entries) {
  for (const ControlSpec& entry : entries) {
    Control* c = Create(form, entry);
    Font font = form.GetFont();
    if (entry.color != CLR_INVALID) font.color = entry.color;
    if (entry.fontHeight) font.height = entry.fontHeight;
    if (entry.flags & kBold) font.bold = true;
    if (auto* label = dynamic_cast<Label*>(c)) {
      label->SetTransparent(entry.flags & kTransparent);
      label->SetAutoSize(!(entry.flags & kFixedSize));
    }
    if (!(font == c->GetFont())) c->SetFont(font);
    int width = entry.width ? entry.width : c->Width();
    int height = entry.height ? entry.height : c->Height();
    c->SetBounds(entry.left, entry.top, width, height);
    if (entry.caption && *entry.caption) c->SetText(entry.caption);
    if (entry.flags & kDisabled) c->SetEnabled(false);
    if (entry.flags & kHidden) c->SetVisible(false);
  }
}

}  // namespace framework
