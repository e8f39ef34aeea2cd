#include <gtest/gtest.h>

#include <oleacc.h>

#include "framework/base/text.h"
#include "framework/gui/accessibility.h"
#include "framework/gui/application.h"
#include "framework/gui/layout.h"
#include "framework/gui/listctrls.h"

using namespace framework;

namespace {

FormStyle ListFormStyle() { return FormStyle::FixedDialog("TListControlsTest", "リスト", 386, 166); }

void Notify(Form& form, WinControl& control, int code) {
  SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control.Handle()), code),
               reinterpret_cast<LPARAM>(control.Handle()));
}

}  // namespace

TEST(ListBox, KeepsItsItemsInStepWithTheWindowAndReportsTheUsersChoices) {
  Form form(ListFormStyle());
  ListBox* list = nullptr;
  CreateControls(form, {{&list, 0, 0, 306, 156}});
  int changes = 0;
  list->OnChange = [&] { ++changes; };

  list->BeginUpdate();
  for (const char* name : {"pics/sun.bmp", "pics/moon.jpg", "正義.bmp"}) list->AddItem(name);
  EXPECT_EQ(SendMessageW(list->Handle(), LB_GETCOUNT, 0, 0), 0);  // not yet while suspended
  list->EndUpdate();
  EXPECT_EQ(SendMessageW(list->Handle(), LB_GETCOUNT, 0, 0), 3);
  list->AddItem("last.gif");
  EXPECT_EQ(SendMessageW(list->Handle(), LB_GETCOUNT, 0, 0), 4);
  EXPECT_EQ(list->Item(2), "正義.bmp");
  EXPECT_EQ(list->Item(9), "");
  EXPECT_EQ(list->IndexOf("PICS/MOON.JPG"), 1);
  EXPECT_EQ(list->IndexOf("none"), -1);

  list->SetItemIndex(1);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(changes, 0);
  SendMessageW(list->Handle(), LB_SETCURSEL, 3, 0);
  Notify(form, *list, LBN_SELCHANGE);
  EXPECT_EQ(list->ItemIndex(), 3);
  EXPECT_EQ(changes, 1);
  // Typing a letter jumps to the next item starting with it.
  SendMessageW(list->Handle(), WM_CHAR, L'P', 1);
  EXPECT_EQ(list->ItemIndex(), 0);
  EXPECT_EQ(changes, 2);

  list->Clear();
  EXPECT_EQ(list->Count(), 0);
  EXPECT_EQ(list->ItemIndex(), -1);
  EXPECT_EQ(SendMessageW(list->Handle(), LB_GETCOUNT, 0, 0), 0);
}

TEST(ComboBox, ChoosesByIndexAndReportsOnlyTheUsersChoice) {
  Form form(ListFormStyle());
  ComboBox* combo = nullptr;
  CreateControls(form, {{&combo, 5, 5, 150}});
  int changes = 0;
  combo->OnChange = [&] { ++changes; };
  for (const char* item : {"一", "二", "三"}) combo->AddItem(item);
  EXPECT_EQ(combo->ItemIndex(), -1);
  combo->SetItemIndex(2);
  EXPECT_EQ(combo->Text(), "三");
  combo->SetItemIndex(3);
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(combo->Text(), "");
  EXPECT_EQ(changes, 0);
  SendMessageW(combo->Handle(), CB_SETCURSEL, 1, 0);
  Notify(form, *combo, CBN_SELCHANGE);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(combo->Items(), (std::vector<std::string>{"一", "二", "三"}));
  EXPECT_EQ(combo->Height(), 20);  // the closed box; the drop-down hangs below it
}

TEST(Memo, KeepsLinesAndColourAndReportsDoubleClicks) {
  Form form(ListFormStyle());
  Memo* memo = nullptr;
  CreateControls(form, {{&memo, 5, 5, 300, 120}});
  memo->SetLines({"表示（読み込み）させたいファイルの拡張子を自由に設定", "できます。", "", "*.BMP"});
  EXPECT_EQ(memo->Lines(), (std::vector<std::string>{"表示（読み込み）させたいファイルの拡張子を自由に設定",
                                                     "できます。", "", "*.BMP"}));
  EXPECT_EQ(memo->Text(), "表示（読み込み）させたいファイルの拡張子を自由に設定\r\nできます。\r\n\r\n*.BMP");
  memo->AddLine("end");
  EXPECT_EQ(memo->Lines().back(), "end");
  memo->SetReadOnly(true);
  EXPECT_TRUE(memo->ReadOnly());
  Font font = memo->GetFont();
  font.color = RGB(0, 128, 128);
  memo->SetFont(font);
  EXPECT_EQ(memo->TextColor(), RGB(0, 128, 128));
  int doubles = 0;
  memo->OnDblClick = [&] { ++doubles; };
  SendMessageW(memo->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
  EXPECT_EQ(doubles, 1);

  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n"), std::vector<std::string>{"a"});
  EXPECT_EQ(SplitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
  EXPECT_TRUE(SplitLines("").empty());
}

TEST(ListBox, AReaderGetsEachOfAHundredThousandItemsAndChoosesOne) {
  Form form(ListFormStyle());
  ListBox* list = nullptr;
  CreateControls(form, {{&list, 0, 0, 306, 156}});
  list->SetAccessibleName("ファイル");
  std::vector<std::string> items;
  for (int i = 0; i < 100000; ++i) items.push_back("Picture " + std::to_string(i) + ".jpg");
  list->SetItems(items);
  int changes = 0;
  list->OnChange = [&] { ++changes; };

  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IAccessible* object = nullptr;
  ASSERT_TRUE(SUCCEEDED(AccessibleObjectFromWindow(list->Handle(), static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                                   reinterpret_cast<void**>(&object))));
  auto name = [&](LONG id) {
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = id;
    BSTR text = nullptr;
    std::string result = object->get_accName(child, &text) == S_OK ? Narrow(text) : "(none)";
    SysFreeString(text);
    return result;
  };
  LONG count = 0;
  EXPECT_EQ(object->get_accChildCount(&count), S_OK);
  EXPECT_EQ(count, 100000);
  EXPECT_EQ(name(CHILDID_SELF), "ファイル");
  EXPECT_EQ(name(1), "Picture 0.jpg");
  EXPECT_EQ(name(100000), "Picture 99999.jpg");
  EXPECT_EQ(name(100001), "(none)");

  VARIANT last;
  VariantInit(&last);
  last.vt = VT_I4;
  last.lVal = 100000;
  EXPECT_EQ(object->accSelect(SELFLAG_TAKESELECTION, last), S_OK);
  EXPECT_EQ(list->ItemIndex(), 99999);
  EXPECT_EQ(changes, 1);  // as the user's choice
  VARIANT state;
  VariantInit(&state);
  EXPECT_EQ(object->get_accState(last, &state), S_OK);
  EXPECT_TRUE(state.lVal & STATE_SYSTEM_SELECTED);
  object->Release();
  CoUninitialize();
}

TEST(AccessibleNames, CaptionsLoseTheirMnemonicMarks) {
  const std::pair<const char*, const char*> cases[] = {
      {"終了(&X)", "終了"}, {"ﾌｫﾙﾀﾞﾘｽﾄ(&L)", "ﾌｫﾙﾀﾞﾘｽﾄ"}, {"&Open", "Open"}, {"Save && quit", "Save & quit"},
      {"(&A)", "(A)"},      {"trailing &", "trailing "}, {"a (&&) b", "a (&) b"},  {"", ""},
  };
  for (const auto& [caption, name] : cases) EXPECT_EQ(WithoutMnemonic(caption), name) << caption;
}
