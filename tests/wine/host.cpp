// A C++ host with its own _Collection, loading the DLL from a folder named with "é"
// (ANSI code page 1252) without registration. It imports the sample project into the
// driver's own Variables and into its own collection (which also holds the data
// sources) and compares the variables; meanwhile a window message that the per-line pump
// dispatches starts a nested GetVariables. At the end it asks DllCanUnloadNow whether
// every object is gone.
//   host.exe DLL DEVICE-DB SOURCES-FOLDER WORK-FOLDER

#include "ComServer.h"

#include <initguid.h>

#include "Tessaro_h.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

int failures = 0;
void Check(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok) ++failures;
}

// A host's own collection: an object of the host, which the server cannot take for one
// of its own, keeping its items in a Tessaro.Collection it holds.
class HostCollection final : public tessaro::com::Unknown<HostCollection, _Collection> {
public:
    explicit HostCollection(_Collection* items) : items_(items) {}
    ~HostCollection() override { items_->Release(); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return *count = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT* badArgument) override {
        return items_->Invoke(id, iid, lcid, flags, params, result, exception, badArgument);
    }
    HRESULT STDMETHODCALLTYPE Item(VARIANT* index, VARIANT* out) override { return items_->Item(index, out); }
    HRESULT STDMETHODCALLTYPE Add(VARIANT* item, VARIANT* key, VARIANT* before, VARIANT* after) override {
        return items_->Add(item, key, before, after);
    }
    HRESULT STDMETHODCALLTYPE Count(LONG* out) override { return items_->Count(out); }
    HRESULT STDMETHODCALLTYPE Remove(VARIANT* index) override { return items_->Remove(index); }
    HRESULT STDMETHODCALLTYPE _NewEnum(IUnknown** out) override { return items_->_NewEnum(out); }

private:
    _Collection* items_;
};

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
GetClassObjectFn getClassObject = nullptr;

template <class I>
I* Create(REFCLSID clsid, REFIID iid) {
    IClassFactory* factory = nullptr;
    I* object = nullptr;
    if (SUCCEEDED(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
        factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&object));
        factory->Release();
    }
    return object;
}

// The name and section of each Variable in the collection, in its order.
std::vector<std::wstring> Rows(_Collection* variables) {
    std::vector<std::wstring> rows;
    LONG count = 0;
    variables->Count(&count);
    for (LONG i = 1; i <= count; ++i) {
        VARIANT index, item;
        V_VT(&index) = VT_I4;
        V_I4(&index) = i;
        VariantInit(&item);
        _Variable* v = nullptr;
        BSTR name = nullptr, section = nullptr;
        if (SUCCEEDED(variables->Item(&index, &item)) && V_VT(&item) == VT_DISPATCH &&
            SUCCEEDED(V_DISPATCH(&item)->QueryInterface(IID__Variable, reinterpret_cast<void**>(&v)))) {
            v->get_Name(&name);
            v->get_SectionName(&section);
            v->Release();
        }
        rows.push_back(std::wstring(name ? name : L"(none)") + L"|" + (section ? section : L"(none)"));
        SysFreeString(name);
        SysFreeString(section);
        VariantClear(&item);
    }
    return rows;
}

_VariableDriver* NewDriver() {
    _VariableDriver* d = Create<_VariableDriver>(CLSID_VariableDriver, IID__VariableDriver);
    d->put_DeviceCodeId(1);
    return d;
}

// The import that a window message starts while another runs, and its answer.
_VariableDriver* nestedDriver = nullptr;
_Collection* nestedSources = nullptr;
VARIANT_BOOL nestedResult = VARIANT_TRUE;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message != WM_APP) return DefWindowProcA(window, message, w, l);
    nestedDriver->GetVariables(&nestedSources, &nestedResult);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 || FAILED(CoInitialize(nullptr))) return 2;
    // The layout, in a folder named with "é": the component two levels below the
    // device database.
    const std::string base = std::string(argv[4]) + "\\caf\xE9", bin = base + "\\app\\bin", project = base + "\\Projekt \xE9";
    for (const std::string& folder : {base, base + "\\app", bin, project}) CreateDirectoryA(folder.c_str(), nullptr);
    CopyFileA(argv[1], (bin + "\\tessaro.dll").c_str(), FALSE);
    CopyFileA(argv[2], (base + "\\KorvoDEV.dbr").c_str(), FALSE);
    for (const char* file : {"\\Plant.ASC", "\\Plant.AWL"})
        CopyFileA((std::string(argv[3]) + file).c_str(), (project + file).c_str(), FALSE);
    HMODULE dll = LoadLibraryA((bin + "\\tessaro.dll").c_str());
    auto exported = [&](const char* name) { return reinterpret_cast<void (*)()>(GetProcAddress(dll, name)); };
    getClassObject = reinterpret_cast<GetClassObjectFn>(exported("DllGetClassObject"));
    auto canUnloadNow = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(exported("DllCanUnloadNow"));
    if (!dll || !getClassObject || !canUnloadNow) {
        std::printf("FAIL cannot load %s (a folder named with \xE9)\n", (bin + "\\tessaro.dll").c_str());
        return 1;
    }
    // The data sources, in the component's collection and in the host's.
    _Collection* ownSources = Create<_Collection>(CLSID_Collection, IID__Collection);
    auto* hostSources = new HostCollection(Create<_Collection>(CLSID_Collection, IID__Collection));
    for (const char* file : {"\\Plant.AWL", "\\Plant.ASC"}) {
        _DataSource* source = Create<_DataSource>(CLSID_DataSource, IID__DataSource);
        wchar_t path[MAX_PATH] = {};
        MultiByteToWideChar(CP_ACP, 0, (project + file).c_str(), -1, path, MAX_PATH);
        BSTR id = SysAllocString(path);
        source->put_SourceId(id);
        SysFreeString(id);
        VARIANT item, none;  // none: an argument left out
        V_VT(&item) = VT_DISPATCH;
        V_DISPATCH(&item) = source;
        VariantInit(&none);
        ownSources->Add(&item, &none, &none, &none);
        hostSources->Add(&item, &none, &none, &none);
        source->Release();
    }

    // The driver's own Variables.
    _VariableDriver* own = NewDriver();
    VARIANT_BOOL ok = VARIANT_FALSE;
    own->GetVariables(&ownSources, &ok);
    _Collection* ownVariables = nullptr;
    own->get_Variables(&ownVariables);
    const std::vector<std::wstring> expected = Rows(ownVariables);
    Check(ok == VARIANT_TRUE && expected.size() > 10,
          "import into the driver's own Variables (" + std::to_string(expected.size()) + " variables)");
    Check(canUnloadNow() == S_FALSE, "DllCanUnloadNow: S_FALSE while objects live");
    ownVariables->Release();
    own->Release();

    // The host's collection as Variables and as DataSources. A message waiting for the
    // per-line pump starts a nested import, which fails; the outer one is not disturbed.
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.lpszClassName = "TessaroHost";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("TessaroHost", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    auto* hostVariables = new HostCollection(Create<_Collection>(CLSID_Collection, IID__Collection));
    _VariableDriver* driver = NewDriver();
    driver->putref_Variables(hostVariables);
    nestedDriver = driver;
    nestedSources = ownSources;
    PostMessageA(window, WM_APP, 0, 0);
    _Collection* sources = hostSources;
    ok = VARIANT_FALSE;
    driver->GetVariables(&sources, &ok);
    Check(nestedResult == VARIANT_FALSE, "a nested GetVariables returns false");
    Check(ok == VARIANT_TRUE, "import into the host's collection");
    Check(Rows(hostVariables) == expected, "the same records in the host's collection");
    DestroyWindow(window);

    driver->Release();
    hostVariables->Release();
    hostSources->Release();
    ownSources->Release();
    Check(canUnloadNow() == S_OK, "DllCanUnloadNow: S_OK, every object released");
    CoUninitialize();
    if (failures) std::printf("FAIL %d checks failed\n", failures);
    std::printf("END OF host.exe\n");
    return failures ? 1 : 0;
}
