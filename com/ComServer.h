#pragma once
// What every in-process COM server of the project shares, the component and its test
// doubles alike: reference counting and QueryInterface over the interfaces a class
// lists, the count of live objects that DllCanUnloadNow answers from, the class
// factory, and writing the registration values under HKEY_CLASSES_ROOT.

#include <windows.h>
#include <objbase.h>
#include <oaidl.h>

#include <atomic>
#include <new>
#include <string>
#include <type_traits>

namespace tessaro::com {

inline std::atomic<long> LiveObjects{0};  // objects of this module not destroyed yet
inline std::atomic<long> ServerLocks{0};  // IClassFactory::LockServer(TRUE) not undone

// IUnknown for Derived, which implements Primary and Others. QueryInterface answers
// IUnknown, IDispatch when Primary is a dispatch interface, each listed interface, and
// whatever Derived::OtherInterface gives (a hiding member; none by default).
template <class Derived, class Primary, class... Others>
class Unknown : public Primary, public Others... {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --refs_;
        if (left == 0) delete static_cast<Derived*>(this);
        return left;
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == __uuidof(Primary) ||
            (std::is_base_of_v<IDispatch, Primary> && iid == IID_IDispatch)) {
            *out = static_cast<Primary*>(this);
        } else {
            (void)((iid == __uuidof(Others) ? (*out = static_cast<Others*>(this), true) : false) || ...);
        }
        if (!*out) *out = static_cast<Derived*>(this)->OtherInterface(iid);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    void* OtherInterface(REFIID) { return nullptr; }
    // A new reference unless the object is already on its way out.
    bool AddRefIfAlive() {
        ULONG now = refs_.load();
        while (now != 0)
            if (refs_.compare_exchange_weak(now, now + 1)) return true;
        return false;
    }

protected:
    Unknown() { ++LiveObjects; }
    virtual ~Unknown() { --LiveObjects; }

private:
    std::atomic<ULONG> refs_{1};
};

class ClassFactory final : public Unknown<ClassFactory, IClassFactory> {
public:
    using Create = IUnknown* (*)();  // a new object with one reference, null on failure
    explicit ClassFactory(Create create) : create_(create) {}
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        IUnknown* object = create_();
        if (!object) return E_OUTOFMEMORY;
        HRESULT hr = object->QueryInterface(iid, out);
        object->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        lock ? ++ServerLocks : --ServerLocks;
        return S_OK;
    }

private:
    Create create_;
};

// DllGetClassObject's answer for one class.
inline HRESULT GetClassObject(ClassFactory::Create create, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto* factory = new (std::nothrow) ClassFactory(create);
    if (!factory) return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
}

// DllCanUnloadNow's answer: no object alive and no lock.
inline HRESULT CanUnloadNow() { return LiveObjects == 0 && ServerLocks == 0 ? S_OK : S_FALSE; }

// Writes one text value (name null: the key's default value) under HKEY_CLASSES_ROOT.
inline bool SetClassesRootValue(const std::string& key, const char* name, const std::string& value) {
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG status = RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
    return status == ERROR_SUCCESS;
}

}  // namespace tessaro::com
