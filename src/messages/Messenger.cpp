// Placeholder until the message log lands.
#include <tessaro/Messenger.h>
#include <tessaro/RuntimeError.h>

#include "messages/SharedMessenger.h"

namespace tessaro {

thread_local std::shared_ptr<Messenger> SharedMessenger;

Messenger::Messenger() = default;
Messenger::~Messenger() = default;
void Messenger::CreateMsgFiles() {}
void Messenger::RecordVariableNoForKORVO(std::string_view) {}
void Messenger::RecordVariableDBIncomplete(std::string_view) {}
void Messenger::RecordVariableWithSameName(std::string_view, std::string_view) {}
void Messenger::RecordFileError(std::string_view) {}
void Messenger::RecordCheckVariable(std::string_view) {}
void Messenger::RecordKORVOTypeConversion(std::string_view, std::string_view, std::string_view) {}
void Messenger::AppendAllFiles() {}
void Messenger::WriteRecord(int, std::string_view) {}
void Messenger::WriteGroupedRecord(int, std::string_view) {}

}  // namespace tessaro
