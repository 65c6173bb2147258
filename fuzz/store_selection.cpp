// Choosing and reading the device database store from a file's content: any bytes give
// a store or a RuntimeError, and a store's lookups give identifiers or a RuntimeError.
#include "FuzzSupport.h"
#include "devicedb/DeviceDBService.h"

#include <tessaro/RuntimeError.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tessaro;
    std::string path = fuzz::WriteInput("KorvoDEV.dbr", data, size);
    try {
        DeviceDBService db(path);
        for (int32_t device : {1, 2, 3}) {
            db.DeviceId = device;
            db.FindDataAreaId("DBW");
            db.DataTypeId = 0;
            db.FindDataTypeId("Word");
        }
    } catch (const RuntimeError&) {
    }
    return 0;
}
