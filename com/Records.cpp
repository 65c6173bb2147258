// Variable and DataSource: thin wrappers over the core records, one per record.

#include "Objects.h"

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

HRESULT VariableObject::Dispatch(DISPID id, WORD flags, const Arguments& args, VARIANT* result) {
    for (const Property& p : kVariableProperties) {
        if (p.id != id) continue;
        tessaro::Variable& v = *core_;
        if (flags & DISPATCH_PROPERTYGET) {
            if (args.Count() != 0) return DISP_E_BADPARAMCOUNT;
            if (!result) return S_OK;
            VariantInit(result);
            if (p.text) {
                V_VT(result) = VT_BSTR;
                V_BSTR(result) = ToBstr(v.*p.text);
            } else if (p.number) {
                V_VT(result) = VT_I4;
                V_I4(result) = v.*p.number;
            } else {
                V_VT(result) = VT_BOOL;
                V_BOOL(result) = v.*p.flag ? VARIANT_TRUE : VARIANT_FALSE;
            }
            return S_OK;
        }
        if (flags & DISPATCH_PROPERTYPUT) {
            if (args.Count() != 1) return DISP_E_BADPARAMCOUNT;
            if (p.text) {
                BSTR text = args.Text(0);
                v.*p.text = FromBstr(text);
                SysFreeString(text);
            } else if (p.number) {
                v.*p.number = args.Long(0);
            } else {
                v.*p.flag = args.Flag(0) != VARIANT_FALSE;
            }
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
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
    if (flags & DISPATCH_PROPERTYGET) {
        if (args.Count() != 0) return DISP_E_BADPARAMCOUNT;
        if (!result) return S_OK;
        VariantInit(result);
        V_VT(result) = VT_BSTR;
        return get_SourceId(&V_BSTR(result));
    }
    if (flags & DISPATCH_PROPERTYPUT) {
        if (args.Count() != 1) return DISP_E_BADPARAMCOUNT;
        BSTR text = args.Text(0);
        HRESULT hr = put_SourceId(text);
        SysFreeString(text);
        return hr;
    }
    return DISP_E_MEMBERNOTFOUND;
}

}  // namespace tessaro::com
