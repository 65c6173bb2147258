#pragma once
// The members of each automation interface, one line each, in the order in which they
// first appear in Tessaro.idl, which publishes them. The wrapper classes' declarations,
// the bodies of their plain properties and their IDispatch side all come from these
// lists, and the early-bound test walks the type library against them. A new plain
// property is one line here plus its get and put in Tessaro.idl.
//
//   PROPERTY(Name, DISPID, Type)       get and put over the core object's member Name;
//                                      Type is Text (BSTR), Long (long) or Flag (VARIANT_BOOL)
//   METHOD(Name, DISPID, (parameters)) a method over texts by reference; its body by hand
//   MEMBER(Name, DISPID, Access)       written by hand: its vtable members and Invoke##Name,
//                                      its IDispatch side; Access is the INVOKEKINDs it has

#include <oaidl.h>

#define TESSARO_DATASOURCE_MEMBERS(PROPERTY, METHOD, MEMBER) PROPERTY(SourceId, 1, Text)

#define TESSARO_VARIABLE_MEMBERS(PROPERTY, METHOD, MEMBER) \
    PROPERTY(Warning, 1, Flag)                              \
    PROPERTY(Sign, 2, Flag)                                 \
    PROPERTY(Name, 3, Text)                                 \
    PROPERTY(SectionName, 4, Text)                          \
    PROPERTY(DeviceId, 5, Long)                             \
    PROPERTY(NestingLevel, 6, Long)                         \
    PROPERTY(TagAttribute, 7, Text)                         \
    PROPERTY(DataAreaId, 8, Long)                           \
    PROPERTY(DataTypeId, 9, Long)                           \
    PROPERTY(VariableLen, 10, Long)                         \
    PROPERTY(FieldAdd1, 11, Long)                           \
    PROPERTY(FieldAdd2, 12, Long)                           \
    PROPERTY(FieldAdd3, 13, Long)                           \
    PROPERTY(FieldAdd4, 14, Long)                           \
    PROPERTY(FieldAdd5, 15, Long)

#define TESSARO_MESSENGER_MEMBERS(PROPERTY, METHOD, MEMBER)                         \
    PROPERTY(DeviceName, 1, Text)                                                    \
    PROPERTY(MessengerFile, 2, Text)                                                 \
    PROPERTY(DB, 3, Text)                                                            \
    METHOD(CreateMsgFiles, 4, ())                                                    \
    METHOD(RecordVariableNoForKORVO, 5, (BSTR * varName))                            \
    METHOD(RecordVariableDBIncomplete, 6, (BSTR * varName))                          \
    METHOD(RecordVariableWithSameName, 7, (BSTR * varName, BSTR * FileName))         \
    METHOD(RecordFileError, 8, (BSTR * FileName))                                    \
    METHOD(RecordCheckVariable, 9, (BSTR * varName))                                 \
    METHOD(RecordKORVOTypeConversion, 10, (BSTR * varName, BSTR * OldType, BSTR * NewType)) \
    METHOD(AppendAllFiles, 11, ())

#define TESSARO_DRIVER_MEMBERS(PROPERTY, METHOD, MEMBER)          \
    PROPERTY(MessengerFile, 1, Text)                               \
    PROPERTY(DeviceName, 2, Text)                                  \
    PROPERTY(DeviceId, 3, Long)                                    \
    PROPERTY(DeviceCodeId, 4, Long)                                \
    MEMBER(DataSource, 5, INVOKE_PROPERTYPUT)                      \
    MEMBER(Variables, 6, INVOKE_PROPERTYGET | INVOKE_PROPERTYPUTREF) \
    MEMBER(GetVariables, 7, INVOKE_FUNC)

// VBA's collection interface, which hosts' own collections implement as well.
#define TESSARO_COLLECTION_MEMBERS(PROPERTY, METHOD, MEMBER) \
    MEMBER(Item, DISPID_VALUE, INVOKE_FUNC)                   \
    MEMBER(Add, 1, INVOKE_FUNC)                               \
    MEMBER(Count, 2, INVOKE_FUNC)                             \
    MEMBER(Remove, 3, INVOKE_FUNC)                            \
    MEMBER(_NewEnum, DISPID_NEWENUM, INVOKE_FUNC)

namespace tessaro::com {

// The C++ types of the properties' Type.
namespace property {
using Text = BSTR;
using Long = LONG;
using Flag = VARIANT_BOOL;
}  // namespace property

// How many parameters a METHOD's parameter list has: ParameterCount<void (parameters)>.
template <class>
struct ParameterCountOf;
template <class... P>
struct ParameterCountOf<void(P...)> {
    static constexpr unsigned value = sizeof...(P);
};
template <class F>
inline constexpr unsigned ParameterCount = ParameterCountOf<F>::value;

// The DISPIDs of _Collection, for calls into a host's own collection.
struct CollectionId {
#define TESSARO_COLLECTION_ID(Name, Id, ...) Name = Id,
    enum : DISPID { TESSARO_COLLECTION_MEMBERS(TESSARO_COLLECTION_ID, TESSARO_COLLECTION_ID, TESSARO_COLLECTION_ID) };
#undef TESSARO_COLLECTION_ID
};

}  // namespace tessaro::com
