#include "framework/gui/accessibility.h"

#include <oleacc.h>

#include <new>

#include "framework/base/text.h"

namespace framework {

namespace {

constexpr wchar_t kSourceProperty[] = L"Kaleidon.Accessible";

// The system's functions the objects need, bound on the first question.
struct OleFunctions {
  decltype(&::CoInitializeEx) coInitializeEx = nullptr;
  decltype(&::LresultFromObject) lresultFromObject = nullptr;
  decltype(&::CreateStdAccessibleObject) createStdAccessibleObject = nullptr;
  decltype(&::AccessibleObjectFromWindow) accessibleObjectFromWindow = nullptr;
  decltype(&::SysAllocStringLen) sysAllocStringLen = nullptr;
};

template <class F>
bool Bind(HMODULE module, const char* name, F& function) {
  function = module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
  return function != nullptr;
}

const OleFunctions* Ole() {
  static const OleFunctions* functions = [] () -> const OleFunctions* {
    static OleFunctions f;
    HMODULE ole32 = LoadLibraryW(L"ole32.dll");
    HMODULE oleaut32 = LoadLibraryW(L"oleaut32.dll");
    HMODULE oleacc = LoadLibraryW(L"oleacc.dll");
    bool bound = Bind(ole32, "CoInitializeEx", f.coInitializeEx) &&
                 Bind(oleacc, "LresultFromObject", f.lresultFromObject) &&
                 Bind(oleacc, "CreateStdAccessibleObject", f.createStdAccessibleObject) &&
                 Bind(oleacc, "AccessibleObjectFromWindow", f.accessibleObjectFromWindow) &&
                 Bind(oleaut32, "SysAllocStringLen", f.sysAllocStringLen);
    return bound ? &f : nullptr;
  }();
  return functions;
}

// Objects are called on the window's own thread, which must be in a
// single-threaded apartment for that.
bool ThreadReadyForObjects(const OleFunctions& ole) {
  thread_local const bool ready = [&ole] {
    HRESULT hr = ole.coInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    return SUCCEEDED(hr);  // S_FALSE: it was already
  }();
  return ready;
}

HRESULT TextResult(const std::string& text, BSTR* out) {
  *out = nullptr;
  if (text.empty()) return S_FALSE;
  std::wstring wide = Widen(text);
  *out = Ole()->sysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

void SetEmpty(VARIANT* v) {
  v->vt = VT_EMPTY;
}

void SetChildId(VARIANT* v, LONG id) {
  v->vt = VT_I4;
  v->lVal = id;
}

// Runs the body of a method; nothing thrown leaves for the caller's process.
template <class Body>
HRESULT Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

// The object of a window's client area (path empty) or of an element with
// elements of its own. It holds the window and the path, never the control:
// it asks the window's source anew on every call, and answers that it is
// gone once the window is.
class AccessibleObject final : public IAccessible, public IOleWindow {
 public:
  AccessibleObject(HWND window, AccessiblePath path) : window_(window), path_(std::move(path)) {}
  ~AccessibleObject() {
    if (standard_) standard_->Release();
  }
  AccessibleObject(const AccessibleObject&) = delete;
  AccessibleObject& operator=(const AccessibleObject&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible)) {
      *out = static_cast<IAccessible*>(this);
    } else if (iid == IID_IOleWindow) {
      *out = static_cast<IOleWindow*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: readers call the interface's methods directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IOleWindow
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    if (!window) return E_POINTER;
    *window = window_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return Guarded([&]() -> HRESULT {
      *parent = nullptr;
      if (!Source()) return CO_E_OBJNOTCONNECTED;
      if (path_.empty()) return Standard() ? Standard()->get_accParent(parent) : S_FALSE;
      return NewObject(AccessiblePath(path_.begin(), path_.end() - 1), parent);
    });
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    return Guarded([&]() -> HRESULT {
      *count = 0;
      AccessibleSource* source = Source();
      if (!source) return CO_E_OBJNOTCONNECTED;
      *count = source->AccessibleCount(path_);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    return Guarded([&]() -> HRESULT {
      *object = nullptr;
      AccessiblePath path;
      if (!Resolve(child, path) || path == path_) return E_INVALIDARG;
      VARIANT v;
      HRESULT hr = ElementVariant(path.back(), &v);
      if (FAILED(hr)) return hr;
      if (v.vt != VT_DISPATCH) return S_FALSE;  // a simple element: the parent answers for it
      *object = v.pdispVal;
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return Described(child, name, [](const AccessibleElement& e) { return e.name; });
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return Described(child, value, [](const AccessibleElement& e) { return e.value; });
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    return Described(child, description, [](const AccessibleElement& e) { return e.description; });
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    return Guarded([&]() -> HRESULT {
      SetEmpty(role);
      AccessiblePath path;
      if (!Resolve(child, path)) return E_INVALIDARG;
      AccessibleElement e = Source()->DescribeAccessible(path);
      if (e.role == 0) {
        if (path.empty() && Standard()) return Standard()->get_accRole(child, role);
        e.role = ROLE_SYSTEM_CLIENT;
      }
      SetChildId(role, e.role);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return Guarded([&]() -> HRESULT {
      SetEmpty(state);
      AccessiblePath path;
      if (!Resolve(child, path)) return E_INVALIDARG;
      LONG flags = Source()->DescribeAccessible(path).state;
      VARIANT system;
      SetEmpty(&system);
      if (path.empty() && Standard() && SUCCEEDED(Standard()->get_accState(child, &system)) && system.vt == VT_I4)
        flags |= system.lVal;
      SetChildId(state, flags);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override {
    *help = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
    *file = nullptr;
    *topic = 0;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return Guarded([&]() -> HRESULT {
      *shortcut = nullptr;
      AccessiblePath path;
      if (!Resolve(child, path)) return E_INVALIDARG;
      if (path.empty() && Standard()) return Standard()->get_accKeyboardShortcut(child, shortcut);
      return S_FALSE;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    return Guarded([&]() -> HRESULT {
      SetEmpty(focus);
      AccessibleSource* source = Source();
      if (!source) return CO_E_OBJNOTCONNECTED;
      HWND focused = ::GetFocus();
      if (!focused || (focused != window_ && !IsChild(window_, focused))) return S_FALSE;
      if (focused == window_) {
        int current = source->AccessibleCurrent(path_);
        if (current >= 0) return ElementVariant(current, focus);
        if (!path_.empty()) return S_FALSE;
        SetChildId(focus, CHILDID_SELF);
        return S_OK;
      }
      // A child window has it: the element that stands for that window.
      for (int i = 0, n = source->AccessibleCount(path_); i < n; ++i) {
        HWND element = source->DescribeAccessible(Below(i)).window;
        if (element && (element == focused || IsChild(element, focused))) return ElementVariant(i, focus);
      }
      return path_.empty() && Standard() ? Standard()->get_accFocus(focus) : S_FALSE;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    return Guarded([&]() -> HRESULT {
      SetEmpty(selection);
      AccessibleSource* source = Source();
      if (!source) return CO_E_OBJNOTCONNECTED;
      int current = source->AccessibleCurrent(path_);
      return current >= 0 ? ElementVariant(current, selection) : S_FALSE;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return Guarded([&]() -> HRESULT {
      *action = nullptr;
      AccessiblePath path;
      if (!Resolve(child, path)) return E_INVALIDARG;
      if (path.empty() && Standard()) return Standard()->get_accDefaultAction(child, action);
      return S_FALSE;
    });
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
    return Guarded([&]() -> HRESULT {
      AccessiblePath path;
      if (!Resolve(child, path)) return E_INVALIDARG;
      if (flags & SELFLAG_TAKEFOCUS) ::SetFocus(window_);
      if (path.empty()) return S_OK;
      if (flags & (SELFLAG_TAKESELECTION | SELFLAG_ADDSELECTION | SELFLAG_TAKEFOCUS)) Source()->SelectAccessible(path);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
    return Guarded([&]() -> HRESULT {
      *left = *top = *width = *height = 0;
      AccessiblePath path;
      if (!Resolve(child, path)) return E_INVALIDARG;
      if (path.empty()) {
        if (Standard()) return Standard()->accLocation(left, top, width, height, child);
        RECT client;
        GetClientRect(window_, &client);
        return Place(client, left, top, width, height);
      }
      return Place(Source()->DescribeAccessible(path).bounds, left, top, width, height);
    });
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    return Guarded([&]() -> HRESULT {
      SetEmpty(end);
      AccessiblePath from;
      if (!Resolve(start, from)) return E_INVALIDARG;
      const int count = Source()->AccessibleCount(path_);
      if (from == path_) {
        if (direction == NAVDIR_FIRSTCHILD && count > 0) return ElementVariant(0, end);
        if (direction == NAVDIR_LASTCHILD && count > 0) return ElementVariant(count - 1, end);
        if (path_.empty() && Standard()) return Standard()->accNavigate(direction, start, end);
        return S_FALSE;
      }
      int index = from.back();
      if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN) ++index;
      else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP) --index;
      else return S_FALSE;
      return index >= 0 && index < count ? ElementVariant(index, end) : S_FALSE;
    });
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
    return Guarded([&]() -> HRESULT {
      SetEmpty(child);
      AccessibleSource* source = Source();
      if (!source) return CO_E_OBJNOTCONNECTED;
      POINT p{x, y};
      RECT client;
      GetClientRect(window_, &client);
      if (!ScreenToClient(window_, &p) || !PtInRect(&client, p)) return S_FALSE;
      if (!path_.empty()) {
        RECT own = source->DescribeAccessible(path_).bounds;
        if (!PtInRect(&own, p)) return S_FALSE;
      }
      int index = source->AccessibleAt(path_, p);
      if (index >= 0) return ElementVariant(index, child);
      SetChildId(child, CHILDID_SELF);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return Guarded([&]() -> HRESULT {
      AccessiblePath path;
      if (!Resolve(child, path)) return E_INVALIDARG;
      if (Source()->ActivateAccessible(path)) return S_OK;
      if (path.empty() && Standard()) return Standard()->accDoDefaultAction(child);
      return DISP_E_MEMBERNOTFOUND;
    });
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  AccessibleSource* Source() const {
    return IsWindow(window_) ? static_cast<AccessibleSource*>(GetPropW(window_, kSourceProperty)) : nullptr;
  }

  // The system's own object of the window, which answers what the window
  // itself knows (its place, parent, state and keyboard shortcut).
  IAccessible* Standard() {
    if (!standard_ && path_.empty() && Ole())
      Ole()->createStdAccessibleObject(window_, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&standard_));
    return standard_;
  }

  AccessiblePath Below(int index) const {
    AccessiblePath path = path_;
    path.push_back(index);
    return path;
  }

  // The path a child id names: this object's own (CHILDID_SELF) or that of
  // one of its elements, counted from 1. False when it names none, or the
  // window is gone.
  bool Resolve(const VARIANT& child, AccessiblePath& path) const {
    AccessibleSource* source = Source();
    if (!source || child.vt != VT_I4) return false;
    if (child.lVal == CHILDID_SELF) {
      path = path_;
      return true;
    }
    if (child.lVal < 1 || child.lVal > source->AccessibleCount(path_)) return false;
    path = Below(child.lVal - 1);
    return true;
  }

  // An element as a reader gets it: the object of its window or its own
  // object where it has one, else its child id.
  HRESULT ElementVariant(int index, VARIANT* out) {
    SetEmpty(out);
    AccessibleElement e = Source()->DescribeAccessible(Below(index));
    IDispatch* object = nullptr;
    HRESULT hr;
    if (e.window) {
      // The client area's object, which carries the control's own name,
      // role and value: not every system's object of the window as a whole
      // asks its client for those.
      hr = Ole()->accessibleObjectFromWindow(e.window, static_cast<DWORD>(OBJID_CLIENT), IID_IDispatch,
                                             reinterpret_cast<void**>(&object));
    } else if (e.hasElements) {
      hr = NewObject(Below(index), &object);
    } else {
      SetChildId(out, index + 1);
      return S_OK;
    }
    if (FAILED(hr) || !object) return FAILED(hr) ? hr : E_FAIL;
    out->vt = VT_DISPATCH;
    out->pdispVal = object;
    return S_OK;
  }

  HRESULT NewObject(AccessiblePath path, IDispatch** out) {
    auto* object = new AccessibleObject(window_, std::move(path));
    *out = object;  // the one reference it was made with
    return S_OK;
  }

  HRESULT Place(RECT r, LONG* left, LONG* top, LONG* width, LONG* height) const {
    MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&r), 2);
    *left = r.left;
    *top = r.top;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return S_OK;
  }

  template <class Field>
  HRESULT Described(const VARIANT& child, BSTR* out, Field field) {
    return Guarded([&]() -> HRESULT {
      *out = nullptr;
      AccessiblePath path;
      if (!Resolve(child, path)) return E_INVALIDARG;
      return TextResult(field(Source()->DescribeAccessible(path)), out);
    });
  }

  LONG refs_ = 1;
  HWND window_;
  AccessiblePath path_;
  IAccessible* standard_ = nullptr;
};

}  // namespace

LRESULT AnswerGetObject(HWND window, AccessibleSource& source, WPARAM wp, LPARAM lp) {
  // The object id comes as a 32-bit number, whatever the width of lParam.
  if (static_cast<LONG>(static_cast<DWORD>(lp)) != OBJID_CLIENT) return 0;
  const OleFunctions* ole = Ole();
  if (!ole || !ThreadReadyForObjects(*ole)) return 0;
  SetPropW(window, kSourceProperty, &source);
  auto* object = new (std::nothrow) AccessibleObject(window, {});
  if (!object) return 0;
  LRESULT result = ole->lresultFromObject(__uuidof(IAccessible), wp, static_cast<IAccessible*>(object));
  object->Release();
  return result > 0 ? result : 0;
}

void AnnounceAccessible(DWORD event, HWND window, int index) {
  if (window) NotifyWinEvent(event, window, OBJID_CLIENT, index < 0 ? CHILDID_SELF : index + 1);
}

std::string WithoutMnemonic(const std::string& caption) {
  // A letter in brackets after a Japanese caption ("終了(&X)") is there
  // for the key alone: the name is the caption before it.
  const size_t mark = caption.find("(&");
  if (mark != std::string::npos && mark > 0 && mark + 4 <= caption.size() && caption[mark + 2] != '&' &&
      caption[mark + 3] == ')') {
    return WithoutMnemonic(caption.substr(0, mark) + caption.substr(mark + 4));
  }
  std::string name;
  name.reserve(caption.size());
  for (size_t i = 0; i < caption.size(); ++i) {
    // The character after a mark stays: the mnemonic's letter, or "&" of "&&".
    if (caption[i] == '&' && ++i == caption.size()) break;
    name += caption[i];
  }
  return name;
}

namespace {
std::optional<bool>& HighContrastOverride() {
  static std::optional<bool> override;
  return override;
}
}  // namespace

bool HighContrast() {
  if (HighContrastOverride()) return *HighContrastOverride();
  HIGHCONTRASTW setting{};
  setting.cbSize = sizeof setting;
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof setting, &setting, 0) &&
         (setting.dwFlags & HCF_HIGHCONTRASTON);
}

void OverrideHighContrast(std::optional<bool> on) { HighContrastOverride() = on; }

COLORREF OwnColor(COLORREF own, int systemColor) {
  return own == CLR_INVALID || HighContrast() ? GetSysColor(systemColor) : own;
}

}  // namespace framework
