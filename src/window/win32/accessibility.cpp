#include "accessibility.h"

#include "handler_guard.h"
#include "system_library.h"
#include "win32_text.h"

#include <string>
#include <utility>

namespace {

constexpr UINT_PTR kSubclassId = 3;

// Default actions, named in the window's language.
constexpr wchar_t kPress[] = L"按下";
constexpr wchar_t kCheck[] = L"选中";
constexpr wchar_t kUncheck[] = L"取消选中";
constexpr wchar_t kOpen[] = L"打开";

struct ControlFacts {
    const ControlSpec* layout;
    std::function<bool()> toggleIsOn;
};

long roleOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::InputBox:
    case ControlKind::ResultBox:
        return ROLE_SYSTEM_TEXT;
    case ControlKind::PictureButton:
        return ROLE_SYSTEM_PUSHBUTTON;
    case ControlKind::PictureToggle:
        return ROLE_SYSTEM_CHECKBUTTON;
    case ControlKind::LinkLabel:
        return ROLE_SYSTEM_LINK;
    }
    return ROLE_SYSTEM_CLIENT;
}

HRESULT answerText(const std::wstring& text, BSTR* out) {
    if (!out)
        return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// A control's client object. It answers for the control itself what its layout says and
// hands everything else, and any question about another object, to `standard_`: the
// object Windows would have answered with.
class AccessibleControl final : public IAccessible, public IOleWindow {
public:
    AccessibleControl(HWND control, ControlFacts facts, IAccessible* standard)
        : control_(control), facts_(std::move(facts)), standard_(standard) {}
    AccessibleControl(const AccessibleControl&) = delete;
    AccessibleControl& operator=(const AccessibleControl&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) ||
            iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
        } else if (iid == __uuidof(IOleWindow)) {
            *out = static_cast<IOleWindow*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = InterlockedDecrement(&references_);
        if (left == 0)
            delete this;
        return left;
    }

    // IDispatch: no type information; clients use the IAccessible methods.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        return E_NOTIMPL;
    }

    // IOleWindow: the control's window, for WindowFromAccessibleObject.
    STDMETHODIMP GetWindow(HWND* window) override {
        if (!window)
            return E_POINTER;
        *window = control_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IAccessible: what the layout says about the control itself. These run the window's
    // own code for COM, so each answers through the guard; the methods further down only
    // hand the question on to Windows' object.
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override {
        return guardedAnswer([&] {
            if (!isSelf(child))
                return standard_->get_accName(child, name);
            return answerText(toWide(layout().accessibleName), name);
        });
    }
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* description) override {
        return guardedAnswer([&] {
            if (!isSelf(child))
                return standard_->get_accDescription(child, description);
            return answerText(toWide(layout().toolTip), description);
        });
    }
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override {
        return guardedAnswer([&] {
            if (!isSelf(child))
                return standard_->get_accRole(child, role);
            if (!role)
                return E_POINTER;
            role->vt = VT_I4;
            role->lVal = roleOf(layout().kind);
            return S_OK;
        });
    }
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override;
    STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override;
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override;
    STDMETHODIMP accDoDefaultAction(VARIANT child) override;

    // IAccessible: all else as Windows answers it.
    STDMETHODIMP get_accParent(IDispatch** parent) override {
        return standard_->get_accParent(parent);
    }
    STDMETHODIMP get_accChildCount(long* count) override {
        return standard_->get_accChildCount(count);
    }
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** object) override {
        return standard_->get_accChild(child, object);
    }
    STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override {
        return standard_->get_accHelp(child, help);
    }
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    STDMETHODIMP get_accFocus(VARIANT* focus) override { return standard_->get_accFocus(focus); }
    STDMETHODIMP get_accSelection(VARIANT* selection) override {
        return standard_->get_accSelection(selection);
    }
    STDMETHODIMP accSelect(long flags, VARIANT child) override {
        return standard_->accSelect(flags, child);
    }
    STDMETHODIMP accLocation(long* left, long* top, long* width, long* height,
                             VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    STDMETHODIMP accHitTest(long x, long y, VARIANT* child) override {
        return standard_->accHitTest(x, y, child);
    }
    STDMETHODIMP put_accName(VARIANT child, BSTR name) override {
        return standard_->put_accName(child, name);
    }
    STDMETHODIMP put_accValue(VARIANT child, BSTR value) override {
        return standard_->put_accValue(child, value);
    }

private:
    ~AccessibleControl() { standard_->Release(); }

    // An error ends the program; while its message is up, a question simply fails.
    template <typename Answer> HRESULT guardedAnswer(Answer&& answer) {
        return guarded(control_, answer, [] { return E_FAIL; });
    }

    // A question about the control itself, while it exists: a screen reader may keep the
    // object longer than the window, and then Windows' object answers that it is gone.
    bool isSelf(const VARIANT& child) const {
        return child.vt == VT_I4 && child.lVal == CHILDID_SELF && IsWindow(control_);
    }
    const ControlSpec& layout() const { return *facts_.layout; }
    // The default action's name, or nullptr for a control without one.
    const wchar_t* defaultAction() const;

    LONG references_ = 1;
    HWND control_;
    ControlFacts facts_;
    IAccessible* standard_;
};

STDMETHODIMP AccessibleControl::get_accState(VARIANT child, VARIANT* state) {
    return guardedAnswer([&] {
        const HRESULT result = standard_->get_accState(child, state);
        if (FAILED(result) || !isSelf(child) || state->vt != VT_I4)
            return result;
        switch (layout().kind) {
        case ControlKind::InputBox:
            break;
        case ControlKind::ResultBox:
            state->lVal |= STATE_SYSTEM_READONLY;
            break;
        case ControlKind::PictureButton:
            if (layout().isDefault)
                state->lVal |= STATE_SYSTEM_DEFAULT;
            break;
        case ControlKind::PictureToggle:
            if (facts_.toggleIsOn())
                state->lVal |= STATE_SYSTEM_CHECKED;
            else
                state->lVal &= ~STATE_SYSTEM_CHECKED;
            break;
        case ControlKind::LinkLabel:
            state->lVal |= STATE_SYSTEM_LINKED;
            break;
        }
        return result;
    });
}

STDMETHODIMP AccessibleControl::get_accValue(VARIANT child, BSTR* value) {
    return guardedAnswer([&] {
        if (!isSelf(child))
            return standard_->get_accValue(child, value);
        if (isTextBox(layout().kind))
            return answerText(toWide(windowText(control_)), value);
        if (layout().kind == ControlKind::LinkLabel)
            return answerText(toWide(kAuthorAddress), value); // where the link leads
        return standard_->get_accValue(child, value);
    });
}

const wchar_t* AccessibleControl::defaultAction() const {
    switch (layout().kind) {
    case ControlKind::InputBox:
    case ControlKind::ResultBox:
        return nullptr;
    case ControlKind::PictureButton:
        return kPress;
    case ControlKind::PictureToggle:
        return facts_.toggleIsOn() ? kUncheck : kCheck;
    case ControlKind::LinkLabel:
        return kOpen;
    }
    return nullptr;
}

STDMETHODIMP AccessibleControl::get_accDefaultAction(VARIANT child, BSTR* action) {
    return guardedAnswer([&] {
        const wchar_t* name = isSelf(child) ? defaultAction() : nullptr;
        if (!name)
            return standard_->get_accDefaultAction(child, action);
        return answerText(name, action);
    });
}

STDMETHODIMP AccessibleControl::accDoDefaultAction(VARIANT child) {
    return guardedAnswer([&] {
        if (!isSelf(child) || !defaultAction())
            return standard_->accDoDefaultAction(child);
        if (!IsWindowEnabled(control_))
            return E_FAIL;
        // What the window gets from a click. Posted: the caller gets its answer first, even
        // from a button that ends the program or a link that shows a message box.
        const WORD clicked = layout().kind == ControlKind::LinkLabel ? STN_CLICKED : BN_CLICKED;
        const WPARAM command = MAKEWPARAM(GetDlgCtrlID(control_), clicked);
        return PostMessageW(GetParent(control_), WM_COMMAND, command,
                            reinterpret_cast<LPARAM>(control_))
                   ? S_OK
                   : E_FAIL;
    });
}

// The control's client object for WM_GETOBJECT, or 0 to leave the answer to Windows.
LRESULT clientObject(HWND control, const ControlFacts& facts, WPARAM flags) {
    IAccessible* standard = nullptr;
    if (FAILED(oleacc::CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                                 reinterpret_cast<void**>(&standard))))
        return 0;
    // Should this fail, the error ends the program (through the subclass procedure's guard).
    auto* object = new AccessibleControl(control, facts, standard);
    const LRESULT result =
        oleacc::LresultFromObject(__uuidof(IAccessible), flags, static_cast<IAccessible*>(object));
    object->Release();
    return result > 0 ? result : 0;
}

LRESULT CALLBACK controlAnsweringScreenReaders(HWND control, UINT message, WPARAM wParam,
                                               LPARAM lParam, UINT_PTR, DWORD_PTR data);

LRESULT handleMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                      ControlFacts& facts) {
    switch (message) {
    case WM_GETOBJECT:
        // lParam is a 32-bit object identifier, however wide the parameter.
        if (static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
            if (const LRESULT answer = clientObject(control, facts, wParam))
                return answer;
        }
        break;
    case WM_NCDESTROY:
        comctl32::RemoveWindowSubclass(control, controlAnsweringScreenReaders, kSubclassId);
        delete &facts;
        break;
    }
    return comctl32::DefSubclassProc(control, message, wParam, lParam);
}

LRESULT CALLBACK controlAnsweringScreenReaders(HWND control, UINT message, WPARAM wParam,
                                               LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto& facts = *reinterpret_cast<ControlFacts*>(data);
    return guarded(
        control, [&] { return handleMessage(control, message, wParam, lParam, facts); },
        [&] { return comctl32::DefSubclassProc(control, message, wParam, lParam); });
}

} // namespace

void makeControlsAccessible(const FormControls& controls, std::function<bool()> toggleIsOn) {
    for (const ControlSpec& layout : kForm1Controls) {
        HWND control = controls.window(layout.name);
        auto* facts = new ControlFacts{&layout, toggleIsOn};
        if (!comctl32::SetWindowSubclass(control, controlAnsweringScreenReaders, kSubclassId,
                                         reinterpret_cast<DWORD_PTR>(facts)))
            delete facts;
    }
}

void announceStateChange(HWND control) {
    NotifyWinEvent(EVENT_OBJECT_STATECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
}

void announceValueChange(HWND box) {
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, box, OBJID_CLIENT, CHILDID_SELF);
}
