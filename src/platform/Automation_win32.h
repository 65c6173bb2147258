#pragma once
// Late-bound automation calls (IDispatch by member name) for the Windows-only parts of
// the component: the DAO engine and a host's own collections. A failed call raises a
// RuntimeError: the run-time error number a VB component raised (0x800A0000 + number),
// else 5 with the HRESULT in the description.

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <string>

namespace tessaro {

// An owned VARIANT.
class Variant {
public:
    Variant() { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT* operator&() { return &value_; }
    const VARIANT& get() const { return value_; }
    VARIANT& get() { return value_; }

private:
    VARIANT value_;
};

// An owned interface pointer.
template <class I>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(I* p) : p_(p) {}  // takes over a reference
    ComPtr(const ComPtr& other) : p_(other.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr& operator=(ComPtr other) {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComPtr() {
        if (p_) p_->Release();
    }
    I* get() const { return p_; }
    I* operator->() const { return p_; }
    I** put() {
        if (p_) p_->Release();
        p_ = nullptr;
        return &p_;
    }
    explicit operator bool() const { return p_ != nullptr; }

private:
    I* p_ = nullptr;
};

// Raises the failure of an automation call as a RuntimeError.
[[noreturn]] void ThrowFailure(HRESULT hr, const EXCEPINFO* info, const std::string& what);

// Calls member name (DISPATCH_METHOD | DISPATCH_PROPERTYGET unless flags say otherwise)
// with the arguments in their written order; the result in result (may be null).
void Invoke(IDispatch* object, const wchar_t* name, WORD flags, std::initializer_list<VARIANT> args,
            VARIANT* result);
void InvokeId(IDispatch* object, DISPID id, WORD flags, std::initializer_list<VARIANT> args, VARIANT* result);

// The object in a VARIANT as IDispatch (VT_DISPATCH or VT_UNKNOWN, also by reference);
// 13 (type mismatch) for anything else, 91 for Nothing.
ComPtr<IDispatch> DispatchOf(const VARIANT& value);

// Texts: BSTR to and from the component's 8-bit text in the system's ANSI code page.
std::string FromBstr(BSTR text);
BSTR ToBstr(const std::string& text);

// A VARIANT holding a text (a new BSTR), a 32-bit number, or a 16-bit number.
VARIANT TextArgument(const std::string& text);
VARIANT LongArgument(int32_t value);

}  // namespace tessaro
