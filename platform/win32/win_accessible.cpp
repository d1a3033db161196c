#include "platform/win32/win_accessible.h"

// Needs windows.h first.
// clang-format off
#include <oleacc.h>
// clang-format on

#include "platform/win32/win_system_dll.h"
#include "platform/win32/win_text.h"
#include "platform/win32/win_window_view.h"

namespace xr::win32 {

namespace {

// Our own: mingw's import library hands out the address of a stub for oleacc's, and Wine then
// answers E_NOINTERFACE.
constexpr IID kIidAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// oleacc is not among the DLLs Windows always takes from its own folder: a copy planted beside
// the program would be loaded by a static import. Loaded from the system folder by name, at the
// first reader's question, so that a start with no reader pays nothing.
struct Oleacc {
  decltype(&LresultFromObject) lresult = nullptr;
  decltype(&CreateStdAccessibleObject) standard = nullptr;
  decltype(&AccessibleObjectFromWindow) fromWindow = nullptr;
  // COM's, loaded with the rest so that a start with no reader loads none of them either.
  decltype(&SysAllocStringLen) allocString = nullptr;
};

const Oleacc* Library() {
  static const Oleacc lib = [] {
    Oleacc out;
    // A reader in another process reaches our objects through COM, which delivers its calls to
    // this thread's message loop; in any other apartment they would come on COM's own threads.
    // Kept until the process ends: the objects handed out may be called until then.
    const auto init = SystemProc<decltype(&CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
    if (init == nullptr || FAILED(init(nullptr, COINIT_APARTMENTTHREADED))) return out;
    out.lresult = SystemProc<decltype(&LresultFromObject)>(L"oleacc.dll", "LresultFromObject");
    out.standard = SystemProc<decltype(&CreateStdAccessibleObject)>(L"oleacc.dll",
                                                                    "CreateStdAccessibleObject");
    out.fromWindow = SystemProc<decltype(&AccessibleObjectFromWindow)>(
        L"oleacc.dll", "AccessibleObjectFromWindow");
    out.allocString =
        SystemProc<decltype(&SysAllocStringLen)>(L"oleaut32.dll", "SysAllocStringLen");
    return out;
  }();
  return lib.lresult != nullptr && lib.standard != nullptr && lib.fromWindow != nullptr &&
                 lib.allocString != nullptr
             ? &lib
             : nullptr;
}

bool Pressable(const Control& c) {
  return c.AccessibleRole() == Role::Button || c.AccessibleRole() == Role::RadioButton;
}

LONG MsaaRole(Role role) {
  switch (role) {
    case Role::Button:
      return ROLE_SYSTEM_PUSHBUTTON;
    case Role::RadioButton:
      return ROLE_SYSTEM_RADIOBUTTON;
    case Role::Image:
      return ROLE_SYSTEM_GRAPHIC;
    default:  // the clock too, as in the Qt program: every reader reads a text's name as it is
      return ROLE_SYSTEM_STATICTEXT;
  }
}

HRESULT Text(const std::string& utf8, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (utf8.empty()) return S_FALSE;
  const std::wstring wide = Wide(utf8);
  // Only our objects call it, and they exist only once the library has loaded.
  *out = Library()->allocString(wide.data(), static_cast<UINT>(wide.size()));
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

// Where an element is on the screen: its control with the controls folded into it.
RECT Bounds(HWND form, const WinWindowView& view, const Control& c) {
  RECT r = view.Place(c);
  for (const auto& part : c.window().Controls()) {
    if (part->access.partOf != &c) continue;
    const RECT p = view.Place(*part);
    UnionRect(&r, &r, &p);
  }
  MapWindowPoints(form, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The element of a form, whose children are its controls less those folded into another's
// element; of a control's own window; or of a label the form draws, which has none and is known
// by its id in the form. Each is read from the model when asked; whatever the model does not say,
// and everything once the window or its control is gone, the window's standard object answers
// (a drawn label has none: it answers nothing more).
class Element final : public IAccessible {
 public:
  enum class Of { Form, Window, Drawn };
  Element(HWND hwnd, Of of, int control, IAccessible* standard, const Oleacc& lib)
      : hwnd_(hwnd), of_(of), control_(control), standard_(standard), lib_(lib) {}
  Element(const Element&) = delete;
  Element& operator=(const Element&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (iid != __uuidof(IUnknown) && iid != __uuidof(IDispatch) && iid != kIidAccessible) {
      return E_NOINTERFACE;
    }
    *out = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = --refs_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    if (of_ != Of::Form) return Standard() ? standard_->get_accChildCount(count) : Childless(count);
    if (count == nullptr) return E_POINTER;
    const WinWindowView* view = WinWindowView::Of(hwnd_);
    if (view == nullptr) return standard_->get_accChildCount(count);
    *count = static_cast<LONG>(view->ReaderChildren().size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT id, IDispatch** out) override {
    if (of_ == Of::Window) return standard_->get_accChild(id, out);
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    const WinWindowView* view = of_ == Of::Form ? WinWindowView::Of(hwnd_) : nullptr;
    if (view == nullptr || id.vt != VT_I4 || id.lVal <= 0) return E_INVALIDARG;
    const auto children = view->ReaderChildren();
    if (static_cast<std::size_t>(id.lVal) > children.size()) return E_INVALIDARG;
    const Control& c = *children[static_cast<std::size_t>(id.lVal) - 1];
    if (HWND child = view->ChildWindow(c)) {
      return lib_.fromWindow(child, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IDispatch),
                             reinterpret_cast<void**>(out));
    }
    *out = new Element(hwnd_, Of::Drawn, view->IdOf(c), nullptr, lib_);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT id, BSTR* out) override {
    if (const Control* c = Answering(id)) return Text(c->AccessibleName(), out);
    return Standard() ? standard_->get_accName(id, out) : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT id, BSTR* out) override {
    if (const Control* c = Answering(id)) return Text(c->access.description, out);
    return Standard() ? standard_->get_accDescription(id, out) : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT id, VARIANT* out) override {
    const Control* c = Answering(id);
    if (c == nullptr) return Standard() ? standard_->get_accRole(id, out) : E_FAIL;
    if (out == nullptr) return E_POINTER;
    out->vt = VT_I4;
    out->lVal = MsaaRole(c->AccessibleRole());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT id, VARIANT* out) override {
    const Control* c = Answering(id);
    HRESULT hr = E_FAIL;
    if (Standard()) {
      hr = standard_->get_accState(id, out);
    } else if (c != nullptr && out != nullptr) {
      // What the system's static text would say of itself, and what the keyboard does with it.
      const WinWindowView* view = WinWindowView::Of(hwnd_);
      out->vt = VT_I4;
      out->lVal = (c->Visible() ? 0 : STATE_SYSTEM_INVISIBLE) |
                  (Pressable(*c) ? 0 : STATE_SYSTEM_READONLY) |
                  (c->tabIndex >= 0 ? STATE_SYSTEM_FOCUSABLE : 0) |
                  (view != nullptr && view->KeyboardOn() == c ? STATE_SYSTEM_FOCUSED : 0);
      hr = S_OK;
    }
    if (c == nullptr || FAILED(hr) || out->vt != VT_I4) return hr;
    if (c->AccessibleRole() == Role::RadioButton && c->Checked()) out->lVal |= STATE_SYSTEM_CHECKED;
    return hr;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT id, BSTR* out) override {
    const Control* c = Answering(id);
    if (c == nullptr) return Standard() ? standard_->get_accDefaultAction(id, out) : E_FAIL;
    if (!Pressable(*c)) return Text("", out);
    return Text(c->AccessibleRole() == Role::RadioButton ? "Check" : "Press", out);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT id) override {
    const Control* c = Answering(id);
    if (c == nullptr) return Standard() ? standard_->accDoDefaultAction(id) : E_FAIL;
    if (!Pressable(*c)) return DISP_E_MEMBERNOTFOUND;
    // Posted to the form as the control's own click: it runs after the reader's call has had its
    // answer, so a handler that waits in a message box does not hold the reader up, and the
    // window host drops it as it drops a click (hidden control, modal box).
    const int cid = of_ == Of::Drawn ? control_ : GetDlgCtrlID(hwnd_);
    return PostMessageW(Form(), WM_COMMAND, MAKEWPARAM(cid, BN_CLICKED),
                        reinterpret_cast<LPARAM>(hwnd_))
               ? S_OK
               : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                        VARIANT id) override {
    const Control* c = Answering(id);
    const WinWindowView* view = c != nullptr ? WinWindowView::Of(Form()) : nullptr;
    if (view == nullptr || left == nullptr || top == nullptr || width == nullptr ||
        height == nullptr) {
      return Standard() ? standard_->accLocation(left, top, width, height, id) : E_FAIL;
    }
    const RECT r = Bounds(Form(), *view, *c);
    *left = r.left;
    *top = r.top;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* out) override {
    const WinWindowView* view = of_ != Of::Window ? WinWindowView::Of(hwnd_) : nullptr;
    if (view == nullptr) return Standard() ? standard_->accHitTest(x, y, out) : E_FAIL;
    if (out == nullptr) return E_POINTER;
    out->vt = VT_EMPTY;
    const POINT p{x, y};
    if (of_ == Of::Drawn) {
      const Control* c = view->ControlById(control_);
      if (c == nullptr) return E_FAIL;
      const RECT r = Bounds(hwnd_, *view, *c);
      if (PtInRect(&r, p) == FALSE) return S_FALSE;
      out->vt = VT_I4;
      out->lVal = CHILDID_SELF;
      return S_OK;
    }
    // The topmost shown control there, window or drawn; else the form itself.
    const auto children = view->ReaderChildren();
    for (std::size_t i = 0; i < children.size(); ++i) {
      const RECT r = Bounds(hwnd_, *view, *children[i]);
      if (!children[i]->Visible() || PtInRect(&r, p) == FALSE) continue;
      VARIANT which{};
      which.vt = VT_I4;
      which.lVal = static_cast<LONG>(i) + 1;
      IDispatch* child = nullptr;
      if (FAILED(get_accChild(which, &child)) || child == nullptr) break;
      out->vt = VT_DISPATCH;
      out->pdispVal = child;
      return S_OK;
    }
    return standard_->accHitTest(x, y, out);
  }

  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override {
    if (Standard()) return standard_->get_accParent(out);
    return lib_.fromWindow(hwnd_, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IDispatch),
                           reinterpret_cast<void**>(out));
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT id, BSTR* out) override {
    return Standard() ? standard_->get_accValue(id, out) : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT id, BSTR* out) override {
    return Standard() ? standard_->get_accHelp(id, out) : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT id, LONG* topic) override {
    return Standard() ? standard_->get_accHelpTopic(file, id, topic) : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT id, BSTR* out) override {
    return Standard() ? standard_->get_accKeyboardShortcut(id, out) : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
    // The system's object of the form knows of child windows only, not of the labels it draws.
    const WinWindowView* view = of_ == Of::Form ? WinWindowView::Of(hwnd_) : nullptr;
    const Control* on = view != nullptr ? view->KeyboardOn() : nullptr;
    if (on != nullptr && out != nullptr && view->ChildWindow(*on) == nullptr) {
      const auto children = view->ReaderChildren();
      for (std::size_t i = 0; i < children.size(); ++i) {
        if (children[i] != on) continue;
        out->vt = VT_I4;
        out->lVal = static_cast<LONG>(i) + 1;
        return S_OK;
      }
    }
    if (Standard()) return standard_->get_accFocus(out);
    if (out != nullptr) out->vt = VT_EMPTY;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
    if (Standard()) return standard_->get_accSelection(out);
    if (out != nullptr) out->vt = VT_EMPTY;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT id) override {
    return Standard() ? standard_->accSelect(flags, id) : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG dir, VARIANT start, VARIANT* out) override {
    return Standard() ? standard_->accNavigate(dir, start, out) : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT id, BSTR name) override {
    return Standard() ? standard_->put_accName(id, name) : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT id, BSTR value) override {
    return Standard() ? standard_->put_accValue(id, value) : DISP_E_MEMBERNOTFOUND;
  }

 private:
  ~Element() {
    if (standard_ != nullptr) standard_->Release();
  }

  bool Standard() const { return standard_ != nullptr; }
  static HRESULT Childless(LONG* count) {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HWND Form() const { return of_ == Of::Window ? GetParent(hwnd_) : hwnd_; }

  // The control that answers for the element itself, read afresh: null for a form, a child id,
  // or a control that is gone.
  const Control* Answering(const VARIANT& id) const {
    if (of_ == Of::Form || id.vt != VT_I4 || id.lVal != CHILDID_SELF) return nullptr;
    if (of_ == Of::Window) return WinWindowView::ControlOf(hwnd_);
    const WinWindowView* view = WinWindowView::Of(hwnd_);
    return view != nullptr ? view->ControlById(control_) : nullptr;
  }

  HWND hwnd_;  // the form's, for a drawn label
  Of of_;
  int control_;  // a drawn label's id in the form
  IAccessible* standard_;
  const Oleacc& lib_;
  LONG refs_ = 1;  // COM calls them on this thread only
};

bool Answer(HWND hwnd, bool form, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (static_cast<LONG>(static_cast<DWORD>(lp)) != OBJID_CLIENT) return false;
  if (!form) {
    // Every button too, however plain: the system's own object of one has no default action
    // under Wine, and a reader could not press it.
    if (WinWindowView::ControlOf(hwnd) == nullptr) return false;
  }
  const Oleacc* lib = Library();
  IAccessible* standard = nullptr;
  if (lib == nullptr || FAILED(lib->standard(hwnd, static_cast<LONG>(OBJID_CLIENT), kIidAccessible,
                                             reinterpret_cast<void**>(&standard)))) {
    return false;
  }
  auto* element =
      new Element(hwnd, form ? Element::Of::Form : Element::Of::Window, 0, standard, *lib);
  result = lib->lresult(kIidAccessible, wp, element);
  element->Release();  // the answer holds its own reference
  return result > 0;
}

// The system's procedures of the classes ours are made from; set once, before any window.
WNDPROC g_labelProc = nullptr;
WNDPROC g_buttonProc = nullptr;

LRESULT ChildMessage(WNDPROC system, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_GETOBJECT) {
    LRESULT result = 0;
    if (Answer(hwnd, false, wp, lp, result)) return result;
  }
  return CallWindowProcW(system, hwnd, msg, wp, lp);
}

LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return ChildMessage(g_labelProc, hwnd, msg, wp, lp);
}

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return ChildMessage(g_buttonProc, hwnd, msg, wp, lp);
}

// Ours is the system's class with our procedure in front; the system's class is the one the
// program's manifest chose (the common controls' own, with the visual style).
bool RegisterOver(HINSTANCE instance, const wchar_t* system, const wchar_t* name, WNDPROC proc,
                  WNDPROC& systemProc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExW(nullptr, system, &wc) == FALSE) return false;
  systemProc = wc.lpfnWndProc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.lpszClassName = name;
  // A global class of the system's would be shared with every program; ours is the program's.
  wc.style &= ~static_cast<UINT>(CS_GLOBALCLASS);
  return RegisterClassExW(&wc) != 0;
}

}  // namespace

bool RegisterReaderClasses(HINSTANCE instance) {
  return RegisterOver(instance, L"STATIC", kReaderLabelClass, &LabelProc, g_labelProc) &&
         RegisterOver(instance, L"BUTTON", kReaderButtonClass, &ButtonProc, g_buttonProc);
}

bool AnswerReader(HWND form, WPARAM wp, LPARAM lp, LRESULT& result) {
  return Answer(form, true, wp, lp, result);
}

void AnnounceFocusToReaders(HWND form, LONG child) {
  NotifyWinEvent(EVENT_OBJECT_FOCUS, form, OBJID_CLIENT, child);
}

void AnnounceToReaders(HWND hwnd, LONG child, Prop what) {
  NotifyWinEvent(what == Prop::Checked ? EVENT_OBJECT_STATECHANGE : EVENT_OBJECT_NAMECHANGE, hwnd,
                 OBJID_CLIENT, child);
}

}  // namespace xr::win32
