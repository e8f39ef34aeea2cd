#pragma once
// List box, combo box and memo.
//
// ListBox keeps its item texts in the wrapper and lets the system list box
// hold only their number and the selection (a no-data, owner-drawn list box):
// filling it with a hundred thousand names costs one message, not one per
// name, and drawing touches only the lines on screen. Such a list box cannot
// search its items itself, so the wrapper answers typing (see ListBox).
#include <functional>
#include <string>
#include <vector>

#include "framework/gui/forms.h"

namespace framework {

// The height of a line of text in the font, in pixels.
int FontLineHeight(HFONT font);

// Typing selects an item, as in every list of the system: the letters typed
// within the double-click time of each other make up the beginning of a
// name, and the first item from the selected one on (round to the top)
// that begins with them is selected; the same letter typed again steps to
// the next item beginning with it. Neither case nor the width or kana of
// Japanese letters matters. A selection by typing fires what a click fires.
//
// Readers get the items from the wrapper, one by one as they ask (see
// accessibility.h); every change of the selection is announced.
class ListBox : public WinControl {
 public:
  ListBox(Form* owner, std::string name);

  // When each typed character came, in milliseconds: the time of its window
  // message unless replaced (tests type at the times they choose). An empty
  // function restores the message time.
  using KeyClock = std::function<unsigned long()>;
  static void SetKeyClock(KeyClock clock);

  const std::vector<std::string>& Items() const { return items_; }
  int Count() const { return static_cast<int>(items_.size()); }
  // The text of item i; empty when i is out of range.
  std::string Item(int index) const;
  void AddItem(const std::string& text);
  void SetItems(std::vector<std::string> items);
  void Clear();
  // The first item equal to text, compared case-insensitively; -1 when none.
  int IndexOf(const std::string& text) const;

  // The selected item, -1 for none. Setting an index outside the list
  // clears the selection. Setting it from code fires no event.
  int ItemIndex() const;
  void SetItemIndex(int index);
  int TopIndex() const;
  void SetTopIndex(int index);

  // While updates are suspended, the list is neither counted nor repainted;
  // EndUpdate brings the window up to date. Calls nest.
  void BeginUpdate();
  void EndUpdate();

  int ItemHeight() const { return itemHeight_; }
  void SetFont(const Font& font) override;
  void SetBounds(int left, int top, int width, int height) override;

  // The user moved the selection (mouse or keyboard).
  Event OnChange;

  void HandleCommand(int code) override;
  bool HandleDrawItem(DRAWITEMSTRUCT* item) override;

  AccessibleElement DescribeAccessible(const AccessiblePath& path) const override;
  int AccessibleCount(const AccessiblePath& path) const override;
  int AccessibleCurrent(const AccessiblePath& path) const override;
  int AccessibleAt(const AccessiblePath& path, POINT client) const override;
  void SelectAccessible(const AccessiblePath& path) override;
  bool ActivateAccessible(const AccessiblePath& path) override;

 protected:
  // Draws item index into rect (background already filled, colours set).
  virtual void DrawItem(HDC dc, int index, RECT rect, bool selected);
  // Height of one line for the current font; derived lists may want room for icons.
  virtual int MeasureItemHeight();
  // Called after the user moved the selection, before OnChange.
  virtual void SelectionChanged() {}
  // Called on a double click on an item (before OnDblClick), and on Enter
  // when ActivatesOnEnter.
  virtual void ItemActivated(int index) {}
  virtual bool ActivatesOnEnter() const { return false; }
  bool WindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  void UpdateItemHeight();
  void SyncCount();

  std::vector<std::string> items_;

 private:
  void TypeAhead(wchar_t ch);
  // The user chose the item index: the selection, its announcement and the events.
  void SelectByUser(int index);
  // Tells readers where the selection is now.
  void AnnounceSelection() const;

  int itemHeight_ = 13;
  int updateDepth_ = 0;
  std::wstring typed_;  // the letters typed so far
  unsigned long lastKeyTime_ = 0;
};

// A drop-down list (the user picks, never types).
class ComboBox : public WinControl {
 public:
  ComboBox(Form* owner, std::string name);

  std::vector<std::string> Items() const;
  int Count() const;
  std::string Item(int index) const;  // empty when out of range
  void AddItem(const std::string& text);
  void Clear();
  int IndexOf(const std::string& text) const;  // exact match, -1 when none
  // -1: nothing chosen. An index outside the list chooses nothing. Setting
  // it from code fires no event.
  int ItemIndex() const;
  virtual void SetItemIndex(int index);
  // The text of the chosen item.
  std::string Text() const override;

  // Bounds are those of the closed box; the drop-down list hangs below.
  // The window takes in the list's height when the list first drops down:
  // the list is a window of the desktop, and each of its sizes costs one
  // of its own.
  void SetBounds(int left, int top, int width, int height) override;
  void SetDropDownCount(int lines);

  // The user chose an item.
  Event OnChange;
  void HandleCommand(int code) override;

  // Readers get the chosen text as the box's value and the entries as its elements.
  AccessibleElement DescribeAccessible(const AccessiblePath& path) const override;
  int AccessibleCount(const AccessiblePath& path) const override;
  int AccessibleCurrent(const AccessiblePath& path) const override;
  void SelectAccessible(const AccessiblePath& path) override;

 protected:
  ComboBox(Form* owner, std::string name, DWORD extraStyle);
  // Called when the user has chosen an item; the default fires OnChange.
  virtual void UserChanged();

 private:
  int dropDownCount_ = 8;
  bool listSized_ = false;  // the window's height takes in the list's
};

// A multi-line text.
class Memo : public WinControl {
 public:
  Memo(Form* owner, std::string name);

  // Lines of the text (line breaks CR LF in the window).
  std::vector<std::string> Lines() const;
  void SetLines(const std::vector<std::string>& lines);
  void AddLine(const std::string& line);
  void Clear();
  void SetReadOnly(bool on);
  bool ReadOnly() const;
  // Whether Enter starts a new line (otherwise it goes to the form).
  void SetWantReturns(bool on);
  // The blank space, in pixels, left of and right of the text.
  void SetMargins(int left, int right);
  void SetFont(const Font& font) override;
  // The font's colour; under high contrast the system's.
  COLORREF TextColor() const override;

  Event OnChange;
  void HandleCommand(int code) override;
  AccessibleElement DescribeAccessible(const AccessiblePath& path) const override;

 protected:
  bool WindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

// Splits text at CR LF, CR or LF. A final line break ends the last line
// rather than starting an empty one.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace framework
