#include "support/accessible.h"

#include <oleacc.h>

#include "framework/base/text.h"

namespace {

std::string FromBstr(BSTR text) {
  std::string result = text ? framework::Narrow(std::wstring(text, SysStringLen(text))) : std::string();
  SysFreeString(text);
  return result;
}

VARIANT ChildId(long id) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

// What the object tells of itself (CHILDID_SELF) or of a simple element.
void ReadFields(IAccessible* object, long id, AccessibleNode& node) {
  VARIANT child = ChildId(id);
  BSTR text = nullptr;
  if (object->get_accName(child, &text) == S_OK) node.name = FromBstr(text);
  text = nullptr;
  if (object->get_accValue(child, &text) == S_OK) node.value = FromBstr(text);
  text = nullptr;
  if (object->get_accDescription(child, &text) == S_OK) node.description = FromBstr(text);
  VARIANT v;
  VariantInit(&v);
  if (SUCCEEDED(object->get_accRole(child, &v)) && v.vt == VT_I4) node.role = v.lVal;
  VariantClear(&v);
  if (SUCCEEDED(object->get_accState(child, &v)) && v.vt == VT_I4) node.state = v.lVal;
  VariantClear(&v);
}

AccessibleNode Read(IAccessible* object, int depth) {
  AccessibleNode node;
  node.object = true;
  ReadFields(object, CHILDID_SELF, node);
  if (depth <= 0) return node;
  long count = 0;
  if (FAILED(object->get_accChildCount(&count))) return node;
  for (long id = 1; id <= count; ++id) {
    IDispatch* dispatch = nullptr;
    IAccessible* child = nullptr;
    if (object->get_accChild(ChildId(id), &dispatch) == S_OK && dispatch &&
        SUCCEEDED(dispatch->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&child)))) {
      node.children.push_back(Read(child, depth - 1));
      child->Release();
    } else {
      AccessibleNode element;
      ReadFields(object, id, element);
      node.children.push_back(element);
    }
    if (dispatch) dispatch->Release();
  }
  return node;
}

}  // namespace

AccessibleNode ReadAccessible(HWND window, int depth, bool* ok) {
  // The thread may already be in an apartment; either kind serves.
  const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  AccessibleNode node;
  IAccessible* object = nullptr;
  const bool got = SUCCEEDED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                                        reinterpret_cast<void**>(&object))) && object;
  if (got) {
    node = Read(object, depth);
    object->Release();
  }
  if (ok) *ok = got;
  if (SUCCEEDED(init)) CoUninitialize();
  return node;
}

std::vector<std::string> ChildNames(const AccessibleNode& node) {
  std::vector<std::string> names;
  for (const AccessibleNode& child : node.children) names.push_back(child.name);
  return names;
}
