#pragma once
// What the symbol-table tests share: a device database with known identifiers, the
// shared objects of an import set up around a test, and symbol lines in the export's
// column layout.

#include "TestSupport.h"

#include <string>
#include <vector>

namespace tessaro::test {

// Device 1 takes every area and type; device 2 has only "Input" and "DBW", the latter
// with a type named "DBW"; device 7's "Word" of area "Merker" carries a NULL identifier,
// so looking it up fails.
inline const std::string kAscDeviceDbSql = R"(
CREATE TABLE DeviceDataArea (DeviceId INTEGER, DeviceDataAreaId INTEGER, Name TEXT);
CREATE TABLE DeviceDataType (DeviceId INTEGER, DeviceDataAreaId INTEGER, DeviceDataTypeId INTEGER, Name TEXT);
INSERT INTO DeviceDataArea VALUES (1, 1, 'DBW'), (1, 2, 'Merker'), (1, 3, 'Input'),
                                  (1, 4, 'Output'), (1, 5, 'Timer'), (1, 6, 'Counter');
INSERT INTO DeviceDataType VALUES (1, 1, 10, 'Byte'), (1, 1, 11, 'Word'), (1, 1, 12, 'DWord'),
                                  (1, 2, 20, 'Byte'), (1, 2, 21, 'Word'), (1, 2, 22, 'DWord'),
                                  (1, 3, 30, 'Byte'), (1, 3, 31, 'Word'), (1, 3, 32, 'DWord'),
                                  (1, 4, 40, 'Byte'), (1, 4, 41, 'Word'), (1, 4, 42, 'DWord'),
                                  (1, 5, 50, 'Timer'), (1, 6, 60, 'Counter');
INSERT INTO DeviceDataArea VALUES (2, 201, 'Input'), (2, 203, 'DBW');
INSERT INTO DeviceDataType VALUES (2, 201, 2010, 'Byte'), (2, 203, 2030, 'DBW');
INSERT INTO DeviceDataArea VALUES (7, 71, 'Merker');
INSERT INTO DeviceDataType VALUES (7, 71, 710, 'Byte'), (7, 71, NULL, 'Word');
)";


// The shared objects of a running import, for device code deviceCode, in a fresh
// component layout, with English messages and the header time fixed at
// 12-04-26 07.22.06; released again at the end of the test.
class ImportScope {
public:
    explicit ImportScope(int32_t deviceCode = 1);
    ~ImportScope();
    // Merges the message files and gives what the merge wrote ("" when nothing), then
    // starts a fresh message log with an empty merged file.
    std::string MergedMessages();
    ComponentLayout layout{kAscDeviceDbSql};
};

// A merged message file as one import under ImportScope writes it.
inline std::string Merged(const std::vector<MessageBlock>& blocks) { return MergedImport("----12-04-26 07.22.06", blocks); }
inline const std::string kConversion = "Conversion of data type of the variable";
inline const std::string kSameName = "A variable with the same name has been found so this cannot be imported";
inline const std::string kFileError = "File access error";
inline const std::string kUnfit =
    "Data type of variable not appropriate for the import or not managed from the protocol";

}  // namespace tessaro::test
