// Variables as a host's own _Collection, set by "Set drv.Variables = c": every operation
// goes through automation, keys already folded so that the host's comparison of keys
// cannot change what clashes. An item that is no Variable of this server is error 13.

#include "Objects.h"

namespace tessaro::com {
namespace {

constexpr WORD kCall = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

VariablePtr VariableOf(const VARIANT& item) {
    const VARIANT* v = V_VT(&item) == (VT_VARIANT | VT_BYREF) ? V_VARIANTREF(&item) : &item;
    IUnknown* object = V_VT(v) == VT_DISPATCH ? V_DISPATCH(v) : V_VT(v) == VT_UNKNOWN ? V_UNKNOWN(v) : nullptr;
    VariableObject* own = OwnObject<VariableObject>(object);
    if (!own) throw RuntimeError(TypeMismatch, "An item of Variables is not a Variable");
    return own->core();
}

// A position as the host's collection takes it.
VARIANT PositionArgument(size_t position) {
    if (position > 0x7FFFFFFF) throw RuntimeError(SubscriptOutOfRange);
    return LongArgument(static_cast<int32_t>(position));
}

}  // namespace

ForeignVariables::ForeignVariables(ComPtr<IDispatch> collection) : collection_(std::move(collection)) {}

size_t ForeignVariables::Count() const {
    Variant count, converted;
    InvokeId(collection_.get(), CollectionId::Count, kCall, {}, &count);
    if (FAILED(VariantChangeType(&converted, &count, 0, VT_I4)) || V_I4(&converted.get()) < 0)
        throw RuntimeError(TypeMismatch, "Variables.Count is not a count");
    return static_cast<size_t>(V_I4(&converted.get()));
}

void ForeignVariables::AddFolded(VariablePtr variable, std::string foldedKey) {
    Variant item, key;
    V_VT(&item) = VT_DISPATCH;
    V_DISPATCH(&item) = WrapperOf<VariableObject>(variable);
    key.get() = TextArgument(foldedKey);
    InvokeId(collection_.get(), CollectionId::Add, DISPATCH_METHOD, {item.get(), key.get()}, nullptr);
}

VariablePtr ForeignVariables::Item(size_t position) const {
    Variant index, item;
    index.get() = PositionArgument(position);
    InvokeId(collection_.get(), CollectionId::Item, kCall, {index.get()}, &item);
    return VariableOf(item.get());
}

VariablePtr ForeignVariables::Item(std::string_view key) const {
    Variant index, item;
    index.get() = TextArgument(std::string(key));
    InvokeId(collection_.get(), CollectionId::Item, kCall, {index.get()}, &item);
    return VariableOf(item.get());
}

void ForeignVariables::Remove(std::string_view key) {
    Variant index;
    index.get() = TextArgument(std::string(key));
    InvokeId(collection_.get(), CollectionId::Remove, DISPATCH_METHOD, {index.get()}, nullptr);
}

void ForeignVariables::Remove(size_t position) {
    Variant index;
    index.get() = PositionArgument(position);
    InvokeId(collection_.get(), CollectionId::Remove, DISPATCH_METHOD, {index.get()}, nullptr);
}

void ForeignVariables::ForEach(const std::function<bool(const VariablePtr&)>& visit) const {
    ForEachItem(collection_.get(), [&](const VARIANT& item) { return visit(VariableOf(item)); });
}

}  // namespace tessaro::com
