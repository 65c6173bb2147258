// The server's _Collection objects: a driver's Variables over the core collection of
// Variable records, and Tessaro.Collection holding any Variant. Both are 1-based with
// optional keys compared without regard to letter case; a duplicate key is error 457.

#include "Objects.h"

#include <variant>

namespace tessaro::com {
namespace {

const VARIANT& LookThrough(const VARIANT* v) {
    if (!v) throw RuntimeError(InvalidArgument);
    if (V_VT(v) == (VT_VARIANT | VT_BYREF)) return *V_VARIANTREF(v);
    return *v;
}

bool Omitted(const VARIANT* v) {
    if (!v) return true;
    const VARIANT& value = LookThrough(v);
    return V_VT(&value) == VT_EMPTY || (V_VT(&value) == VT_ERROR && V_ERROR(&value) == DISP_E_PARAMNOTFOUND);
}

// An index is a position (a number) or a key (a text).
std::variant<size_t, std::string> IndexOf(const VARIANT* index) {
    const VARIANT& value = LookThrough(index);
    Variant converted;
    auto type = static_cast<VARTYPE>(V_VT(&value) & VT_TYPEMASK);
    if (type == VT_BSTR) {
        if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, VT_BSTR)))
            throw RuntimeError(TypeMismatch);
        return FromBstr(V_BSTR(&converted.get()));
    }
    if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, VT_I4))) throw RuntimeError(TypeMismatch);
    LONG position = V_I4(&converted.get());
    if (position < 1) throw RuntimeError(SubscriptOutOfRange);
    return static_cast<size_t>(position);
}

std::optional<std::string> KeyOf(const VARIANT* key) {
    if (Omitted(key)) return std::nullopt;
    const VARIANT& value = LookThrough(key);
    Variant converted;
    if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, VT_BSTR))) throw RuntimeError(TypeMismatch);
    return FromBstr(V_BSTR(&converted.get()));
}

void RefuseBeforeAfter(const VARIANT* before, const VARIANT* after) {
    if (!Omitted(before) || !Omitted(after))
        throw RuntimeError(InvalidArgument, "Add takes no Before or After in this collection");
}

template <class C>
auto ItemAt(C& collection, const VARIANT* index) {
    auto at = IndexOf(index);
    if (auto* position = std::get_if<size_t>(&at)) return collection.Item(*position);
    return collection.Item(std::string_view(std::get<std::string>(at)));
}

template <class C>
void RemoveAt(C& collection, const VARIANT* index) {
    auto at = IndexOf(index);
    if (auto* position = std::get_if<size_t>(&at)) {
        collection.Remove(*position);
    } else {
        collection.Remove(std::string_view(std::get<std::string>(at)));
    }
}

std::shared_ptr<Variant> DispatchItem(IDispatch* object) {
    auto v = std::make_shared<Variant>();
    V_VT(&v->get()) = VT_DISPATCH;
    V_DISPATCH(&v->get()) = object;  // takes the reference
    return v;
}

// The IDispatch side of both collections.
template <class C>
HRESULT InvokeItem(C* self, WORD flags, const Arguments& args, VARIANT* result) {
    if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
    if (args.Count() != 1) return DISP_E_BADPARAMCOUNT;
    Variant item;
    HRESULT hr = self->Item(&args[0], &item);
    if (SUCCEEDED(hr) && result) *result = std::exchange(item.get(), VARIANT{});
    return hr;
}

template <class C>
HRESULT InvokeAdd(C* self, WORD flags, const Arguments& args, VARIANT*) {
    if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
    if (args.Count() < 1 || args.Count() > 4) return DISP_E_BADPARAMCOUNT;
    VARIANT* given[4] = {};
    for (UINT i = 0; i < args.Count(); ++i) given[i] = &args[i];
    return self->Add(given[0], given[1], given[2], given[3]);
}

template <class C>
HRESULT InvokeCount(C* self, WORD flags, const Arguments& args, VARIANT* result) {
    if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
    if (args.Count() != 0) return DISP_E_BADPARAMCOUNT;
    LONG count = 0;
    HRESULT hr = self->Count(&count);
    if (SUCCEEDED(hr) && result) {
        V_VT(result) = VT_I4;
        V_I4(result) = count;
    }
    return hr;
}

template <class C>
HRESULT InvokeRemove(C* self, WORD flags, const Arguments& args, VARIANT*) {
    if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
    if (args.Count() != 1) return DISP_E_BADPARAMCOUNT;
    return self->Remove(&args[0]);
}

template <class C>
HRESULT Invoke_NewEnum(C* self, WORD flags, const Arguments&, VARIANT* result) {
    if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
    IUnknown* enumerator = nullptr;
    HRESULT hr = self->_NewEnum(&enumerator);
    if (SUCCEEDED(hr) && result) {
        V_VT(result) = VT_UNKNOWN;
        V_UNKNOWN(result) = enumerator;
    } else if (enumerator) {
        enumerator->Release();
    }
    return hr;
}

}  // namespace

// Variables.

HRESULT STDMETHODCALLTYPE VariablesObject::Item(VARIANT* Index, VARIANT* out) {
    if (!out) return E_POINTER;
    VariantInit(out);
    return Guard([&] {
        const VariablePtr& record = ItemAt(*core_, Index);
        V_VT(out) = VT_DISPATCH;
        V_DISPATCH(out) = WrapperOf<VariableObject>(record);
    });
}

HRESULT STDMETHODCALLTYPE VariablesObject::Add(VARIANT* Item, VARIANT* Key, VARIANT* Before, VARIANT* After) {
    return Guard([&] {
        RefuseBeforeAfter(Before, After);
        ComPtr<IDispatch> object = DispatchOf(LookThrough(Item));
        VariableObject* record = OwnObject<VariableObject>(object.get());
        if (!record) throw RuntimeError(TypeMismatch, "Variables holds Variable objects only");
        core_->Add(record->core(), KeyOf(Key));
    });
}

HRESULT STDMETHODCALLTYPE VariablesObject::Count(LONG* out) {
    if (!out) return E_POINTER;
    *out = static_cast<LONG>(core_->Count());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VariablesObject::Remove(VARIANT* Index) {
    return Guard([&] { RemoveAt(*core_, Index); });
}

HRESULT STDMETHODCALLTYPE VariablesObject::_NewEnum(IUnknown** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Guard([&] {
        std::vector<std::shared_ptr<Variant>> items;
        for (const VariablePtr& record : *core_) items.push_back(DispatchItem(WrapperOf<VariableObject>(record)));
        *out = NewEnumerator(std::move(items));
    });
}

TESSARO_DEFINE_DISPATCH(VariablesObject, TESSARO_COLLECTION_MEMBERS)

// Tessaro.Collection.

HRESULT STDMETHODCALLTYPE ItemsObject::Item(VARIANT* Index, VARIANT* out) {
    if (!out) return E_POINTER;
    VariantInit(out);
    return Guard([&] {
        const std::shared_ptr<Variant>& item = ItemAt(*core_, Index);
        HRESULT hr = VariantCopy(out, &item->get());
        if (FAILED(hr)) ThrowFailure(hr, nullptr, "Item");
    });
}

HRESULT STDMETHODCALLTYPE ItemsObject::Add(VARIANT* Item, VARIANT* Key, VARIANT* Before, VARIANT* After) {
    return Guard([&] {
        RefuseBeforeAfter(Before, After);
        auto item = std::make_shared<Variant>();
        HRESULT hr = VariantCopyInd(&*item, const_cast<VARIANT*>(&LookThrough(Item)));
        if (FAILED(hr)) ThrowFailure(hr, nullptr, "Add");
        core_->Add(std::move(item), KeyOf(Key));
    });
}

HRESULT STDMETHODCALLTYPE ItemsObject::Count(LONG* out) {
    if (!out) return E_POINTER;
    *out = static_cast<LONG>(core_->Count());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ItemsObject::Remove(VARIANT* Index) {
    return Guard([&] { RemoveAt(*core_, Index); });
}

HRESULT STDMETHODCALLTYPE ItemsObject::_NewEnum(IUnknown** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Guard([&] {
        std::vector<std::shared_ptr<Variant>> items(core_->begin(), core_->end());
        *out = NewEnumerator(std::move(items));
    });
}

TESSARO_DEFINE_DISPATCH(ItemsObject, TESSARO_COLLECTION_MEMBERS)

IDispatch* NewCollection() { return WrapperOf<ItemsObject>(std::make_shared<ItemCollection>()); }
IDispatch* NewVariable() { return WrapperOf<VariableObject>(std::make_shared<tessaro::Variable>()); }
IDispatch* NewDataSource() { return WrapperOf<DataSourceObject>(std::make_shared<tessaro::DataSource>()); }

}  // namespace tessaro::com
