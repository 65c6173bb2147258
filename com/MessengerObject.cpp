// Messenger: the message log as a host may create and drive it itself. The texts
// come by reference and are not changed.

#include "Objects.h"

namespace tessaro::com {

namespace {
std::string TextAt(BSTR* text) {
    if (!text) throw RuntimeError(InvalidArgument);
    return FromBstr(*text);
}
}  // namespace

HRESULT STDMETHODCALLTYPE MessengerObject::CreateMsgFiles() {
    return Guard([&] { core_->CreateMsgFiles(); });
}
HRESULT STDMETHODCALLTYPE MessengerObject::RecordVariableNoForKORVO(BSTR* varName) {
    return Guard([&] { core_->RecordVariableNoForKORVO(TextAt(varName)); });
}
HRESULT STDMETHODCALLTYPE MessengerObject::RecordVariableDBIncomplete(BSTR* varName) {
    return Guard([&] { core_->RecordVariableDBIncomplete(TextAt(varName)); });
}
HRESULT STDMETHODCALLTYPE MessengerObject::RecordVariableWithSameName(BSTR* varName, BSTR* FileName) {
    return Guard([&] { core_->RecordVariableWithSameName(TextAt(varName), TextAt(FileName)); });
}
HRESULT STDMETHODCALLTYPE MessengerObject::RecordFileError(BSTR* FileName) {
    return Guard([&] { core_->RecordFileError(TextAt(FileName)); });
}
HRESULT STDMETHODCALLTYPE MessengerObject::RecordCheckVariable(BSTR* varName) {
    return Guard([&] { core_->RecordCheckVariable(TextAt(varName)); });
}
HRESULT STDMETHODCALLTYPE MessengerObject::RecordKORVOTypeConversion(BSTR* varName, BSTR* OldType, BSTR* NewType) {
    return Guard([&] { core_->RecordKORVOTypeConversion(TextAt(varName), TextAt(OldType), TextAt(NewType)); });
}
HRESULT STDMETHODCALLTYPE MessengerObject::AppendAllFiles() {
    return Guard([&] { core_->AppendAllFiles(); });
}

TESSARO_DEFINE_DISPATCH(MessengerObject, TESSARO_MESSENGER_MEMBERS)

IDispatch* NewMessenger() { return WrapperOf<MessengerObject>(std::make_shared<tessaro::Messenger>()); }

}  // namespace tessaro::com
