// VariableDriver: the class a host creates and calls.

#include "Objects.h"

namespace tessaro::com {
namespace {

// One import at a time on a thread: the per-line message pump can call back into the
// host, which could start another.
thread_local bool importing = false;

// The data sources of a host's collection, through _NewEnum, each through the
// DataSource interface of this server. Null when an item is something else.
std::unique_ptr<DataSourceCollection> SourcesOf(IDispatch* collection) {
    auto sources = std::make_unique<DataSourceCollection>();
    bool all = true;
    ForEachItem(collection, [&](const VARIANT& v) {
        IUnknown* object = V_VT(&v) == VT_DISPATCH ? V_DISPATCH(&v) : V_VT(&v) == VT_UNKNOWN ? V_UNKNOWN(&v) : nullptr;
        DataSourceObject* own = OwnObject<DataSourceObject>(object);
        if (own) sources->Add(own->core());
        all = own != nullptr;
        return all;
    });
    if (!all) return nullptr;
    return sources;
}

}  // namespace

HRESULT STDMETHODCALLTYPE DriverObject::put_DataSource(VARIANT value) {
    return Guard([&] {
        auto kept = std::make_shared<Variant>();
        HRESULT hr = VariantCopyInd(&*kept, &value);
        if (FAILED(hr)) ThrowFailure(hr, nullptr, "DataSource");
        dataSource_ = std::move(kept);
    });
}

HRESULT STDMETHODCALLTYPE DriverObject::get_Variables(_Collection** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Guard([&] {
        if (auto* foreign = dynamic_cast<ForeignVariables*>(core_->Variables.get())) {
            // The host's own collection, as it was set.
            HRESULT hr = foreign->Collection()->QueryInterface(IID__Collection, reinterpret_cast<void**>(out));
            if (FAILED(hr)) ThrowFailure(hr, nullptr, "Variables");
        } else if (auto own = std::dynamic_pointer_cast<VariableCollection>(core_->Variables)) {
            *out = WrapperOf<VariablesObject>(own);
        }
    });
}

HRESULT STDMETHODCALLTYPE DriverObject::putref_Variables(_Collection* value) {
    return Guard([&] {
        if (!value) {
            core_->Variables = nullptr;
            return;
        }
        // A driver's Variables is shared as it is; any other collection is written
        // through automation.
        if (VariablesObject* own = OwnObject<VariablesObject>(value)) {
            core_->Variables = own->core();
        } else {
            value->AddRef();
            core_->Variables = std::make_shared<ForeignVariables>(ComPtr<IDispatch>(value));
        }
    });
}

HRESULT STDMETHODCALLTYPE DriverObject::GetVariables(_Collection** DataSources, VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    *result = VARIANT_FALSE;
    if (importing) return S_OK;
    // The host may drop the driver from a callback: keep it for the whole call.
    ComPtr<IDispatch> self(this);
    AddRef();
    return Guard([&] {
        if (!DataSources || !*DataSources) return;  // no collection: the import fails
        importing = true;
        struct Done {
            ~Done() { importing = false; }
        } done;
        std::unique_ptr<DataSourceCollection> sources;
        try {
            sources = SourcesOf(*DataSources);
        } catch (const RuntimeError&) {
            return;  // a collection that cannot be walked ends the import with false
        }
        if (!sources) return;  // an item that is not a DataSource
        *result = core_->GetVariables(*sources) ? VARIANT_TRUE : VARIANT_FALSE;
        // False stays the answer; why is left in the thread's error information.
        if (const auto& failure = core_->LastFailure; failure.Number != 0) Raise(failure.Number, failure.Description);
    });
}

namespace {

HRESULT InvokeDataSource(DriverObject* self, WORD flags, const Arguments& args, VARIANT*) {
    if (!(flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))) return DISP_E_MEMBERNOTFOUND;
    if (args.Count() != 1) return DISP_E_BADPARAMCOUNT;
    return self->put_DataSource(args[0]);
}

HRESULT InvokeVariables(DriverObject* self, WORD flags, const Arguments& args, VARIANT* result) {
    if ((flags & DISPATCH_PROPERTYGET) && args.Count() == 0) {
        _Collection* collection = nullptr;
        HRESULT hr = self->get_Variables(&collection);
        if (SUCCEEDED(hr) && result) {
            V_VT(result) = VT_DISPATCH;
            V_DISPATCH(result) = collection;
        } else if (collection) {
            collection->Release();
        }
        return hr;
    }
    if ((flags & (DISPATCH_PROPERTYPUTREF | DISPATCH_PROPERTYPUT)) && args.Count() == 1) {
        const VARIANT& v = args[0];
        if (V_VT(&v) == VT_EMPTY || (V_VT(&v) == VT_DISPATCH && !V_DISPATCH(&v))) return self->putref_Variables(nullptr);
        ComPtr<IDispatch> object = DispatchOf(v);
        ComPtr<_Collection> collection;
        if (FAILED(object->QueryInterface(IID__Collection, reinterpret_cast<void**>(collection.put()))))
            return Raise(TypeMismatch, "Type mismatch");
        return self->putref_Variables(collection.get());
    }
    return DISP_E_BADPARAMCOUNT;
}

HRESULT InvokeGetVariables(DriverObject* self, WORD flags, const Arguments& args, VARIANT* result) {
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (args.Count() != 1) return DISP_E_BADPARAMCOUNT;
    const VARIANT& v = args[0];
    ComPtr<IDispatch> object = DispatchOf(v);
    ComPtr<_Collection> collection;
    // A host's own collection may answer only IDispatch: the import walks it by
    // _NewEnum all the same.
    if (FAILED(object->QueryInterface(IID__Collection, reinterpret_cast<void**>(collection.put())))) {
        object->AddRef();
        collection = ComPtr<_Collection>(reinterpret_cast<_Collection*>(object.get()));
    }
    _Collection* passed = collection.get();
    VARIANT_BOOL ok = VARIANT_FALSE;
    HRESULT hr = self->GetVariables(&passed, &ok);
    if (SUCCEEDED(hr) && result) {
        V_VT(result) = VT_BOOL;
        V_BOOL(result) = ok;
    }
    return hr;
}

}  // namespace

TESSARO_DEFINE_DISPATCH(DriverObject, TESSARO_DRIVER_MEMBERS)

IDispatch* NewDriver() { return WrapperOf<DriverObject>(std::make_shared<tessaro::VariableDriver>()); }

}  // namespace tessaro::com
