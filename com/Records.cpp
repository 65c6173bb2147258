// Variable and DataSource: thin wrappers over the core records, one per record; and the
// plain properties every wrapper shares.

#include "Objects.h"

#include <type_traits>

namespace tessaro::com {

HRESULT PropertyOut(const std::string& field, BSTR* out) {
    if (!out) return E_POINTER;
    return Guard([&] { *out = ToBstr(field); });
}

HRESULT PropertyIn(BSTR value, std::string& field) {
    return Guard([&] { field = FromBstr(value); });
}

HRESULT PropertyOut(int32_t field, LONG* out) {
    if (!out) return E_POINTER;
    *out = field;
    return S_OK;
}

HRESULT PropertyIn(LONG value, int32_t& field) {
    field = value;
    return S_OK;
}

HRESULT PropertyOut(bool field, VARIANT_BOOL* out) {
    if (!out) return E_POINTER;
    *out = field ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT PropertyIn(VARIANT_BOOL value, bool& field) {
    field = value != VARIANT_FALSE;
    return S_OK;
}

namespace {

template <class T>
HRESULT DispatchMember(T& field, WORD flags, const Arguments& args, VARIANT* result) {
    if (flags & DISPATCH_PROPERTYGET) {
        if (args.Count() != 0) return DISP_E_BADPARAMCOUNT;
        if (!result) return S_OK;
        VariantInit(result);
        if constexpr (std::is_same_v<T, std::string>) {
            V_VT(result) = VT_BSTR;
            return PropertyOut(field, &V_BSTR(result));
        } else if constexpr (std::is_same_v<T, bool>) {
            V_VT(result) = VT_BOOL;
            V_BOOL(result) = field ? VARIANT_TRUE : VARIANT_FALSE;
        } else {
            V_VT(result) = VT_I4;
            V_I4(result) = field;
        }
        return S_OK;
    }
    if (flags & DISPATCH_PROPERTYPUT) {
        if (args.Count() != 1) return DISP_E_BADPARAMCOUNT;
        if constexpr (std::is_same_v<T, std::string>) {
            BSTR text = args.Text(0);
            HRESULT hr = PropertyIn(text, field);
            SysFreeString(text);
            return hr;
        } else if constexpr (std::is_same_v<T, bool>) {
            field = args.Flag(0) != VARIANT_FALSE;
        } else {
            field = args.Long(0);
        }
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

}  // namespace

HRESULT DispatchProperty(std::string& field, WORD flags, const Arguments& args, VARIANT* result) {
    return DispatchMember(field, flags, args, result);
}
HRESULT DispatchProperty(int32_t& field, WORD flags, const Arguments& args, VARIANT* result) {
    return DispatchMember(field, flags, args, result);
}
HRESULT DispatchProperty(bool& field, WORD flags, const Arguments& args, VARIANT* result) {
    return DispatchMember(field, flags, args, result);
}

TESSARO_DEFINE_DISPATCH(VariableObject, TESSARO_VARIABLE_MEMBERS)
TESSARO_DEFINE_DISPATCH(DataSourceObject, TESSARO_DATASOURCE_MEMBERS)

}  // namespace tessaro::com
