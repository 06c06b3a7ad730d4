#include "accessible_reader.h"

#include <oleacc.h>

#include <string>
#include <vector>

#include "json_out.h"
#include "json_text.h"

namespace accessible_reader {
namespace {

using namespace json_out;
using json_text::Quote;

// Our own copy: oleacc's exported one can resolve to an import thunk in a
// static MinGW link.
constexpr GUID kAccessibleInterface{0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// COM, once per process: the inspector answers many questions.
void EnterCom() {
    static const HRESULT entered = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    (void)entered;
}

struct Held {
    IAccessible* object = nullptr;
    ~Held() {
        if (object) object->Release();
    }
};

VARIANT ChildId(long id) {
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

std::string Text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), IAccessible* object, long id) {
    BSTR text = nullptr;
    const HRESULT result = (object->*get)(ChildId(id), &text);
    std::string json = "null";
    if (SUCCEEDED(result) && text) json = Quote(std::wstring(text, SysStringLen(text)));
    SysFreeString(text);
    return json;
}

std::string Number(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*), IAccessible* object, long id) {
    VARIANT value;
    VariantInit(&value);
    const HRESULT result = (object->*get)(ChildId(id), &value);
    const std::string json = SUCCEEDED(result) && value.vt == VT_I4 ? Num(static_cast<long long>(value.lVal)) : "null";
    VariantClear(&value);
    return json;
}

std::string Location(IAccessible* object, long id) {
    LONG left = 0, top = 0, width = 0, height = 0;
    if (FAILED(object->accLocation(&left, &top, &width, &height, ChildId(id)))) return "null";
    return Array({Num(static_cast<long long>(left)), Num(static_cast<long long>(top)),
                  Num(static_cast<long long>(width)), Num(static_cast<long long>(height))});
}

Object Describe(IAccessible* object, long id) {
    Object out;
    out.add("name", Text(&IAccessible::get_accName, object, id))
        .add("role", Number(&IAccessible::get_accRole, object, id))
        .add("state", Number(&IAccessible::get_accState, object, id))
        .add("description", Text(&IAccessible::get_accDescription, object, id))
        .add("default_action", Text(&IAccessible::get_accDefaultAction, object, id))
        .add("value", Text(&IAccessible::get_accValue, object, id))
        .add("location", Location(object, id));
    return out;
}

bool ClientObject(HWND window, Held* held) {
    EnterCom();
    return SUCCEEDED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), kAccessibleInterface,
                                                reinterpret_cast<void**>(&held->object))) &&
           held->object;
}

}  // namespace

std::string TreeJson(HWND window) {
    Held root;
    if (!ClientObject(window, &root)) return "null";
    LONG count = 0;
    if (FAILED(root.object->get_accChildCount(&count)) || count < 0) count = 0;
    std::vector<VARIANT> children(static_cast<size_t>(count));
    LONG obtained = 0;
    if (count > 0 && FAILED(AccessibleChildren(root.object, 0, count, children.data(), &obtained))) obtained = 0;
    std::vector<std::string> items;
    for (LONG i = 0; i < obtained; ++i) {
        VARIANT& child = children[static_cast<size_t>(i)];
        if (child.vt == VT_I4) {
            items.push_back(Describe(root.object, child.lVal).add("id", Num(static_cast<long long>(child.lVal))).str());
        } else if (child.vt == VT_DISPATCH && child.pdispVal) {
            Held object;
            if (SUCCEEDED(child.pdispVal->QueryInterface(kAccessibleInterface, reinterpret_cast<void**>(&object.object)))) {
                items.push_back(Describe(object.object, CHILDID_SELF).add("id", "0").str());
            }
        }
        VariantClear(&child);
    }
    return Describe(root.object, CHILDID_SELF)
        .add("child_count", Num(static_cast<long long>(count)))
        .add("children", Array(items))
        .str();
}

long DoDefaultAction(HWND window, long child) {
    Held root;
    if (!ClientObject(window, &root)) return E_FAIL;
    return root.object->accDoDefaultAction(ChildId(child));
}

}  // namespace accessible_reader
