#include "platform/win32/accessible_part.h"

#include <optional>
#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/system_library.h"

namespace exitbutton::win32 {
namespace {

// The gadget's children, as its pane numbers them.
constexpr LONG kPowerButtonChild = 1;
constexpr LONG kExitKnobChild = 2;
constexpr LONG kSettingsKnobChild = 3;
constexpr LONG kChildCount = 3;

// oleacc and oleaut32 are not imported: they load with the first screen reader's question.
template <typename Function>
Function OleaccFunction(const char* name) {
    return OnDemandFunction<Function>(L"oleacc.dll", name);
}

void SetChildId(VARIANT* out, LONG id) {
    out->vt = VT_I4;
    out->lVal = id;
}

// The parts of one window: the gadget's pane with its three children, or the
// power button on its own.
class AccessiblePart final : public CountedAccessible {
public:
    AccessiblePart(std::shared_ptr<const AccessibleLink> link, GadgetPart self)
        : link_(std::move(link)), self_(self) {}

    // A new object with one reference, held by the caller.
    static IAccessible* Make(std::shared_ptr<const AccessibleLink> link, GadgetPart self) {
        // COM objects free themselves when their last reference goes (Release).
        return std::make_unique<AccessiblePart>(std::move(link), self).release();
    }

    // IDispatch: clients of these objects call the interface directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (!parent) return E_POINTER;
        *parent = nullptr;
        if (!link_->events) return CO_E_OBJNOTCONNECTED;
        if (self_ == GadgetPart::PowerButton) {
            *parent = Make(link_, GadgetPart::Gadget);
            return S_OK;
        }
        static const auto standard = OleaccFunction<decltype(&CreateStdAccessibleObject)>("CreateStdAccessibleObject");
        if (!standard) return S_FALSE;
        return standard(link_->gadget, OBJID_WINDOW, IID_IDispatch, reinterpret_cast<void**>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        if (!count) return E_POINTER;
        *count = self_ == GadgetPart::Gadget ? kChildCount : 0;
        return link_->events ? S_OK : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!link_->events) return CO_E_OBJNOTCONNECTED;
        const std::optional<GadgetPart> part = partOf(child);
        if (!part || *part == self_) return E_INVALIDARG;
        if (*part != GadgetPart::PowerButton) return S_FALSE;  // a knob is no object of its own
        *object = Make(link_, GadgetPart::PowerButton);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        return text(child, name, &AccessibleInfo::name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return text(child, value, nullptr);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        return text(child, description, &AccessibleInfo::description);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!role) return E_POINTER;
        role->vt = VT_EMPTY;
        const std::optional<AccessibleInfo> info = describe(child);
        if (!info) return link_->events ? E_INVALIDARG : CO_E_OBJNOTCONNECTED;
        SetChildId(role, info->isButton ? ROLE_SYSTEM_PUSHBUTTON : ROLE_SYSTEM_PANE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (!state) return E_POINTER;
        state->vt = VT_EMPTY;
        const std::optional<GadgetPart> part = partOf(child);
        const std::optional<AccessibleInfo> info = describe(child);
        if (!part || !info) return link_->events ? E_INVALIDARG : CO_E_OBJNOTCONNECTED;
        LONG flags = 0;
        if (!info->available) flags |= STATE_SYSTEM_UNAVAILABLE;
        if (!IsWindowVisible(link_->gadget)) flags |= STATE_SYSTEM_INVISIBLE;
        if (info->focusable) flags |= STATE_SYSTEM_FOCUSABLE;
        if (info->hot) flags |= STATE_SYSTEM_HOTTRACKED;
        if (*part == GadgetPart::PowerButton && GetFocus() == link_->button) flags |= STATE_SYSTEM_FOCUSED;
        SetChildId(state, flags);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override { return ReturnAccessibleText({}, help); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
        if (topic) *topic = 0;
        return ReturnAccessibleText({}, file);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* shortcut) override {
        return ReturnAccessibleText({}, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (!focus) return E_POINTER;
        focus->vt = VT_EMPTY;
        if (!link_->events) return CO_E_OBJNOTCONNECTED;
        if (GetFocus() != link_->button) return S_FALSE;
        return self_ == GadgetPart::PowerButton ? (SetChildId(focus, CHILDID_SELF), S_OK)
                                                 : childObject(kPowerButtonChild, focus);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (!selection) return E_POINTER;
        selection->vt = VT_EMPTY;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return text(child, action, &AccessibleInfo::defaultAction);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        const std::optional<GadgetPart> part = partOf(child);
        if (!part) return link_->events ? E_INVALIDARG : CO_E_OBJNOTCONNECTED;
        if (flags != SELFLAG_TAKEFOCUS || *part != GadgetPart::PowerButton) return S_FALSE;
        SetFocus(link_->button);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
        if (!left || !top || !width || !height) return E_POINTER;
        const std::optional<AccessibleInfo> info = describe(child);
        if (!info) return link_->events ? E_INVALIDARG : CO_E_OBJNOTCONNECTED;
        POINT origin{0, 0};
        ClientToScreen(link_->gadget, &origin);
        *left = origin.x + info->place.left;
        *top = origin.y + info->place.top;
        *width = info->place.width();
        *height = info->place.height();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        if (!end) return E_POINTER;
        end->vt = VT_EMPTY;
        const std::optional<GadgetPart> from = partOf(start);
        if (!from) return link_->events ? E_INVALIDARG : CO_E_OBJNOTCONNECTED;
        if (self_ != GadgetPart::Gadget) return S_FALSE;
        const LONG at = start.vt == VT_I4 ? start.lVal : CHILDID_SELF;
        LONG next = 0;
        if (at == CHILDID_SELF) {
            if (direction == NAVDIR_FIRSTCHILD) next = kPowerButtonChild;
            if (direction == NAVDIR_LASTCHILD) next = kChildCount;
        } else if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN) {
            next = at < kChildCount ? at + 1 : 0;
        } else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP) {
            next = at > 1 ? at - 1 : 0;
        }
        if (next == 0) return S_FALSE;
        return childObject(next, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* found) override {
        if (!found) return E_POINTER;
        found->vt = VT_EMPTY;
        if (!link_->events) return CO_E_OBJNOTCONNECTED;
        POINT point{x, y};
        ScreenToClient(link_->gadget, &point);
        const std::optional<GadgetPart> part = link_->events->partAt({point.x, point.y});
        if (!part) return S_FALSE;
        if (self_ == GadgetPart::Gadget && *part != GadgetPart::Gadget) {
            return childObject(childOf(*part), found);
        }
        if (*part != self_) return S_FALSE;
        SetChildId(found, CHILDID_SELF);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        const std::optional<AccessibleInfo> info = describe(child);
        if (!info) return link_->events ? E_INVALIDARG : CO_E_OBJNOTCONNECTED;
        if (info->defaultAction.empty()) return DISP_E_MEMBERNOTFOUND;
        if (!info->available) return E_FAIL;
        PostMessageW(link_->gadget, kDefaultActionMessage, static_cast<WPARAM>(*partOf(child)), 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    static LONG childOf(GadgetPart part) {
        return part == GadgetPart::PowerButton ? kPowerButtonChild
               : part == GadgetPart::ExitKnob  ? kExitKnobChild
                                               : kSettingsKnobChild;
    }
    static GadgetPart partOfChild(LONG child) {
        return child == kPowerButtonChild ? GadgetPart::PowerButton
               : child == kExitKnobChild  ? GadgetPart::ExitKnob
                                          : GadgetPart::SettingsKnob;
    }

    // The part a child id names: the object's own part for CHILDID_SELF, and
    // for the gadget's pane its children 1 to 3.
    std::optional<GadgetPart> partOf(const VARIANT& child) const {
        if (!link_->events) return std::nullopt;
        const LONG id = child.vt == VT_EMPTY ? CHILDID_SELF : child.vt == VT_I4 ? child.lVal : -1;
        if (id == CHILDID_SELF) return self_;
        if (self_ == GadgetPart::Gadget && id >= 1 && id <= kChildCount) return partOfChild(id);
        return std::nullopt;
    }

    std::optional<AccessibleInfo> describe(const VARIANT& child) const {
        const std::optional<GadgetPart> part = partOf(child);
        if (!part) return std::nullopt;
        return link_->events->describe(*part);
    }

    HRESULT text(const VARIANT& child, BSTR* out, std::wstring AccessibleInfo::*field) const {
        if (!out) return E_POINTER;
        *out = nullptr;
        const std::optional<AccessibleInfo> info = describe(child);
        if (!info) return link_->events ? E_INVALIDARG : CO_E_OBJNOTCONNECTED;
        return ReturnAccessibleText(field ? (*info).*field : std::wstring(), out);
    }

    // A child as an answer: the power button as its own object, a knob by its id.
    HRESULT childObject(LONG child, VARIANT* out) const {
        if (child != kPowerButtonChild) {
            SetChildId(out, child);
            return S_OK;
        }
        out->vt = VT_DISPATCH;
        out->pdispVal = Make(link_, GadgetPart::PowerButton);
        return S_OK;
    }

    std::shared_ptr<const AccessibleLink> link_;
    GadgetPart self_;
};

}  // namespace

HRESULT CountedAccessible::QueryInterface(REFIID id, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualGUID(id, IID_IUnknown) || IsEqualGUID(id, IID_IDispatch) || IsEqualGUID(id, kAccessibleInterface)) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CountedAccessible::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT ReturnAccessibleText(const std::wstring& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (text.empty()) return S_FALSE;
    static const auto allocate = OnDemandFunction<decltype(&SysAllocString)>(L"oleaut32.dll", "SysAllocString");
    if (!allocate) return E_OUTOFMEMORY;
    *out = allocate(text.c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
}

LRESULT AnswerWithObject(IAccessible* object, WPARAM wParam) {
    static const auto answer = OleaccFunction<decltype(&LresultFromObject)>("LresultFromObject");
    if (!answer) return 0;
    const LRESULT result = answer(kAccessibleInterface, wParam, object);
    return result > 0 ? result : 0;  // a failure is an HRESULT, below zero
}

LRESULT AnswerClientObject(const std::shared_ptr<const AccessibleLink>& link, GadgetPart part, WPARAM wParam,
                           ComApartment& com) {
    if (!link->events) return 0;
    com.enter();  // the object is marshalled to the asking process
    ComPtr<IAccessible> object;
    *object.put() = AccessiblePart::Make(link, part);
    return AnswerWithObject(object.get(), wParam);
}

void AnnounceNameChange(HWND button) {
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, button, OBJID_CLIENT, CHILDID_SELF);
    NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, button, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace exitbutton::win32
