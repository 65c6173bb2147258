// Walks the registered type library, as an early-bound host built with the widl header
// sees it, against the server's member lists: every member with its DISPID, its ways of
// call, its type and its place. Prints one line per check and a closing marker.

#include <windows.h>
#include <initguid.h>

#include "Tessaro_h.h"

#include "Members.h"

#include <oleauto.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok) ++failures;
}

// One line of a member list.
struct Expected {
    std::wstring name;
    DISPID id;
    int kinds;        // INVOKEKINDs
    VARTYPE type;     // a property's
    int parameters;   // a method's, -1 when written by hand
};

template <class T>
constexpr VARTYPE TypeOf() {
    if constexpr (std::is_same_v<T, BSTR>) return VT_BSTR;
    if constexpr (std::is_same_v<T, LONG>) return VT_I4;
    if constexpr (std::is_same_v<T, VARIANT_BOOL>) return VT_BOOL;
}

#define WIDE(text) L##text
#define PROPERTY_LINE(Name, Id, Type) \
    {WIDE(#Name), Id, INVOKE_PROPERTYGET | INVOKE_PROPERTYPUT, TypeOf<tessaro::com::property::Type>(), -1},
#define METHOD_LINE(Name, Id, Parameters) \
    {WIDE(#Name), Id, INVOKE_FUNC, VT_EMPTY, static_cast<int>(tessaro::com::ParameterCount<void Parameters>)},
#define MEMBER_LINE(Name, Id, Access) {WIDE(#Name), Id, Access, VT_EMPTY, -1},
#define LINES(LIST) std::vector<Expected>{LIST(PROPERTY_LINE, METHOD_LINE, MEMBER_LINE)}

// A property's type as its vtable member takes or gives it.
VARTYPE PropertyType(const FUNCDESC& desc) {
    const VARTYPE none = VT_ILLEGAL;
    if (desc.cParams != 1) return none;
    const TYPEDESC& type = desc.lprgelemdescParam[0].tdesc;
    if (desc.invkind != INVOKE_PROPERTYGET) return type.vt;
    return type.vt == VT_PTR && type.lptdesc ? type.lptdesc->vt : none;
}

// The interface's vtable members against its list: each of them listed with its DISPID,
// kind of call and type; each listed member with all its kinds; the members' first
// slots in the order of the list.
void CheckMembers(ITypeLib* library, REFIID iid, const std::vector<Expected>& expected, const char* what) {
    // A dual interface: its vtable side lists the members with their slots.
    ITypeInfo* dispatch = nullptr;
    ITypeInfo* info = nullptr;
    HREFTYPE ref = 0;
    TYPEATTR* attr = nullptr;
    bool same = SUCCEEDED(library->GetTypeInfoOfGuid(iid, &dispatch)) &&
                SUCCEEDED(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
                SUCCEEDED(dispatch->GetRefTypeInfo(ref, &info)) && SUCCEEDED(info->GetTypeAttr(&attr));
    if (dispatch) dispatch->Release();
    std::vector<int> seen(expected.size(), 0);
    std::vector<SHORT> firstSlot(expected.size(), SHRT_MAX);
    for (UINT i = 0; attr && i < attr->cFuncs; ++i) {
        FUNCDESC* desc = nullptr;
        if (FAILED(info->GetFuncDesc(i, &desc))) {
            same = false;
            continue;
        }
        BSTR name = nullptr;
        UINT count = 0;
        info->GetNames(desc->memid, &name, 1, &count);
        std::wstring member = name ? name : L"";
        SysFreeString(name);
        auto line = std::find_if(expected.begin(), expected.end(), [&](const Expected& e) { return e.name == member; });
        size_t at = static_cast<size_t>(line - expected.begin());
        bool fits = line != expected.end() && line->id == desc->memid && (line->kinds & desc->invkind) &&
                    !(seen[at] & desc->invkind) &&
                    (line->type == VT_EMPTY || PropertyType(*desc) == line->type) &&
                    (line->parameters < 0 || desc->cParams == line->parameters);
        if (!fits) std::printf("  %ls (DISPID %ld, kind %d) is not as listed\n", member.c_str(), desc->memid, desc->invkind);
        if (fits) {
            seen[at] |= desc->invkind;
            firstSlot[at] = std::min(firstSlot[at], desc->oVft);
        }
        same = same && fits;
        info->ReleaseFuncDesc(desc);
    }
    if (attr) info->ReleaseTypeAttr(attr);
    if (info) info->Release();
    for (size_t i = 0; i < expected.size(); ++i) {
        if (seen[i] != expected[i].kinds) {
            std::printf("  %ls is not in the type library with each of its kinds\n", expected[i].name.c_str());
            same = false;
        }
        if (i > 0 && firstSlot[i] <= firstSlot[i - 1]) {
            std::printf("  %ls comes before %ls\n", expected[i].name.c_str(), expected[i - 1].name.c_str());
            same = false;
        }
    }
    Check(same, what);
}

}  // namespace

int main() {
    if (FAILED(CoInitialize(nullptr))) return 2;
    ITypeLib* library = nullptr;
    Check(SUCCEEDED(LoadRegTypeLib(LIBID_Tessaro, 1, 0, 0, &library)), "the registered type library loads");
    if (library) {
        CheckMembers(library, IID__DataSource, LINES(TESSARO_DATASOURCE_MEMBERS), "DataSource members as listed");
        CheckMembers(library, IID__Variable, LINES(TESSARO_VARIABLE_MEMBERS), "Variable members as listed");
        CheckMembers(library, IID__Messenger, LINES(TESSARO_MESSENGER_MEMBERS), "Messenger members as listed");
        CheckMembers(library, IID__VariableDriver, LINES(TESSARO_DRIVER_MEMBERS), "VariableDriver members as listed");
        CheckMembers(library, IID__Collection, LINES(TESSARO_COLLECTION_MEMBERS), "_Collection members as listed");
        library->Release();
    }
    CoUninitialize();
    if (failures) std::printf("FAIL %d checks failed\n", failures);
    std::printf("END OF early_bound.exe\n");
    return failures ? 1 : 0;
}
