#pragma once
// A page control: the system's tab control with pages of controls, one page
// shown at a time. The page's controls are the form's own, laid over the
// tab control (see CreateControls for a page in layout.h); the page shows
// and puts them away as it becomes the active page or stops being it. The
// tab control draws the form's labels and frames that lie on it.
#include <memory>
#include <string>
#include <vector>

#include "framework/gui/forms.h"

namespace framework {

class PageControl;

class TabSheet {
 public:
  TabSheet(PageControl* owner, std::string caption);
  TabSheet(const TabSheet&) = delete;
  TabSheet& operator=(const TabSheet&) = delete;

  PageControl* Owner() const { return owner_; }
  const std::string& Caption() const { return caption_; }

  // A page whose tab is hidden has no tab to click; code may still show it.
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool visible);
  // A disabled page cannot be chosen by its tab.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }

  // Its position among the visible tabs; -1 when its tab is hidden.
  int TabIndex() const;

  // The controls on the page.
  const std::vector<Control*>& Controls() const { return controls_; }
  // Puts a control of the form on the page: from now on it shows only
  // while the page does.
  void Insert(Control* control);
  // The top-left corner of the page's area, in the form's client coordinates.
  POINT Origin() const;

 private:
  friend class PageControl;
  void SetShown(bool shown);

  PageControl* owner_;
  std::string caption_;
  bool tabVisible_ = true;
  bool enabled_ = true;
  bool shown_ = false;
  std::vector<Control*> controls_;
};

// Ctrl+Tab and Ctrl+Page Down show the next page wherever the focus is on
// the form, Ctrl+Shift+Tab and Ctrl+Page Up the one before; readers see the
// tabs as the control's elements.
class PageControl : public WinControl {
 public:
  PageControl(Form* owner, std::string name);
  ~PageControl() override;

  // Adds a page after the others. The first page added becomes the active one.
  TabSheet* AddPage(const std::string& caption);
  int PageCount() const { return static_cast<int>(pages_.size()); }
  TabSheet* Pages(int index) const;

  // The page shown. Setting it from code fires no event.
  TabSheet* ActivePage() const { return active_; }
  void SetActivePage(TabSheet* page);

  // The area the pages take, in the form's client coordinates.
  RECT PageArea() const;
  // The bounds of a visible tab, in the tab control's client coordinates.
  RECT TabRect(int tabIndex) const;

  // The user chose another page.
  Event OnChange;

  LRESULT HandleNotify(NMHDR* header) override;
  HBRUSH BackdropBrush() override;
  bool HandleFormKey(const MSG& key) override;

  AccessibleElement DescribeAccessible(const AccessiblePath& path) const override;
  int AccessibleCount(const AccessiblePath& path) const override;
  int AccessibleCurrent(const AccessiblePath& path) const override;
  int AccessibleAt(const AccessiblePath& path, POINT client) const override;
  void SelectAccessible(const AccessiblePath& path) override;

 protected:
  bool WindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  friend class TabSheet;
  // The tabs again, from the pages whose tab is visible.
  void RebuildTabs();
  // The page of a visible tab.
  TabSheet* PageOfTab(int tabIndex) const;
  int TabCount() const;
  // Shows a page as the user's choice of its tab does; false when it cannot be chosen.
  bool ChooseByUser(TabSheet* page);
  // Keeps the tab control under the controls of its pages.
  void StayBehind();

  // The tab control as the system draws it, into a device context.
  void DrawTabs(HDC dc, const RECT& client);
  void ForgetBrush();

  std::vector<std::unique_ptr<TabSheet>> pages_;
  TabSheet* active_ = nullptr;
  HBRUSH brush_ = nullptr;
  SIZE brushSize_{};
};

}  // namespace framework
