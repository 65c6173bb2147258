// The in-process server: class factory, self-registration and the module's lifetime.
// Registration writes its keys by hand rather than through RegisterTypeLib, which would
// also take over the interface key of _Collection that VBA owns on a real machine.

#include <initguid.h>

#include "Objects.h"

#include <olectl.h>

#include <array>

namespace tessaro::com {
namespace {

template <IDispatch* (*New)()>
IUnknown* Created();

struct Class {
    const CLSID* clsid;
    const char* name;
    ClassFactory::Create create;
};
const std::array<Class, 5> kClasses = {{
    {&CLSID_VariableDriver, "VariableDriver", &Created<NewDriver>},
    {&CLSID_DataSource, "DataSource", &Created<NewDataSource>},
    {&CLSID_Variable, "Variable", &Created<NewVariable>},
    {&CLSID_Messenger, "Messenger", &Created<NewMessenger>},
    {&CLSID_Collection, "Collection", &Created<NewCollection>},
}};

struct Interface {
    const IID* iid;
    const char* name;
};
// Our own four; _Collection's key belongs to VBA and is left alone.
const std::array<Interface, 4> kInterfaces = {{
    {&IID__VariableDriver, "_VariableDriver"},
    {&IID__DataSource, "_DataSource"},
    {&IID__Variable, "_Variable"},
    {&IID__Messenger, "_Messenger"},
}};

constexpr const char* kDispatchProxy = "{00020424-0000-0000-C000-000000000046}";

std::string GuidText(const GUID& guid) {
    char text[40];
    wsprintfA(text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1, guid.Data2, guid.Data3,
              guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
              guid.Data4[6], guid.Data4[7]);
    return text;
}

// A creatable class's object as the class factory wants it: a failure is no object.
template <IDispatch* (*New)()>
IUnknown* Created() {
    IDispatch* object = nullptr;
    Guard([&] { object = New(); });
    return object;
}

constexpr auto SetValue = &SetClassesRootValue;

void DeleteTree(const std::string& key) { RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str()); }

std::string ModulePath() {
    std::string path(MAX_PATH, '\0');
    DWORD length = GetModuleFileNameA(Module, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return path;
}

void Unregister() {
    for (const Class& c : kClasses) {
        std::string progId = std::string("Tessaro.") + c.name;
        DeleteTree(progId);
        DeleteTree(progId + ".1");
        DeleteTree("CLSID\\" + GuidText(*c.clsid));
    }
    for (const Interface& i : kInterfaces) DeleteTree("Interface\\" + GuidText(*i.iid));
    DeleteTree("TypeLib\\" + GuidText(LIBID_Tessaro));
}

bool Register() {
    std::string module = ModulePath();
    std::string library = GuidText(LIBID_Tessaro);
    bool ok = true;
    for (const Class& c : kClasses) {
        std::string progId = std::string("Tessaro.") + c.name;
        std::string clsid = GuidText(*c.clsid);
        std::string key = "CLSID\\" + clsid;
        ok = ok && SetValue(progId, nullptr, c.name) && SetValue(progId + "\\CLSID", nullptr, clsid) &&
             SetValue(progId + "\\CurVer", nullptr, progId + ".1") && SetValue(progId + ".1", nullptr, c.name) &&
             SetValue(progId + ".1\\CLSID", nullptr, clsid) && SetValue(key, nullptr, progId) &&
             SetValue(key + "\\InprocServer32", nullptr, module) &&
             SetValue(key + "\\InprocServer32", "ThreadingModel", "Apartment") &&
             SetValue(key + "\\ProgID", nullptr, progId + ".1") &&
             SetValue(key + "\\VersionIndependentProgID", nullptr, progId) &&
             SetValue(key + "\\TypeLib", nullptr, library) && SetValue(key + "\\Version", nullptr, "1.0");
    }
    for (const Interface& i : kInterfaces) {
        std::string key = "Interface\\" + GuidText(*i.iid);
        ok = ok && SetValue(key, nullptr, i.name) && SetValue(key + "\\ProxyStubClsid", nullptr, kDispatchProxy) &&
             SetValue(key + "\\ProxyStubClsid32", nullptr, kDispatchProxy) &&
             SetValue(key + "\\TypeLib", nullptr, library) && SetValue(key + "\\TypeLib", "Version", "1.0");
    }
    std::string lib = "TypeLib\\" + library + "\\1.0";
    std::string folder = module.substr(0, module.find_last_of('\\'));
    ok = ok && SetValue(lib, nullptr, "Tessaro S7 variable import") &&
         SetValue(lib + "\\0\\" + (sizeof(void*) == 8 ? "win64" : "win32"), nullptr, module) &&
         SetValue(lib + "\\FLAGS", nullptr, "0") && SetValue(lib + "\\HELPDIR", nullptr, folder);
    return ok;
}

}  // namespace
}  // namespace tessaro::com

using namespace tessaro::com;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        Module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (const Class& c : kClasses) {
        if (clsid != *c.clsid) continue;
        // Per-thread state (the import's shared objects, the DAO engine) lives as long as
        // its thread: the module stays loaded from the first object on.
        HMODULE pinned = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(&DllGetClassObject), &pinned);
        return GetClassObject(c.create, iid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

// The module is pinned, so this only tells whether objects are alive: a host that asks
// and then frees the library leaves it loaded all the same.
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return CanUnloadNow(); }

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    Unregister();
    if (Register()) return S_OK;
    Unregister();
    return SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    Unregister();
    return S_OK;
}
