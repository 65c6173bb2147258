// Variable and DataSource: thin wrappers over the core records, one per record.

#include "Objects.h"

#include <type_traits>

namespace tessaro::com {
namespace {

using TextField = std::string tessaro::Variable::*;
using LongField = int32_t tessaro::Variable::*;
using FlagField = bool tessaro::Variable::*;

// The properties by DISPID, as the type library numbers them.
struct Property {
    DISPID id;
    TextField text;
    LongField number;
    FlagField flag;
};
constexpr Property kVariableProperties[] = {
    {1, nullptr, nullptr, &tessaro::Variable::Warning},
    {2, nullptr, nullptr, &tessaro::Variable::Sign},
    {3, &tessaro::Variable::Name, nullptr, nullptr},
    {4, &tessaro::Variable::SectionName, nullptr, nullptr},
    {5, nullptr, &tessaro::Variable::DeviceId, nullptr},
    {6, nullptr, &tessaro::Variable::NestingLevel, nullptr},
    {7, &tessaro::Variable::TagAttribute, nullptr, nullptr},
    {8, nullptr, &tessaro::Variable::DataAreaId, nullptr},
    {9, nullptr, &tessaro::Variable::DataTypeId, nullptr},
    {10, nullptr, &tessaro::Variable::VariableLen, nullptr},
    {11, nullptr, &tessaro::Variable::FieldAdd1, nullptr},
    {12, nullptr, &tessaro::Variable::FieldAdd2, nullptr},
    {13, nullptr, &tessaro::Variable::FieldAdd3, nullptr},
    {14, nullptr, &tessaro::Variable::FieldAdd4, nullptr},
    {15, nullptr, &tessaro::Variable::FieldAdd5, nullptr},
};

}  // namespace

HRESULT TextOut(const std::string& text, BSTR* out) {
    if (!out) return E_POINTER;
    return Guard([&] { *out = ToBstr(text); });
}

HRESULT TextIn(BSTR text, std::string& into) {
    return Guard([&] { into = FromBstr(text); });
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
            return TextOut(field, &V_BSTR(result));
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
            HRESULT hr = TextIn(text, field);
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

HRESULT VariableObject::Dispatch(DISPID id, WORD flags, const Arguments& args, VARIANT* result) {
    for (const Property& p : kVariableProperties) {
        if (p.id != id) continue;
        tessaro::Variable& v = *core_;
        if (p.text) return DispatchProperty(v.*p.text, flags, args, result);
        if (p.number) return DispatchProperty(v.*p.number, flags, args, result);
        return DispatchProperty(v.*p.flag, flags, args, result);
    }
    return DISP_E_MEMBERNOTFOUND;
}

TESSARO_FLAG_PROPERTY(VariableObject, Warning, core_->Warning)
TESSARO_FLAG_PROPERTY(VariableObject, Sign, core_->Sign)
TESSARO_TEXT_PROPERTY(VariableObject, Name, core_->Name)
TESSARO_TEXT_PROPERTY(VariableObject, SectionName, core_->SectionName)
TESSARO_LONG_PROPERTY(VariableObject, DeviceId, core_->DeviceId)
TESSARO_LONG_PROPERTY(VariableObject, NestingLevel, core_->NestingLevel)
TESSARO_TEXT_PROPERTY(VariableObject, TagAttribute, core_->TagAttribute)
TESSARO_LONG_PROPERTY(VariableObject, DataAreaId, core_->DataAreaId)
TESSARO_LONG_PROPERTY(VariableObject, DataTypeId, core_->DataTypeId)
TESSARO_LONG_PROPERTY(VariableObject, VariableLen, core_->VariableLen)
TESSARO_LONG_PROPERTY(VariableObject, FieldAdd1, core_->FieldAdd1)
TESSARO_LONG_PROPERTY(VariableObject, FieldAdd2, core_->FieldAdd2)
TESSARO_LONG_PROPERTY(VariableObject, FieldAdd3, core_->FieldAdd3)
TESSARO_LONG_PROPERTY(VariableObject, FieldAdd4, core_->FieldAdd4)
TESSARO_LONG_PROPERTY(VariableObject, FieldAdd5, core_->FieldAdd5)

TESSARO_TEXT_PROPERTY(DataSourceObject, SourceId, core_->SourceId)

HRESULT DataSourceObject::Dispatch(DISPID id, WORD flags, const Arguments& args, VARIANT* result) {
    if (id != 1) return DISP_E_MEMBERNOTFOUND;
    return DispatchProperty(core_->SourceId, flags, args, result);
}

}  // namespace tessaro::com
