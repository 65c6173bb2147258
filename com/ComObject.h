#pragma once
// The machinery every automation object of the server shares: reference counting,
// IDispatch through the embedded type library, run-time errors as VB components raise
// them (HRESULT 0x800A0000 + number with IErrorInfo), and the map that gives each core
// object exactly one wrapper, so that a host's "a Is b" holds.

#include "Tessaro_h.h"

#include "ComServer.h"
#include "platform/Automation_win32.h"

#include <tessaro/RuntimeError.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

namespace tessaro::com {

// Answered by QueryInterface with the wrapper itself, so the server can tell its own
// objects from a host's.
// {5E1B7C1A-2B8E-4D43-9C57-3F0D1E6A9B21}
inline constexpr GUID IID_TessaroObject = {0x5e1b7c1a, 0x2b8e, 0x4d43, {0x9c, 0x57, 0x3f, 0x0d, 0x1e, 0x6a, 0x9b, 0x21}};

extern HMODULE Module;
ITypeInfo* TypeInfoOf(REFIID iid);  // from the embedded type library; not AddRef'ed

// Sets the error info and gives the HRESULT of run-time error number.
HRESULT Raise(int32_t number, const std::string& description);

// Runs f, turning a failure into the HRESULT a VB component would return.
template <class F>
HRESULT Guard(F&& f) noexcept {
    try {
        f();
        return S_OK;
    } catch (const RuntimeError& e) {
        return Raise(e.Number, e.what());
    } catch (const std::bad_alloc&) {
        return Raise(OutOfMemory, RuntimeError::DefaultDescription(OutOfMemory));
    } catch (const std::exception& e) {
        return Raise(InternalError, e.what());
    }
}

class ObjectBase {
public:
    virtual ~ObjectBase() = default;
    virtual IDispatch* AsDispatch() = 0;
};

// The arguments of IDispatch::Invoke in their written order, by-reference Variants
// looked through.
class Arguments {
public:
    explicit Arguments(DISPPARAMS* params) : params_(params) {}
    UINT Count() const { return params_ ? params_->cArgs : 0; }
    VARIANT& Raw(UINT i) const;  // as passed (to be given to by-reference parameters)
    VARIANT& operator[](UINT i) const;
    bool Missing(UINT i) const;  // absent or an omitted optional argument
    BSTR Text(UINT i) const;     // a new BSTR the caller frees
    LONG Long(UINT i) const;
    VARIANT_BOOL Flag(UINT i) const;

private:
    DISPPARAMS* params_;
};

// A dual interface Itf implemented by Derived through its vtable; IDispatch::Invoke
// goes to Derived::Dispatch, which unpacks the arguments and calls the vtable members.
template <class Derived, class Itf>
class Object : public Unknown<Derived, Itf, ISupportErrorInfo>, public ObjectBase {
public:
    IDispatch* AsDispatch() override { return this; }
    void* OtherInterface(REFIID iid) { return iid == IID_TessaroObject ? static_cast<ObjectBase*>(this) : nullptr; }
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
        return iid == __uuidof(Itf) ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        ITypeInfo* t = TypeInfoOf(__uuidof(Itf));
        if (!t) return TYPE_E_ELEMENTNOTFOUND;
        t->AddRef();
        *info = t;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        ITypeInfo* t = TypeInfoOf(__uuidof(Itf));
        if (!t) return TYPE_E_ELEMENTNOTFOUND;
        return DispGetIDsOfNames(t, names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT* badArgument) override {
        if (badArgument) *badArgument = 0;
        HRESULT hr;
        try {
            hr = static_cast<Derived*>(this)->Dispatch(id, flags, Arguments(params), result);
        } catch (const RuntimeError& e) {
            hr = Raise(e.Number, e.what());
        } catch (const std::bad_alloc&) {
            hr = Raise(OutOfMemory, RuntimeError::DefaultDescription(OutOfMemory));
        }
        if (SUCCEEDED(hr) || HRESULT_FACILITY(hr) != FACILITY_CONTROL) return hr;
        // A run-time error: hand it over as the exception of the call, or as the result
        // itself to a caller that takes no exception information.
        if (!exception) return hr;
        {
            *exception = EXCEPINFO{};
            exception->scode = hr;
            IErrorInfo* info = nullptr;
            if (GetErrorInfo(0, &info) == S_OK && info) {
                info->GetSource(&exception->bstrSource);
                info->GetDescription(&exception->bstrDescription);
                info->Release();
            }
        }
        return DISP_E_EXCEPTION;
    }

protected:
    Object() = default;
};

// One wrapper per core object: Wrapper::Core is the core type, Wrapper(shared_ptr<Core>)
// its constructor. Gives a new reference.
template <class Wrapper, class Core>
Wrapper* WrapperOf(const std::shared_ptr<Core>& core) {
    static std::mutex guard;
    static std::map<const Core*, Wrapper*> wrappers;
    std::lock_guard lock(guard);
    auto it = wrappers.find(core.get());
    if (it != wrappers.end() && it->second->AddRefIfAlive()) return it->second;
    auto* wrapper = new Wrapper(core, [core = core.get()](Wrapper* self) {
        std::lock_guard inner(guard);
        auto found = wrappers.find(core);
        if (found != wrappers.end() && found->second == self) wrappers.erase(found);
    });
    wrappers[core.get()] = wrapper;
    return wrapper;
}

// The server's own object behind an interface pointer, or null for a host's object.
template <class Wrapper>
Wrapper* OwnObject(IUnknown* unknown) {
    if (!unknown) return nullptr;
    ObjectBase* base = nullptr;
    if (FAILED(unknown->QueryInterface(IID_TessaroObject, reinterpret_cast<void**>(&base))) || !base) return nullptr;
    auto* own = dynamic_cast<Wrapper*>(base);
    base->AsDispatch()->Release();
    return own;
}

// IEnumVARIANT over a snapshot of items.
IUnknown* NewEnumerator(std::vector<std::shared_ptr<Variant>> items);

// Walks a collection through _NewEnum, handing each item to visit until it answers
// false. 13 when the collection cannot be enumerated.
void ForEachItem(IDispatch* collection, const std::function<bool(const VARIANT&)>& visit);

}  // namespace tessaro::com
