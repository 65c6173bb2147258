#pragma once
// Run-time errors of the component. Every failure carries the number a host of the
// automation component would read from Err.Number; the importers tell the
// duplicate-key error 457 from every other failure by this number.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace tessaro {

enum ErrorNumber : int32_t {
    InvalidArgument = 5,        // invalid procedure call or argument
    Overflow = 6,
    OutOfMemory = 7,
    SubscriptOutOfRange = 9,
    TypeMismatch = 13,
    BadFileNameOrNumber = 52,
    FileNotFound = 53,
    InternalError = 51,
    InputPastEndOfFile = 62,
    PermissionDenied = 70,
    PathFileAccessError = 75,
    ObjectNotSet = 91,          // object variable not set
    InvalidUseOfNull = 94,
    DuplicateKey = 457,         // this key is already associated with an element of this collection
};

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int32_t number, const std::string& description)
        : std::runtime_error(description), Number(number) {}
    explicit RuntimeError(int32_t number) : RuntimeError(number, DefaultDescription(number)) {}

    int32_t Number;

    static std::string DefaultDescription(int32_t number) {
        switch (number) {
        case InvalidArgument: return "Invalid procedure call or argument";
        case Overflow: return "Overflow";
        case OutOfMemory: return "Out of memory";
        case SubscriptOutOfRange: return "Subscript out of range";
        case TypeMismatch: return "Type mismatch";
        case InternalError: return "Internal error";
        case BadFileNameOrNumber: return "Bad file name or number";
        case FileNotFound: return "File not found";
        case InputPastEndOfFile: return "Input past end of file";
        case PermissionDenied: return "Permission denied";
        case PathFileAccessError: return "Path/File access error";
        case ObjectNotSet: return "Object variable not set";
        case InvalidUseOfNull: return "Invalid use of Null";
        case DuplicateKey: return "This key is already associated with an element of this collection";
        default: return "Run-time error " + std::to_string(number);
        }
    }
};

// The object a shared reference holds. A reference that holds none fails with
// ObjectNotSet (91), as a call through an unset object variable does.
template <class T>
T& ObjectOf(const std::shared_ptr<T>& reference) {
    if (!reference) throw RuntimeError(ObjectNotSet);
    return *reference;
}

}  // namespace tessaro
