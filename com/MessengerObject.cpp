// Messenger: the message log as a host may create and drive it itself. The texts
// come by reference and are not changed.

#include "Objects.h"

namespace tessaro::com {

TESSARO_TEXT_PROPERTY(MessengerObject, DeviceName, core_->DeviceName)
TESSARO_TEXT_PROPERTY(MessengerObject, MessengerFile, core_->MessengerFile)
TESSARO_TEXT_PROPERTY(MessengerObject, DB, core_->DB)

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

HRESULT MessengerObject::Dispatch(DISPID id, WORD flags, const Arguments& args, VARIANT* result) {
    switch (id) {
    case 1: return DispatchProperty(core_->DeviceName, flags, args, result);
    case 2: return DispatchProperty(core_->MessengerFile, flags, args, result);
    case 3: return DispatchProperty(core_->DB, flags, args, result);
    default: break;
    }
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    // Texts by reference: a script's variable comes as a by-reference Variant, which is
    // read here as a text.
    constexpr UINT kTextCount[] = {0, 0, 0, 0, 0, 1, 1, 2, 1, 1, 3, 0};
    if (id < 4 || id > 11) return DISP_E_MEMBERNOTFOUND;
    if (args.Count() != kTextCount[id]) return DISP_E_BADPARAMCOUNT;
    BSTR texts[3] = {};
    for (UINT i = 0; i < args.Count(); ++i) texts[i] = args.Text(i);
    HRESULT hr = E_UNEXPECTED;
    switch (id) {
    case 4: hr = CreateMsgFiles(); break;
    case 5: hr = RecordVariableNoForKORVO(&texts[0]); break;
    case 6: hr = RecordVariableDBIncomplete(&texts[0]); break;
    case 7: hr = RecordVariableWithSameName(&texts[0], &texts[1]); break;
    case 8: hr = RecordFileError(&texts[0]); break;
    case 9: hr = RecordCheckVariable(&texts[0]); break;
    case 10: hr = RecordKORVOTypeConversion(&texts[0], &texts[1], &texts[2]); break;
    case 11: hr = AppendAllFiles(); break;
    default: break;
    }
    for (BSTR text : texts) SysFreeString(text);
    if (result) VariantInit(result);
    return hr;
}

IDispatch* NewMessenger() { return WrapperOf<MessengerObject>(std::make_shared<tessaro::Messenger>()); }

}  // namespace tessaro::com
