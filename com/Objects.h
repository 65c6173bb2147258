#pragma once
// The automation objects: one wrapper class per public class, over the core object.

#include "ComObject.h"
#include "Members.h"

#include <tessaro/DataSource.h>
#include <tessaro/Messenger.h>
#include <tessaro/Variable.h>
#include <tessaro/VariableDriver.h>

#include <array>
#include <functional>
#include <tuple>

namespace tessaro::com {

// The vtable side of a plain property over a core member.
HRESULT PropertyOut(const std::string& field, BSTR* out);
HRESULT PropertyIn(BSTR value, std::string& field);
HRESULT PropertyOut(int32_t field, LONG* out);
HRESULT PropertyIn(LONG value, int32_t& field);
HRESULT PropertyOut(bool field, VARIANT_BOOL* out);
HRESULT PropertyIn(VARIANT_BOOL value, bool& field);
// Its IDispatch side: get and put.
HRESULT DispatchProperty(std::string& field, WORD flags, const Arguments& args, VARIANT* result);
HRESULT DispatchProperty(int32_t& field, WORD flags, const Arguments& args, VARIANT* result);
HRESULT DispatchProperty(bool& field, WORD flags, const Arguments& args, VARIANT* result);

// The IDispatch side of a method over Count texts by reference: a script's variable comes
// as a by-reference Variant, which is read here as a text. call takes the texts' BSTR*.
template <unsigned Count, class Call>
HRESULT CallWithTexts(WORD flags, const Arguments& args, Call&& call) {
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (args.Count() != Count) return DISP_E_BADPARAMCOUNT;
    struct Texts {
        std::array<BSTR, Count> at{};
        ~Texts() {
            for (BSTR text : at) SysFreeString(text);
        }
    } texts;
    for (UINT i = 0; i < Count; ++i) texts.at[i] = args.Text(i);
    return std::apply([&](auto&... text) { return call(&text...); }, texts.at);
}

// Base of the wrappers that the map of WrapperOf hands out.
template <class Derived, class Itf, class CoreType>
class Wrapper : public Object<Derived, Itf> {
public:
    using Core = CoreType;
    using Forget = std::function<void(Derived*)>;
    Wrapper(std::shared_ptr<Core> core, Forget forget) : core_(std::move(core)), forget_(std::move(forget)) {}
    ~Wrapper() override {
        if (forget_) forget_(static_cast<Derived*>(this));
    }
    const std::shared_ptr<Core>& core() const { return core_; }

protected:
    std::shared_ptr<Core> core_;
    Forget forget_;
};

// A class's members from its list in Members.h. In the class, TESSARO_MEMBERS gives the
// vtable members of its plain properties, with their bodies, and of its methods; in its
// source file, TESSARO_DEFINE_DISPATCH gives its IDispatch side, which calls
// Invoke##Name(object, flags, args, result) for each member written by hand.
#define TESSARO_DECLARE_PROPERTY(Name, Id, Type)                                                            \
    HRESULT STDMETHODCALLTYPE get_##Name(property::Type* out) override { return PropertyOut(core_->Name, out); } \
    HRESULT STDMETHODCALLTYPE put_##Name(property::Type value) override { return PropertyIn(value, core_->Name); }
#define TESSARO_DECLARE_METHOD(Name, Id, Parameters) HRESULT STDMETHODCALLTYPE Name Parameters override;
#define TESSARO_DECLARE_MEMBER(Name, Id, Access)
#define TESSARO_MEMBERS(LIST)                                                      \
    LIST(TESSARO_DECLARE_PROPERTY, TESSARO_DECLARE_METHOD, TESSARO_DECLARE_MEMBER) \
    HRESULT Dispatch(DISPID id, WORD flags, const Arguments& args, VARIANT* result);

#define TESSARO_DISPATCH_PROPERTY(Name, Id, Type) \
    case Id: return DispatchProperty(core_->Name, flags, args, result);
#define TESSARO_DISPATCH_METHOD(Name, Id, Parameters) \
    case Id: return CallWithTexts<ParameterCount<void Parameters>>(flags, args, [&](auto*... texts) { return Name(texts...); });
#define TESSARO_DISPATCH_MEMBER(Name, Id, Access) \
    case Id: return Invoke##Name(this, flags, args, result);
#define TESSARO_DEFINE_DISPATCH(Class, LIST)                                                      \
    HRESULT Class::Dispatch(DISPID id, WORD flags, const Arguments& args, VARIANT* result) {      \
        if (result) VariantInit(result);                                                          \
        switch (id) {                                                                             \
            LIST(TESSARO_DISPATCH_PROPERTY, TESSARO_DISPATCH_METHOD, TESSARO_DISPATCH_MEMBER)     \
        default: return DISP_E_MEMBERNOTFOUND;                                                    \
        }                                                                                         \
    }

class VariableObject : public Wrapper<VariableObject, _Variable, tessaro::Variable> {
public:
    using Wrapper::Wrapper;
    TESSARO_MEMBERS(TESSARO_VARIABLE_MEMBERS)
};

class DataSourceObject : public Wrapper<DataSourceObject, _DataSource, tessaro::DataSource> {
public:
    using Wrapper::Wrapper;
    TESSARO_MEMBERS(TESSARO_DATASOURCE_MEMBERS)
};

class MessengerObject : public Wrapper<MessengerObject, _Messenger, tessaro::Messenger> {
public:
    using Wrapper::Wrapper;
    TESSARO_MEMBERS(TESSARO_MESSENGER_MEMBERS)
};

// The vtable members every _Collection of the server implements alike.
#define TESSARO_DECLARE_COLLECTION                                                               \
    HRESULT STDMETHODCALLTYPE Item(VARIANT* Index, VARIANT* out) override;                       \
    HRESULT STDMETHODCALLTYPE Add(VARIANT* Item, VARIANT* Key, VARIANT* Before, VARIANT* After) override; \
    HRESULT STDMETHODCALLTYPE Count(LONG* out) override;                                         \
    HRESULT STDMETHODCALLTYPE Remove(VARIANT* Index) override;                                   \
    HRESULT STDMETHODCALLTYPE _NewEnum(IUnknown** out) override;                                 \
    TESSARO_MEMBERS(TESSARO_COLLECTION_MEMBERS)

// A driver's Variables: the core collection of Variable records.
class VariablesObject : public Wrapper<VariablesObject, _Collection, VariableCollection> {
public:
    using Wrapper::Wrapper;
    TESSARO_DECLARE_COLLECTION
};

// Tessaro.Collection: any Variant, keyed or not.
using ItemCollection = Collection<std::shared_ptr<Variant>>;
class ItemsObject : public Wrapper<ItemsObject, _Collection, ItemCollection> {
public:
    using Wrapper::Wrapper;
    TESSARO_DECLARE_COLLECTION
};

// Variables set to a host's own collection.
class ForeignVariables final : public VariableList {
public:
    explicit ForeignVariables(ComPtr<IDispatch> collection);
    IDispatch* Collection() const { return collection_.get(); }

    size_t Count() const override;
    void AddFolded(VariablePtr variable, std::string foldedKey) override;
    VariablePtr Item(size_t position) const override;
    VariablePtr Item(std::string_view key) const override;
    void Remove(std::string_view key) override;
    void Remove(size_t position) override;
    void ForEach(const std::function<bool(const VariablePtr&)>& visit) const override;
    // The host may change its collection behind the import's back, unseen: every
    // question counts as a change, so an index over it is rebuilt before each use.
    uint64_t Version() const override { return ++asked_; }

private:
    ComPtr<IDispatch> collection_;
    mutable uint64_t asked_ = 0;
};

class DriverObject : public Wrapper<DriverObject, _VariableDriver, tessaro::VariableDriver> {
public:
    using Wrapper::Wrapper;
    TESSARO_MEMBERS(TESSARO_DRIVER_MEMBERS)
    HRESULT STDMETHODCALLTYPE put_DataSource(VARIANT value) override;
    HRESULT STDMETHODCALLTYPE get_Variables(_Collection** out) override;
    HRESULT STDMETHODCALLTYPE putref_Variables(_Collection* value) override;
    HRESULT STDMETHODCALLTYPE GetVariables(_Collection** DataSources, VARIANT_BOOL* result) override;

private:
    std::shared_ptr<Variant> dataSource_;  // kept as the host set it; no import reads it
};

// A new object of each creatable class, as IDispatch with one reference.
IDispatch* NewVariable();
IDispatch* NewDataSource();
IDispatch* NewMessenger();
IDispatch* NewCollection();
IDispatch* NewDriver();

}  // namespace tessaro::com
