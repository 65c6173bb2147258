// A C++ host with its own _Collection, loading the DLL from a folder named with "é"
// (ANSI code page 1252) without registration. It imports the sample project into the
// driver's own Variables and into its own collection (which also holds the data
// sources) and compares records and merged message files; imports with Variables set
// to Nothing; starts a nested GetVariables from a window message that the per-line pump
// dispatches; and at the end asks DllCanUnloadNow whether every object is gone.
//   host.exe DLL DEVICE-DB SOURCES-FOLDER WORK-FOLDER

#include "ComServer.h"

#include <initguid.h>

#include "Tessaro_h.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

int failures = 0;
void Check(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok) ++failures;
}

HRESULT VbError(int number) { return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number); }

std::wstring Upper(const wchar_t* text) {
    std::wstring s = text ? text : L"";
    CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

// Items in order with optional keys compared without regard to case, as a host's own.
class HostCollection final : public tessaro::com::Unknown<HostCollection, _Collection> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return *count = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        VARIANT none;
        V_VT(&none) = VT_ERROR;
        V_ERROR(&none) = DISP_E_PARAMNOTFOUND;
        auto arg = [&](UINT i) { return i < p->cArgs ? &p->rgvarg[p->cArgs - 1 - i] : &none; };
        VARIANT dummy;
        VariantInit(&dummy);
        VARIANT* out = result ? result : &dummy;
        switch (id) {
        case DISPID_VALUE: return Item(arg(0), out);
        case 1: return Add(arg(0), arg(1), arg(2), arg(3));
        case 2: return V_VT(out) = VT_I4, Count(&V_I4(out));
        case 3: return Remove(arg(0));
        case DISPID_NEWENUM: return V_VT(out) = VT_UNKNOWN, _NewEnum(&V_UNKNOWN(out));
        default: return DISP_E_MEMBERNOTFOUND;
        }
    }
    HRESULT STDMETHODCALLTYPE Item(VARIANT* index, VARIANT* out) override {
        size_t at = At(index);
        if (at >= items_->size()) return VbError(V_VT(index) == VT_BSTR ? 5 : 9);
        VariantInit(out);
        return VariantCopy(out, &(*items_)[at].second);
    }
    HRESULT STDMETHODCALLTYPE Add(VARIANT* item, VARIANT* key, VARIANT*, VARIANT*) override {
        std::wstring k = V_VT(key) == VT_BSTR ? Upper(V_BSTR(key)) : L"";
        for (auto& e : *items_)
            if (!k.empty() && e.first == k) return VbError(457);
        items_->emplace_back(k, VARIANT{});
        VariantInit(&items_->back().second);
        return VariantCopy(&items_->back().second, item);
    }
    HRESULT STDMETHODCALLTYPE Count(LONG* out) override { return *out = static_cast<LONG>(items_->size()), S_OK; }
    HRESULT STDMETHODCALLTYPE Remove(VARIANT* index) override {
        size_t at = At(index);
        if (at >= items_->size()) return VbError(V_VT(index) == VT_BSTR ? 5 : 9);
        VariantClear(&(*items_)[at].second);
        items_->erase(items_->begin() + static_cast<std::ptrdiff_t>(at));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE _NewEnum(IUnknown** out) override {
        *out = new Enumerator(*this);
        return S_OK;
    }
    ~HostCollection() override {
        for (auto& e : *items_) VariantClear(&e.second);
    }

private:
    using Entry = std::pair<std::wstring, VARIANT>;
    size_t At(VARIANT* index) const {
        if (V_VT(index) == VT_BSTR) {
            std::wstring k = Upper(V_BSTR(index));
            for (size_t i = 0; i < items_->size(); ++i)
                if ((*items_)[i].first == k) return i;
            return items_->size();
        }
        VARIANT n;
        VariantInit(&n);
        if (FAILED(VariantChangeType(&n, index, 0, VT_I4)) || V_I4(&n) < 1) return items_->size();
        return static_cast<size_t>(V_I4(&n) - 1);
    }
    // Walks the items by position, holding the collection.
    class Enumerator final : public tessaro::com::Unknown<Enumerator, IEnumVARIANT> {
    public:
        explicit Enumerator(HostCollection& c) : c_(&c) { c_->AddRef(); }
        ~Enumerator() override { c_->Release(); }
        HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override {
            ULONG done = 0;
            for (; done < count && at_ < c_->items_->size(); ++done, ++at_) {
                VariantInit(&out[done]);
                VariantCopy(&out[done], &(*c_->items_)[at_].second);
            }
            if (fetched) *fetched = done;
            return done == count ? S_OK : S_FALSE;
        }
        HRESULT STDMETHODCALLTYPE Skip(ULONG count) override { return at_ += count, S_OK; }
        HRESULT STDMETHODCALLTYPE Reset() override { return at_ = 0, S_OK; }
        HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT**) override { return E_NOTIMPL; }

    private:
        HostCollection* c_;
        size_t at_ = 0;
    };
    std::vector<Entry>* items_ = &entries_;
    std::vector<Entry> entries_;
};

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
template <class F>
F Export(HMODULE dll, const char* name) {
    return dll ? reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(dll, name))) : nullptr;
}
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

std::string Narrow(BSTR b) {
    std::string s(static_cast<size_t>(WideCharToMultiByte(CP_ACP, 0, b, static_cast<int>(SysStringLen(b)), nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_ACP, 0, b, static_cast<int>(SysStringLen(b)), s.data(), static_cast<int>(s.size()), nullptr, nullptr);
    SysFreeString(b);
    return s;
}

// Every property of every Variable in the collection, one line each.
std::vector<std::string> Rows(_Collection* variables) {
    std::vector<std::string> rows;
    LONG count = 0;
    variables->Count(&count);
    for (LONG i = 1; i <= count; ++i) {
        VARIANT index, item;
        V_VT(&index) = VT_I4;
        V_I4(&index) = i;
        VariantInit(&item);
        _Variable* v = nullptr;
        if (FAILED(variables->Item(&index, &item)) || V_VT(&item) != VT_DISPATCH ||
            FAILED(V_DISPATCH(&item)->QueryInterface(IID__Variable, reinterpret_cast<void**>(&v)))) {
            rows.push_back("FAIL item");
            continue;
        }
        std::string row;
        BSTR text = nullptr;
        for (auto get : {&_Variable::get_Name, &_Variable::get_SectionName, &_Variable::get_TagAttribute})
            (v->*get)(&text), row += Narrow(text) + "|";
        LONG n = 0;
        for (auto get : {&_Variable::get_DeviceId, &_Variable::get_NestingLevel, &_Variable::get_DataAreaId,
                         &_Variable::get_DataTypeId, &_Variable::get_VariableLen, &_Variable::get_FieldAdd1,
                         &_Variable::get_FieldAdd2, &_Variable::get_FieldAdd3, &_Variable::get_FieldAdd4,
                         &_Variable::get_FieldAdd5})
            (v->*get)(&n), row += std::to_string(n) + "|";
        VARIANT_BOOL flag = 0;
        for (auto get : {&_Variable::get_Sign, &_Variable::get_Warning}) (v->*get)(&flag), row += std::to_string(flag) + "|";
        rows.push_back(row);
        v->Release();
        VariantClear(&item);
    }
    return rows;
}

std::string merged;  // the merged message file
std::string TakeMessages() {
    std::string text;
    if (FILE* f = std::fopen(merged.c_str(), "rb")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
        std::fclose(f);
    }
    DeleteFileA(merged.c_str());
    size_t header = text.find("--Line1--");  // the time stamp of the header is not compared
    return header == std::string::npos ? text : text.substr(text.find("\r\n", header));
}

_VariableDriver* NewDriver() {
    _VariableDriver* d = Create<_VariableDriver>(CLSID_VariableDriver, IID__VariableDriver);
    BSTR name = SysAllocString(L"Line1");
    d->put_DeviceName(name);
    SysFreeString(name);
    d->put_DeviceCodeId(1);
    d->put_DeviceId(7);
    return d;
}

struct Nested {
    _VariableDriver* driver;
    _Collection* sources;
    bool ran = false;
    VARIANT_BOOL result = VARIANT_TRUE;
} nested;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message != WM_APP) return DefWindowProcA(window, message, w, l);
    nested.ran = true;
    nested.driver->GetVariables(&nested.sources, &nested.result);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 || FAILED(CoInitialize(nullptr))) return 2;
    // The layout, in a folder named with "é": the component two levels below the
    // device database, the merged message file one level below it.
    const std::string base = std::string(argv[4]) + "\\caf\xE9", bin = base + "\\app\\bin", project = base + "\\Projekt \xE9";
    for (const std::string& folder : {base, base + "\\app", bin, project}) CreateDirectoryA(folder.c_str(), nullptr);
    merged = base + "\\app\\Messenger.Msg";
    bool copied = CopyFileA(argv[1], (bin + "\\tessaro.dll").c_str(), FALSE) &&
                  CopyFileA(argv[2], (base + "\\KorvoDEV.dbr").c_str(), FALSE);
    for (const char* file : {"\\Plant.ASC", "\\Plant.AWL"})
        copied = copied && CopyFileA((std::string(argv[3]) + file).c_str(), (project + file).c_str(), FALSE);
    Check(copied, "the layout is made in a folder named with \xE9");
    HMODULE dll = LoadLibraryA((bin + "\\tessaro.dll").c_str());
    getClassObject = Export<GetClassObjectFn>(dll, "DllGetClassObject");
    auto canUnloadNow = Export<HRESULT(STDAPICALLTYPE*)()>(dll, "DllCanUnloadNow");
    if (!getClassObject || !canUnloadNow) {
        std::printf("FAIL cannot load %s\n", (bin + "\\tessaro.dll").c_str());
        return 1;
    }
    // The data sources, in the component's collection and in the host's.
    _Collection* ownSources = Create<_Collection>(CLSID_Collection, IID__Collection);
    auto* hostSources = new HostCollection;
    for (const char* file : {"\\Plant.AWL", "\\Plant.ASC"}) {
        _DataSource* source = Create<_DataSource>(CLSID_DataSource, IID__DataSource);
        std::string path = project + file;
        std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0)), L'\0');
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
        BSTR id = SysAllocString(wide.c_str());
        source->put_SourceId(id);
        SysFreeString(id);
        VARIANT item, none;
        V_VT(&item) = VT_DISPATCH;
        V_DISPATCH(&item) = source;
        V_VT(&none) = VT_ERROR;
        V_ERROR(&none) = DISP_E_PARAMNOTFOUND;
        ownSources->Add(&item, &none, &none, &none);
        hostSources->Add(&item, &none, &none, &none);
        source->Release();
    }
    DeleteFileA(merged.c_str());

    // The driver's own Variables.
    _VariableDriver* own = NewDriver();
    VARIANT_BOOL ok = VARIANT_FALSE;
    own->GetVariables(&ownSources, &ok);
    Check(ok == VARIANT_TRUE, "import into the driver's own Variables");
    _Collection* ownVariables = nullptr;
    own->get_Variables(&ownVariables);
    const std::vector<std::string> expected = Rows(ownVariables);
    const std::string expectedMessages = TakeMessages();
    Check(expected.size() > 10 && expectedMessages.size() > 10,
          "variables imported (" + std::to_string(expected.size()) + ") and messages written");
    Check(canUnloadNow() == S_FALSE, "DllCanUnloadNow: S_FALSE while objects live");
    ownVariables->Release();
    own->Release();

    // The host's collection as Variables and as DataSources.
    auto* hostVariables = new HostCollection;
    _VariableDriver* driver = NewDriver();
    driver->putref_Variables(hostVariables);
    _Collection* sources = hostSources;
    ok = VARIANT_FALSE;
    driver->GetVariables(&sources, &ok);
    Check(ok == VARIANT_TRUE, "import into the host's collection");
    _Collection* read = nullptr;
    driver->get_Variables(&read);
    Check(read == hostVariables, "Variables reads back the host's collection itself");
    if (read) read->Release();
    Check(Rows(hostVariables) == expected, "the same records in the host's collection");
    Check(TakeMessages() == expectedMessages, "the same merged message file");

    // A nested import from the per-line pump fails; the outer one is not disturbed.
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.lpszClassName = "TessaroHost";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("TessaroHost", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    nested.driver = driver;
    nested.sources = ownSources;
    auto* again = new HostCollection;
    driver->putref_Variables(again);
    PostMessageA(window, WM_APP, 0, 0);
    ok = VARIANT_FALSE;
    driver->GetVariables(&sources, &ok);
    Check(window && nested.ran && nested.result == VARIANT_FALSE, "a nested GetVariables returns false");
    Check(ok == VARIANT_TRUE && Rows(again) == expected, "the outer import completes with the same records");
    TakeMessages();
    DestroyWindow(window);

    // Variables set to Nothing: each file ends in a file error, the import in true.
    driver->putref_Variables(nullptr);
    ok = VARIANT_FALSE;
    driver->GetVariables(&sources, &ok);
    const std::string messages = TakeMessages();
    const size_t errors = messages.find("-File access error");
    Check(ok == VARIANT_TRUE && errors != std::string::npos &&
              messages.find(project + "\\Plant.ASC", errors) != std::string::npos &&
              messages.find(project + "\\Plant.AWL", errors) != std::string::npos,
          "without Variables, each file is reported as a file error");

    // The driver empties the host's collections when it goes; then nothing is left.
    driver->putref_Variables(hostVariables);
    driver->Release();
    LONG left = -1;
    hostVariables->Count(&left);
    Check(left == 0, "the host's Variables emptied when the driver goes");
    again->Count(&left);
    Check(left == static_cast<LONG>(expected.size()), "a collection set earlier keeps its records");
    again->Release();
    hostVariables->Release();
    hostSources->Release();
    ownSources->Release();
    Check(canUnloadNow() == S_OK, "DllCanUnloadNow: S_OK, every object released");
    CoUninitialize();
    if (failures) std::printf("FAIL %d checks failed\n", failures);
    std::printf("END OF host.exe\n");
    return failures ? 1 : 0;
}
