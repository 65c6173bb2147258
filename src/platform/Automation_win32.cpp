#include "platform/Automation_win32.h"

#include <tessaro/RuntimeError.h>

#include <algorithm>
#include <vector>

namespace tessaro {

void ThrowFailure(HRESULT hr, const EXCEPINFO* info, const std::string& what) {
    std::string description = what;
    if (info && info->bstrDescription) description += ": " + FromBstr(info->bstrDescription);
    if (info && info->scode) hr = info->scode;
    if (info && !info->scode && info->wCode) throw RuntimeError(info->wCode, description);
    if (HRESULT_FACILITY(hr) == FACILITY_CONTROL) throw RuntimeError(HRESULT_CODE(hr), description);
    switch (hr) {
    case DISP_E_TYPEMISMATCH: throw RuntimeError(TypeMismatch, description);
    case DISP_E_BADINDEX: throw RuntimeError(SubscriptOutOfRange, description);
    case DISP_E_OVERFLOW: throw RuntimeError(Overflow, description);
    case E_POINTER: throw RuntimeError(ObjectNotSet, description);
    default: break;
    }
    char code[16];
    wsprintfA(code, "0x%08lX", static_cast<unsigned long>(hr));
    throw RuntimeError(InvalidArgument, description + " (" + code + ")");
}

void InvokeId(IDispatch* object, DISPID id, WORD flags, std::initializer_list<VARIANT> args, VARIANT* result) {
    if (!object) throw RuntimeError(ObjectNotSet);
    // DISPPARAMS takes the arguments last to first.
    std::vector<VARIANT> reversed(args.begin(), args.end());
    std::reverse(reversed.begin(), reversed.end());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    DISPID named = DISPID_PROPERTYPUT;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    EXCEPINFO info{};
    UINT badArgument = 0;
    HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &info, &badArgument);
    if (FAILED(hr)) {
        if (hr == DISP_E_EXCEPTION && info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
        struct Clear {
            EXCEPINFO& i;
            ~Clear() {
                SysFreeString(i.bstrSource);
                SysFreeString(i.bstrDescription);
                SysFreeString(i.bstrHelpFile);
            }
        } clear{info};
        ThrowFailure(hr, hr == DISP_E_EXCEPTION ? &info : nullptr, "Automation call failed");
    }
}

void Invoke(IDispatch* object, const wchar_t* name, WORD flags, std::initializer_list<VARIANT> args,
            VARIANT* result) {
    if (!object) throw RuntimeError(ObjectNotSet);
    DISPID id = 0;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) ThrowFailure(hr, nullptr, "Object doesn't support this property or method");
    InvokeId(object, id, flags, args, result);
}

ComPtr<IDispatch> DispatchOf(const VARIANT& value) {
    const VARIANT* v = &value;
    if (V_VT(v) == (VT_VARIANT | VT_BYREF)) v = V_VARIANTREF(v);
    IUnknown* unknown = nullptr;
    switch (V_VT(v)) {
    case VT_DISPATCH: unknown = V_DISPATCH(v); break;
    case VT_UNKNOWN: unknown = V_UNKNOWN(v); break;
    case VT_DISPATCH | VT_BYREF: unknown = *V_DISPATCHREF(v); break;
    case VT_UNKNOWN | VT_BYREF: unknown = *V_UNKNOWNREF(v); break;
    default: throw RuntimeError(TypeMismatch);
    }
    if (!unknown) throw RuntimeError(ObjectNotSet);
    ComPtr<IDispatch> dispatch;
    if (FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put()))))
        throw RuntimeError(TypeMismatch);
    return dispatch;
}

std::string FromBstr(BSTR text) {
    if (!text) return {};
    int length = static_cast<int>(SysStringLen(text));
    if (length == 0) return {};
    BOOL lossy = FALSE;
    int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, length, nullptr, 0, "?", &lossy);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, length, out.data(), bytes, "?", &lossy);
    return out;
}

BSTR ToBstr(const std::string& text) {
    if (text.empty()) return SysAllocStringLen(nullptr, 0);
    int length = static_cast<int>(text.size());
    int chars = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(chars));
    if (!out) throw RuntimeError(7, "Out of memory");
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, out, chars);
    return out;
}

VARIANT TextArgument(const std::string& text) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = ToBstr(text);
    return v;
}

VARIANT LongArgument(int32_t value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

}  // namespace tessaro
