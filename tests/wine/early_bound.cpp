// An early-bound host: calls the server through the vtables of the widl header, and
// checks each interface's member order in the embedded type library against the order
// the classes are declared in. Prints one line per failure and a closing marker.

#include <windows.h>
#include <initguid.h>

#include "Tessaro_h.h"

#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok) ++failures;
}

std::wstring Text(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }

VARIANT Variant(VARTYPE type) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = type;
    return v;
}

// "Name get", "Name put", "Name putref" or "Name" (a method), in vtable order.
std::vector<std::wstring> Members(ITypeInfo* info) {
    std::vector<std::wstring> members;
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return members;
    std::vector<std::pair<SHORT, std::wstring>> slots;
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* desc = nullptr;
        if (FAILED(info->GetFuncDesc(i, &desc))) continue;
        BSTR name = nullptr;
        UINT count = 0;
        info->GetNames(desc->memid, &name, 1, &count);
        std::wstring member = Text(name);
        SysFreeString(name);
        if (desc->invkind == INVOKE_PROPERTYGET) member += L" get";
        if (desc->invkind == INVOKE_PROPERTYPUT) member += L" put";
        if (desc->invkind == INVOKE_PROPERTYPUTREF) member += L" putref";
        slots.emplace_back(desc->oVft, member);
        info->ReleaseFuncDesc(desc);
    }
    info->ReleaseTypeAttr(attr);
    std::stable_sort(slots.begin(), slots.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& slot : slots) members.push_back(slot.second);
    return members;
}

void CheckOrder(ITypeLib* library, REFIID iid, std::vector<std::wstring> expected, const char* what) {
    ITypeInfo* info = nullptr;
    if (FAILED(library->GetTypeInfoOfGuid(iid, &info))) {
        Check(false, what);
        return;
    }
    // A dual interface: the vtable side lists the members in slot order.
    HREFTYPE ref = 0;
    ITypeInfo* vtable = nullptr;
    if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) && SUCCEEDED(info->GetRefTypeInfo(ref, &vtable))) {
        info->Release();
        info = vtable;
    }
    auto actual = Members(info);
    info->Release();
    bool same = actual == expected;
    if (!same) {
        for (auto& m : actual) std::printf("  %ls\n", m.c_str());
    }
    Check(same, what);
}

std::vector<std::wstring> Pairs(std::initializer_list<const wchar_t*> names) {
    std::vector<std::wstring> out;
    for (const wchar_t* n : names) {
        out.push_back(std::wstring(n) + L" get");
        out.push_back(std::wstring(n) + L" put");
    }
    return out;
}

}  // namespace

int main() {
    if (FAILED(CoInitialize(nullptr))) return 2;
    {
        _VariableDriver* driver = nullptr;
        Check(SUCCEEDED(CoCreateInstance(CLSID_VariableDriver, nullptr, CLSCTX_INPROC_SERVER, IID__VariableDriver,
                                         reinterpret_cast<void**>(&driver))),
              "VariableDriver created by class identifier");
        _Variable* variable = nullptr;
        Check(SUCCEEDED(CoCreateInstance(CLSID_Variable, nullptr, CLSCTX_INPROC_SERVER, IID__Variable,
                                         reinterpret_cast<void**>(&variable))),
              "Variable created by class identifier");
        if (driver && variable) {
            LONG id = 1;
            driver->put_DeviceId(-12);
            driver->get_DeviceId(&id);
            Check(id == -12, "VariableDriver.DeviceId through the vtable");
            variable->put_FieldAdd5(77);
            LONG field = 0;
            variable->get_FieldAdd5(&field);
            Check(field == 77, "Variable.FieldAdd5 put then get (its odd slot order)");
            VARIANT_BOOL sign = VARIANT_FALSE;
            variable->put_Sign(VARIANT_TRUE);
            variable->get_Sign(&sign);
            Check(sign == VARIANT_TRUE, "Variable.Sign reads -1");

            _Collection* first = nullptr;
            _Collection* second = nullptr;
            driver->get_Variables(&first);
            driver->get_Variables(&second);
            Check(first && first == second, "Variables is one object");
            VARIANT item = Variant(VT_DISPATCH), key = Variant(VT_BSTR), none = Variant(VT_ERROR);
            V_DISPATCH(&item) = variable;
            V_BSTR(&key) = SysAllocString(L"_A_1");
            V_ERROR(&none) = DISP_E_PARAMNOTFOUND;
            Check(first && SUCCEEDED(first->Add(&item, &key, &none, &none)), "Variables.Add through the vtable");
            HRESULT duplicate = first ? first->Add(&item, &key, &none, &none) : S_OK;
            Check(duplicate == static_cast<HRESULT>(0x800A01C9), "a duplicate key gives 0x800A01C9 (457)");
            IErrorInfo* error = nullptr;
            bool described = GetErrorInfo(0, &error) == S_OK && error;
            if (described) {
                BSTR source = nullptr;
                error->GetSource(&source);
                described = Text(source) == L"Tessaro";
                SysFreeString(source);
                error->Release();
            }
            Check(described, "the failure carries IErrorInfo with the source Tessaro");
            VariantClear(&key);
            if (second) second->Release();
            if (first) first->Release();
            driver->Release();
            LONG kept = 0;
            variable->get_FieldAdd5(&kept);
            Check(kept == 77, "a Variable the host holds outlives the driver");
        }
        if (variable) variable->Release();
    }

    ITypeLib* library = nullptr;
    Check(SUCCEEDED(LoadRegTypeLib(LIBID_Tessaro, 1, 0, 0, &library)), "the registered type library loads");
    if (library) {
        CheckOrder(library, IID__DataSource, Pairs({L"SourceId"}), "DataSource member order");
        std::vector<std::wstring> variable = Pairs({L"Warning", L"Sign", L"Name"});
        variable.push_back(L"SectionName get");
        for (auto& m : Pairs({L"DeviceId", L"NestingLevel"})) variable.push_back(m);
        variable.push_back(L"SectionName put");
        for (auto& m : Pairs({L"TagAttribute", L"DataAreaId", L"DataTypeId", L"VariableLen", L"FieldAdd1",
                              L"FieldAdd2", L"FieldAdd3", L"FieldAdd4"}))
            variable.push_back(m);
        variable.push_back(L"FieldAdd5 put");
        variable.push_back(L"FieldAdd5 get");
        CheckOrder(library, IID__Variable, variable, "Variable member order");
        std::vector<std::wstring> messenger = Pairs({L"DeviceName", L"MessengerFile", L"DB"});
        for (const wchar_t* m : {L"CreateMsgFiles", L"RecordVariableNoForKORVO", L"RecordVariableDBIncomplete",
                                 L"RecordVariableWithSameName", L"RecordFileError", L"RecordCheckVariable",
                                 L"RecordKORVOTypeConversion", L"AppendAllFiles"})
            messenger.push_back(m);
        CheckOrder(library, IID__Messenger, messenger, "Messenger member order");
        std::vector<std::wstring> driver =
            Pairs({L"MessengerFile", L"DeviceName", L"DeviceId", L"DeviceCodeId"});
        for (const wchar_t* m : {L"DataSource put", L"Variables get", L"Variables putref", L"GetVariables"})
            driver.push_back(m);
        CheckOrder(library, IID__VariableDriver, driver, "VariableDriver member order");
        CheckOrder(library, IID__Collection, {L"Item", L"Add", L"Count", L"Remove", L"_NewEnum"},
                   "_Collection member order");
        library->Release();
    }
    CoUninitialize();
    if (failures) std::printf("FAIL %d checks failed\n", failures);
    std::printf("END OF early_bound.exe\n");
    return failures ? 1 : 0;
}
