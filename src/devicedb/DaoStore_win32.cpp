// Device database rows from a Jet 3 / Jet 4 or ACE file through the DAO engine, late
// bound. The engine is created once per thread and kept: its class follows the file's
// version (Jet 3 the 3.5 engine, falling back to 3.6; Jet 4 the 3.6 engine; ACE the 12.0
// engine). The database is opened through the engine's first workspace with every
// optional argument left out; rows come from snapshot recordsets.

#include "devicedb/JetStore.h"

#include "platform/Automation_win32.h"

#include <tessaro/RuntimeError.h>

#include <fstream>

namespace tessaro {
namespace {

constexpr int32_t kSnapshot = 4;  // dbOpenSnapshot

struct Engine {
    std::wstring progId;
    ComPtr<IDispatch> object;
};
thread_local Engine engine;

// The engine classes that can read a file of this version byte (offset 0x14), in order.
std::vector<const wchar_t*> EngineClasses(int version) {
    if (version == 0) return {L"DAO.DBEngine.35", L"DAO.DBEngine.36"};
    if (version == 1) return {L"DAO.DBEngine.36"};
    return {L"DAO.DBEngine.120"};
}

IDispatch* EngineFor(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    file.seekg(0x14);
    int version = file.get();
    for (const wchar_t* progId : EngineClasses(version)) {
        if (engine.object && engine.progId == progId) return engine.object.get();
        CLSID clsid{};
        if (FAILED(CLSIDFromProgID(progId, &clsid))) continue;
        ComPtr<IDispatch> created;
        if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                    reinterpret_cast<void**>(created.put()))))
            continue;
        engine = Engine{progId, created};
        return engine.object.get();
    }
    throw RuntimeError(429, path + ": no DAO engine for this database can be created");
}

std::optional<std::string> FieldText(IDispatch* recordset, const wchar_t* field) {
    Variant fields;
    Invoke(recordset, L"Fields", DISPATCH_PROPERTYGET, {}, &fields);
    Variant key;
    V_VT(&key.get()) = VT_BSTR;
    V_BSTR(&key.get()) = SysAllocString(field);
    Variant item;
    Invoke(DispatchOf(fields.get()).get(), L"Item", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {key.get()}, &item);
    Variant name;
    Invoke(DispatchOf(item.get()).get(), L"Value", DISPATCH_PROPERTYGET, {}, &name);
    VARIANT& v = name.get();
    if (V_VT(&v) == VT_NULL || V_VT(&v) == VT_EMPTY) return std::nullopt;
    if (V_VT(&v) != VT_BSTR && FAILED(VariantChangeType(&v, &v, 0, VT_BSTR))) throw RuntimeError(TypeMismatch);
    return FromBstr(V_BSTR(&v));
}

StoredId FieldId(IDispatch* recordset, const wchar_t* field) { return StoredIdFrom(FieldText(recordset, field)); }

// The query's condition for one device; none reads every row.
std::string DeviceFilter(std::optional<int32_t> deviceId) {
    return deviceId ? " WHERE DeviceId= " + std::to_string(*deviceId) : "";
}

class DaoStore : public DeviceDBStore {
public:
    explicit DaoStore(const std::string& path) {
        IDispatch* dbEngine = EngineFor(path);
        Variant workspaces;
        Invoke(dbEngine, L"Workspaces", DISPATCH_PROPERTYGET, {}, &workspaces);
        Variant workspace;
        InvokeId(DispatchOf(workspaces.get()).get(), DISPID_VALUE, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                 {LongArgument(0)}, &workspace);
        Variant name;
        name.get() = TextArgument(path);
        Variant database;
        Invoke(DispatchOf(workspace.get()).get(), L"OpenDatabase", DISPATCH_METHOD, {name.get()}, &database);
        database_ = DispatchOf(database.get());
    }

    ~DaoStore() override {
        try {
            Invoke(database_.get(), L"Close", DISPATCH_METHOD, {}, nullptr);
        } catch (const RuntimeError&) {
            // The database goes with its last reference all the same.
        }
    }

    std::vector<DeviceDataAreaRow> ReadDataAreas(std::optional<int32_t> deviceId) override {
        std::vector<DeviceDataAreaRow> rows;
        ForEachRow("SELECT DeviceId, DeviceDataAreaId, Name FROM DeviceDataArea" + DeviceFilter(deviceId),
                   [&](IDispatch* r) {
                       rows.push_back({FieldId(r, L"DeviceId"), FieldId(r, L"DeviceDataAreaId"), FieldText(r, L"Name")});
                   });
        return rows;
    }

    std::vector<DeviceDataTypeRow> ReadDataTypes(std::optional<int32_t> deviceId) override {
        std::vector<DeviceDataTypeRow> rows;
        ForEachRow("SELECT DeviceId, DeviceDataAreaId, DeviceDataTypeId, Name FROM DeviceDataType" +
                       DeviceFilter(deviceId),
                   [&](IDispatch* r) {
                       rows.push_back({FieldId(r, L"DeviceId"), FieldId(r, L"DeviceDataAreaId"),
                                       FieldId(r, L"DeviceDataTypeId"), FieldText(r, L"Name")});
                   });
        return rows;
    }

    std::vector<int32_t> ReadDeviceIds() override {
        std::vector<int32_t> ids;
        ForEachRow("SELECT DISTINCT DeviceId FROM DeviceDataArea ORDER BY DeviceId", [&](IDispatch* r) {
            StoredId id = FieldId(r, L"DeviceId");
            if (id.errorNumber == 0) ids.push_back(id.value);
        });
        return ids;
    }

private:
    template <class F>
    void ForEachRow(const std::string& sql, F&& onRow) {
        Variant query;
        query.get() = TextArgument(sql);
        Variant opened;
        Invoke(database_.get(), L"OpenRecordset", DISPATCH_METHOD, {query.get(), LongArgument(kSnapshot)}, &opened);
        ComPtr<IDispatch> recordset = DispatchOf(opened.get());
        struct Closer {
            IDispatch* r;
            ~Closer() {
                try {
                    Invoke(r, L"Close", DISPATCH_METHOD, {}, nullptr);
                } catch (const RuntimeError&) {
                    // a recordset that cannot be closed goes with its last reference
                }
            }
        } closer{recordset.get()};
        for (;;) {
            Variant atEnd;
            Invoke(recordset.get(), L"EOF", DISPATCH_PROPERTYGET, {}, &atEnd);
            if (V_VT(&atEnd.get()) == VT_BOOL && V_BOOL(&atEnd.get()) != VARIANT_FALSE) break;
            onRow(recordset.get());
            Invoke(recordset.get(), L"MoveNext", DISPATCH_METHOD, {}, nullptr);
        }
    }

    ComPtr<IDispatch> database_;
};

}  // namespace

std::unique_ptr<DeviceDBStore> OpenJetStore(const std::string& path) { return std::make_unique<DaoStore>(path); }

}  // namespace tessaro
