// A stand-in for the DAO engine, registered under its ProgIDs in the test prefix: late
// bound only (IDispatch by name), with the members the device database store uses. It
// answers OpenRecordset by running the SQL text on the SQLite database named by
// TESSARO_DAO_DOUBLE_DB, and appends every SQL text and recordset type it receives, and
// every database path it opens, to the file named by TESSARO_DAO_DOUBLE_LOG.

#include "ComServer.h"

#include <oleauto.h>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

HMODULE module = nullptr;
// {6D5A3C1E-0B77-4E0E-9F3C-2A1B0C9D8E71}
const CLSID kClsid = {0x6d5a3c1e, 0x0b77, 0x4e0e, {0x9f, 0x3c, 0x2a, 0x1b, 0x0c, 0x9d, 0x8e, 0x71}};
const char* kClsidText = "{6D5A3C1E-0B77-4E0E-9F3C-2A1B0C9D8E71}";

std::string Narrow(const wchar_t* text, size_t length) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), bytes, nullptr, nullptr);
    return out;
}

void Log(const std::string& line) {
    const char* path = std::getenv("TESSARO_DAO_DOUBLE_LOG");
    if (!path) return;
    if (std::FILE* f = std::fopen(path, "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

using Row = std::map<std::string, std::shared_ptr<VARIANT>>;  // by upper-case column name

std::string Upper(std::string s) {
    CharUpperBuffA(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

std::shared_ptr<VARIANT> NewVariant() {
    return std::shared_ptr<VARIANT>(new VARIANT{}, [](VARIANT* v) {
        VariantClear(v);
        delete v;
    });
}

// One object of the double: what it is and what it holds.
class Object final : public tessaro::com::Unknown<Object, IDispatch> {
public:
    enum Kind { Engine, Workspaces, Workspace, Database, Recordset, Fields, Field };
    explicit Object(Kind kind) : kind_(kind) {}

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return *count = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        static const char* const kNames[] = {"", "WORKSPACES", "OPENDATABASE", "OPENRECORDSET", "CLOSE",
                                             "EOF", "MOVENEXT", "FIELDS", "ITEM", "VALUE"};
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        std::string name = Upper(Narrow(names[0], wcslen(names[0])));
        for (DISPID id = 1; id < 10; ++id)
            if (name == kNames[id]) ids[0] = id;
        return ids[0] == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        auto arg = [&](UINT i) -> VARIANT* {
            if (i >= params->cArgs) return nullptr;
            VARIANT* v = &params->rgvarg[params->cArgs - 1 - i];
            return V_VT(v) == (VT_VARIANT | VT_BYREF) ? V_VARIANTREF(v) : v;
        };
        // The text of argument i, or nothing when it is no text.
        auto textArg = [&](UINT i) -> std::optional<std::string> {
            VARIANT* v = arg(i);
            if (!v || V_VT(v) != VT_BSTR) return std::nullopt;
            return Narrow(V_BSTR(v), SysStringLen(V_BSTR(v)));
        };
        auto daoError = [](int number) { return MAKE_HRESULT(1, FACILITY_CONTROL, number); };
        if (result) VariantInit(result);
        auto give = [&](Object* o) {
            if (result) {
                V_VT(result) = VT_DISPATCH;
                V_DISPATCH(result) = o;
            } else {
                o->Release();
            }
            return S_OK;
        };
        switch (kind_) {
        case Engine:
            if (id == 1) return give(new Object(Workspaces));
            break;
        case Workspaces:
            if (id == DISPID_VALUE || id == 8) return give(new Object(Workspace));
            break;
        case Workspace:
            if (auto path = textArg(0); id == 2 && path) {
                Log("OpenDatabase " + *path + " with " + std::to_string(params->cArgs) + " argument(s)");
                auto* db = new Object(Database);
                const char* file = std::getenv("TESSARO_DAO_DOUBLE_DB");
                if (!file || sqlite3_open_v2(file, &db->db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
                    db->Release();
                    return daoError(3024);  // could not find file
                }
                return give(db);
            }
            break;
        case Database:
            if (id == 4) {
                sqlite3_close(db_);
                db_ = nullptr;
                return S_OK;
            }
            if (auto sql = textArg(0); id == 3 && sql) {
                VARIANT type;
                VariantInit(&type);
                LONG typeNumber = -1;
                if (arg(1) && SUCCEEDED(VariantChangeType(&type, arg(1), 0, VT_I4))) typeNumber = V_I4(&type);
                Log("OpenRecordset " + std::to_string(typeNumber) + " " + *sql);
                auto* records = new Object(Recordset);
                sqlite3_stmt* statement = nullptr;
                if (sqlite3_prepare_v2(db_, sql->c_str(), -1, &statement, nullptr) != SQLITE_OK) {
                    records->Release();
                    return daoError(3061);
                }
                while (sqlite3_step(statement) == SQLITE_ROW) {
                    Row row;
                    for (int c = 0; c < sqlite3_column_count(statement); ++c) {
                        auto value = NewVariant();
                        switch (sqlite3_column_type(statement, c)) {
                        case SQLITE_NULL: V_VT(value.get()) = VT_NULL; break;
                        case SQLITE_INTEGER:
                            V_VT(value.get()) = VT_I4;
                            V_I4(value.get()) = sqlite3_column_int(statement, c);
                            break;
                        default: {
                            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
                            int chars = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
                            std::wstring wide(static_cast<size_t>(chars), L'\0');
                            MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), chars);
                            V_VT(value.get()) = VT_BSTR;
                            V_BSTR(value.get()) = SysAllocString(wide.c_str());
                        }
                        }
                        row[Upper(sqlite3_column_name(statement, c))] = value;
                    }
                    records->rows_.push_back(row);
                }
                sqlite3_finalize(statement);
                return give(records);
            }
            break;
        case Recordset:
            if (id == 5 && result) {
                V_VT(result) = VT_BOOL;
                V_BOOL(result) = at_ >= rows_.size() ? VARIANT_TRUE : VARIANT_FALSE;
                return S_OK;
            }
            if (id == 4) return S_OK;
            if ((id == 6 || id == 7) && at_ >= rows_.size()) return daoError(3021);  // no current record
            if (id == 6) return ++at_, S_OK;
            if (id == 7) {
                auto* fields = new Object(Fields);
                fields->row_ = rows_[at_];
                return give(fields);
            }
            break;
        case Fields:
            if (auto name = textArg(0); (id == 8 || id == DISPID_VALUE) && name) {
                auto found = row_.find(Upper(*name));
                if (found == row_.end()) return daoError(3265);  // item not found
                auto* field = new Object(Field);
                field->value_ = found->second;
                return give(field);
            }
            break;
        case Field:
            if ((id == 9 || id == DISPID_VALUE) && result) return VariantCopy(result, value_.get());
            break;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    Kind kind_;
    sqlite3* db_ = nullptr;
    std::vector<Row> rows_;
    size_t at_ = 0;
    Row row_;
    std::shared_ptr<VARIANT> value_;
};

IUnknown* NewEngine() { return static_cast<IDispatch*>(new (std::nothrow) Object(Object::Engine)); }

}  // namespace

using tessaro::com::SetClassesRootValue;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) module = instance;
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (clsid != kClsid) return CLASS_E_CLASSNOTAVAILABLE;
    return tessaro::com::GetClassObject(&NewEngine, iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return tessaro::com::CanUnloadNow(); }

// Registers under the ProgIDs of the engine classes named by TESSARO_DAO_DOUBLE_PROGIDS
// (separated by ";"), so a test can leave some of them uncreatable.
extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    char path[MAX_PATH];
    GetModuleFileNameA(module, path, MAX_PATH);
    std::string clsid = std::string("CLSID\\") + kClsidText;
    bool ok = SetClassesRootValue(clsid, nullptr, "DAO test double") && SetClassesRootValue(clsid + "\\InprocServer32", nullptr, path) &&
              SetClassesRootValue(clsid + "\\InprocServer32", "ThreadingModel", "Both");
    const char* list = std::getenv("TESSARO_DAO_DOUBLE_PROGIDS");
    std::string progIds = list ? list : "DAO.DBEngine.36";
    size_t start = 0;
    while (start <= progIds.size()) {
        size_t end = progIds.find(';', start);
        if (end == std::string::npos) end = progIds.size();
        std::string progId = progIds.substr(start, end - start);
        if (!progId.empty()) ok = ok && SetClassesRootValue(progId + "\\CLSID", nullptr, kClsidText);
        start = end + 1;
    }
    return ok ? S_OK : E_FAIL;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return S_OK; }
