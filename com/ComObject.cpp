// The shared machinery of the automation objects.

#include "ComObject.h"

#include <cstring>
#include <vector>

namespace tessaro::com {

HMODULE Module = nullptr;

namespace {

ITypeLib* LoadOwnTypeLib() {
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = GetModuleFileNameW(Module, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    ITypeLib* library = nullptr;
    if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library))) return nullptr;
    return library;
}

}  // namespace

ITypeInfo* TypeInfoOf(REFIID iid) {
    static std::mutex guard;
    static ITypeLib* library = nullptr;
    struct GuidLess {
        bool operator()(const GUID& a, const GUID& b) const { return std::memcmp(&a, &b, sizeof a) < 0; }
    };
    static std::map<GUID, ITypeInfo*, GuidLess> infos;
    std::lock_guard lock(guard);
    if (!library) library = LoadOwnTypeLib();  // kept for the process, like the module
    if (!library) return nullptr;
    auto it = infos.find(iid);
    if (it != infos.end()) return it->second;
    ITypeInfo* info = nullptr;
    if (FAILED(library->GetTypeInfoOfGuid(iid, &info))) return nullptr;
    infos[iid] = info;
    return info;
}

HRESULT Raise(int32_t number, const std::string& description) {
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(CreateErrorInfo(&create))) {
        BSTR text = ToBstr(description);
        create->SetDescription(text);
        SysFreeString(text);
        create->SetSource(const_cast<LPOLESTR>(L"Tessaro"));
        create->SetGUID(GUID_NULL);
        IErrorInfo* info = nullptr;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
            SetErrorInfo(0, info);
            info->Release();
        }
        create->Release();
    }
    return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, static_cast<unsigned>(number) & 0xFFFFu);
}

VARIANT& Arguments::Raw(UINT i) const {
    if (i >= Count()) throw RuntimeError(InvalidArgument);
    return params_->rgvarg[params_->cArgs - 1 - i];
}

VARIANT& Arguments::operator[](UINT i) const {
    VARIANT& v = Raw(i);
    if (V_VT(&v) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(&v)) return *V_VARIANTREF(&v);
    return v;
}

bool Arguments::Missing(UINT i) const {
    if (i >= Count()) return true;
    const VARIANT& v = (*this)[i];
    return V_VT(&v) == VT_ERROR && V_ERROR(&v) == DISP_E_PARAMNOTFOUND;
}

namespace {
void Convert(const VARIANT& from, VARTYPE to, Variant& into) {
    HRESULT hr = VariantChangeType(&into, const_cast<VARIANT*>(&from), 0, to);
    if (FAILED(hr)) ThrowFailure(hr, nullptr, "Argument");
}
}  // namespace

BSTR Arguments::Text(UINT i) const {
    Variant v;
    Convert((*this)[i], VT_BSTR, v);
    return std::exchange(V_BSTR(&v.get()), nullptr);
}

LONG Arguments::Long(UINT i) const {
    Variant v;
    Convert((*this)[i], VT_I4, v);
    return V_I4(&v.get());
}

VARIANT_BOOL Arguments::Flag(UINT i) const {
    Variant v;
    Convert((*this)[i], VT_BOOL, v);
    return V_BOOL(&v.get());
}

namespace {

class Enumerator final : public Unknown<Enumerator, IEnumVARIANT> {
public:
    Enumerator(std::shared_ptr<std::vector<std::shared_ptr<Variant>>> items, size_t at)
        : items_(std::move(items)), at_(at) {}

    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override {
        if (!out) return E_POINTER;
        ULONG done = 0;
        for (; done < count && at_ < items_->size(); ++done, ++at_) {
            VariantInit(&out[done]);
            HRESULT hr = VariantCopy(&out[done], &(*items_)[at_]->get());
            if (FAILED(hr)) return hr;
        }
        if (fetched) *fetched = done;
        return done == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        size_t left = items_->size() - at_;
        at_ += std::min<size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        at_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
        if (!out) return E_POINTER;
        *out = new (std::nothrow) Enumerator(items_, at_);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

private:
    std::shared_ptr<std::vector<std::shared_ptr<Variant>>> items_;
    size_t at_;
};

}  // namespace

IUnknown* NewEnumerator(std::vector<std::shared_ptr<Variant>> items) {
    return new Enumerator(std::make_shared<std::vector<std::shared_ptr<Variant>>>(std::move(items)), 0);
}

void ForEachItem(IDispatch* collection, const std::function<bool(const VARIANT&)>& visit) {
    Variant enumerated;
    InvokeId(collection, DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, &enumerated);
    VARIANT& e = enumerated.get();
    IUnknown* unknown = V_VT(&e) == VT_UNKNOWN ? V_UNKNOWN(&e) : V_VT(&e) == VT_DISPATCH ? V_DISPATCH(&e) : nullptr;
    if (!unknown) throw RuntimeError(TypeMismatch, "The collection cannot be enumerated");
    ComPtr<IEnumVARIANT> items;
    if (FAILED(unknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(items.put()))))
        throw RuntimeError(TypeMismatch, "The collection cannot be enumerated");
    for (;;) {
        Variant item;
        ULONG fetched = 0;
        HRESULT hr = items->Next(1, &item, &fetched);
        if (FAILED(hr)) ThrowFailure(hr, nullptr, "The collection cannot be enumerated");
        if (hr != S_OK || fetched == 0 || !visit(item.get())) return;
    }
}

}  // namespace tessaro::com
