#pragma once
// The automation objects: one wrapper class per public class, over the core object.

#include "ComObject.h"

#include <tessaro/DataSource.h>
#include <tessaro/Messenger.h>
#include <tessaro/Variable.h>
#include <tessaro/VariableDriver.h>

#include <functional>

namespace tessaro::com {

HRESULT TextOut(const std::string& text, BSTR* out);
HRESULT TextIn(BSTR text, std::string& into);
// Get and put of a plain property over a core member, for the objects' own Invoke.
HRESULT DispatchProperty(std::string& field, WORD flags, const Arguments& args, VARIANT* result);
HRESULT DispatchProperty(int32_t& field, WORD flags, const Arguments& args, VARIANT* result);
HRESULT DispatchProperty(bool& field, WORD flags, const Arguments& args, VARIANT* result);

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

#define TESSARO_DECLARE_TEXT(Name)                          \
    HRESULT STDMETHODCALLTYPE get_##Name(BSTR* out) override; \
    HRESULT STDMETHODCALLTYPE put_##Name(BSTR value) override;
#define TESSARO_DECLARE_LONG(Name)                          \
    HRESULT STDMETHODCALLTYPE get_##Name(LONG* out) override; \
    HRESULT STDMETHODCALLTYPE put_##Name(LONG value) override;
#define TESSARO_DECLARE_FLAG(Name)                                  \
    HRESULT STDMETHODCALLTYPE get_##Name(VARIANT_BOOL* out) override; \
    HRESULT STDMETHODCALLTYPE put_##Name(VARIANT_BOOL value) override;

class VariableObject : public Wrapper<VariableObject, _Variable, tessaro::Variable> {
public:
    using Wrapper::Wrapper;
    HRESULT Dispatch(DISPID id, WORD flags, const Arguments& args, VARIANT* result);
    TESSARO_DECLARE_FLAG(Warning)
    TESSARO_DECLARE_FLAG(Sign)
    TESSARO_DECLARE_TEXT(Name)
    TESSARO_DECLARE_TEXT(SectionName)
    TESSARO_DECLARE_LONG(DeviceId)
    TESSARO_DECLARE_LONG(NestingLevel)
    TESSARO_DECLARE_TEXT(TagAttribute)
    TESSARO_DECLARE_LONG(DataAreaId)
    TESSARO_DECLARE_LONG(DataTypeId)
    TESSARO_DECLARE_LONG(VariableLen)
    TESSARO_DECLARE_LONG(FieldAdd1)
    TESSARO_DECLARE_LONG(FieldAdd2)
    TESSARO_DECLARE_LONG(FieldAdd3)
    TESSARO_DECLARE_LONG(FieldAdd4)
    TESSARO_DECLARE_LONG(FieldAdd5)
};

class DataSourceObject : public Wrapper<DataSourceObject, _DataSource, tessaro::DataSource> {
public:
    using Wrapper::Wrapper;
    HRESULT Dispatch(DISPID id, WORD flags, const Arguments& args, VARIANT* result);
    TESSARO_DECLARE_TEXT(SourceId)
};

class MessengerObject : public Wrapper<MessengerObject, _Messenger, tessaro::Messenger> {
public:
    using Wrapper::Wrapper;
    HRESULT Dispatch(DISPID id, WORD flags, const Arguments& args, VARIANT* result);
    TESSARO_DECLARE_TEXT(DeviceName)
    TESSARO_DECLARE_TEXT(MessengerFile)
    TESSARO_DECLARE_TEXT(DB)
    HRESULT STDMETHODCALLTYPE CreateMsgFiles() override;
    HRESULT STDMETHODCALLTYPE RecordVariableNoForKORVO(BSTR* varName) override;
    HRESULT STDMETHODCALLTYPE RecordVariableDBIncomplete(BSTR* varName) override;
    HRESULT STDMETHODCALLTYPE RecordVariableWithSameName(BSTR* varName, BSTR* FileName) override;
    HRESULT STDMETHODCALLTYPE RecordFileError(BSTR* FileName) override;
    HRESULT STDMETHODCALLTYPE RecordCheckVariable(BSTR* varName) override;
    HRESULT STDMETHODCALLTYPE RecordKORVOTypeConversion(BSTR* varName, BSTR* OldType, BSTR* NewType) override;
    HRESULT STDMETHODCALLTYPE AppendAllFiles() override;
};

// The collection members every _Collection of the server implements alike.
#define TESSARO_DECLARE_COLLECTION                                                               \
    HRESULT Dispatch(DISPID id, WORD flags, const Arguments& args, VARIANT* result);             \
    HRESULT STDMETHODCALLTYPE Item(VARIANT* Index, VARIANT* out) override;                       \
    HRESULT STDMETHODCALLTYPE Add(VARIANT* Item, VARIANT* Key, VARIANT* Before, VARIANT* After) override; \
    HRESULT STDMETHODCALLTYPE Count(LONG* out) override;                                         \
    HRESULT STDMETHODCALLTYPE Remove(VARIANT* Index) override;                                   \
    HRESULT STDMETHODCALLTYPE _NewEnum(IUnknown** out) override;

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
    HRESULT Dispatch(DISPID id, WORD flags, const Arguments& args, VARIANT* result);
    TESSARO_DECLARE_TEXT(MessengerFile)
    TESSARO_DECLARE_TEXT(DeviceName)
    TESSARO_DECLARE_LONG(DeviceId)
    TESSARO_DECLARE_LONG(DeviceCodeId)
    HRESULT STDMETHODCALLTYPE put_DataSource(VARIANT value) override;
    HRESULT STDMETHODCALLTYPE get_Variables(_Collection** out) override;
    HRESULT STDMETHODCALLTYPE putref_Variables(_Collection* value) override;
    HRESULT STDMETHODCALLTYPE GetVariables(_Collection** DataSources, VARIANT_BOOL* result) override;
};

// The vtable bodies of plain properties over a core member.
#define TESSARO_TEXT_PROPERTY(Class, Name, expr)                                                 \
    HRESULT STDMETHODCALLTYPE Class::get_##Name(BSTR* out) { return TextOut(expr, out); }      \
    HRESULT STDMETHODCALLTYPE Class::put_##Name(BSTR value) { return TextIn(value, expr); }
#define TESSARO_LONG_PROPERTY(Class, Name, expr)                                                 \
    HRESULT STDMETHODCALLTYPE Class::get_##Name(LONG* out) {                                   \
        if (!out) return E_POINTER;                                                            \
        *out = expr;                                                                           \
        return S_OK;                                                                           \
    }                                                                                          \
    HRESULT STDMETHODCALLTYPE Class::put_##Name(LONG value) {                                  \
        expr = value;                                                                          \
        return S_OK;                                                                           \
    }
#define TESSARO_FLAG_PROPERTY(Class, Name, expr)                                                 \
    HRESULT STDMETHODCALLTYPE Class::get_##Name(VARIANT_BOOL* out) {                           \
        if (!out) return E_POINTER;                                                            \
        *out = expr ? VARIANT_TRUE : VARIANT_FALSE;                                            \
        return S_OK;                                                                           \
    }                                                                                          \
    HRESULT STDMETHODCALLTYPE Class::put_##Name(VARIANT_BOOL value) {                          \
        expr = value != VARIANT_FALSE;                                                         \
        return S_OK;                                                                           \
    }

// A new object of each creatable class, as IDispatch with one reference.
IDispatch* NewVariable();
IDispatch* NewDataSource();
IDispatch* NewMessenger();
IDispatch* NewCollection();
IDispatch* NewDriver();

}  // namespace tessaro::com
