// A stand-in for the DAO engine, registered as DAO.DBEngine.36 in the test prefix: late
// bound only (IDispatch by name), with the members the device database store uses. It
// answers OpenRecordset by running the SQL text on the SQLite database named by
// TESSARO_DAO_DOUBLE_DB, and appends every SQL text and recordset type it receives, and
// every database path it opens, to the file named by TESSARO_DAO_DOUBLE_LOG.

#include "ComServer.h"

#include <oleauto.h>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

HMODULE module = nullptr;
// {6D5A3C1E-0B77-4E0E-9F3C-2A1B0C9D8E71}
const CLSID kClsid = {0x6d5a3c1e, 0x0b77, 0x4e0e, {0x9f, 0x3c, 0x2a, 0x1b, 0x0c, 0x9d, 0x8e, 0x71}};
const char* kClsidText = "{6D5A3C1E-0B77-4E0E-9F3C-2A1B0C9D8E71}";

std::string Narrow(BSTR text) {
    int length = static_cast<int>(SysStringLen(text));
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), bytes, nullptr, nullptr);
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

// One object of the double: what it is, the object it was reached from (kept alive),
// and what it holds. A recordset steps its statement as the caller moves on; its Fields
// read the current row.
class Object final : public tessaro::com::Unknown<Object, IDispatch> {
public:
    enum Kind { Engine, Database, Recordset, Fields, Field };
    Object(Kind kind, Object* parent) : kind_(kind), parent_(parent) {
        if (parent_) parent_->AddRef();
        VariantInit(&value_);
    }
    ~Object() override {
        sqlite3_finalize(statement_);
        sqlite3_close_v2(db_);
        VariantClear(&value_);
        if (parent_) parent_->Release();
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return *count = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        static const wchar_t* const kNames[] = {L"", L"Workspaces", L"OpenDatabase", L"OpenRecordset", L"Close",
                                                L"EOF", L"MoveNext", L"Fields", L"Item", L"Value"};
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        for (DISPID id = 1; id < 10; ++id)
            if (lstrcmpiW(names[0], kNames[id]) == 0) ids[0] = id;
        return ids[0] == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        auto arg = [&](UINT i) -> VARIANT* {
            if (i >= params->cArgs) return nullptr;
            VARIANT* v = &params->rgvarg[params->cArgs - 1 - i];
            return V_VT(v) == (VT_VARIANT | VT_BYREF) ? V_VARIANTREF(v) : v;
        };
        BSTR text = arg(0) && V_VT(arg(0)) == VT_BSTR ? V_BSTR(arg(0)) : nullptr;  // the first argument's text
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
        bool atEnd = kind_ == Recordset && !row_;
        switch (kind_) {
        case Engine:  // the engine, its Workspaces and their first Workspace in one
            if (id == 1 || id == 8 || id == DISPID_VALUE) return AddRef(), give(this);
            if (id == 2 && text) {
                Log("OpenDatabase " + Narrow(text) + " with " + std::to_string(params->cArgs) + " argument(s)");
                auto* db = new Object(Database, this);
                const char* file = std::getenv("TESSARO_DAO_DOUBLE_DB");
                if (!file || sqlite3_open_v2(file, &db->db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
                    db->Release();
                    return daoError(3024);  // could not find file
                }
                return give(db);
            }
            break;
        case Database:
            if (id == 4) return S_OK;
            if (id == 3 && text) {
                VARIANT type;
                VariantInit(&type);
                LONG typeNumber = -1;
                if (arg(1) && SUCCEEDED(VariantChangeType(&type, arg(1), 0, VT_I4))) typeNumber = V_I4(&type);
                Log("OpenRecordset " + std::to_string(typeNumber) + " " + Narrow(text));
                auto* records = new Object(Recordset, this);
                if (sqlite3_prepare_v2(db_, Narrow(text).c_str(), -1, &records->statement_, nullptr) != SQLITE_OK) {
                    records->Release();
                    return daoError(3061);
                }
                records->row_ = sqlite3_step(records->statement_) == SQLITE_ROW;
                return give(records);
            }
            break;
        case Recordset:
            if (id == 5 && result) return V_VT(result) = VT_BOOL, V_BOOL(result) = atEnd ? VARIANT_TRUE : VARIANT_FALSE, S_OK;
            if (id == 4) return S_OK;
            if ((id == 6 || id == 7) && atEnd) return daoError(3021);  // no current record
            if (id == 6) return row_ = sqlite3_step(statement_) == SQLITE_ROW, S_OK;
            if (id == 7) return give(new Object(Fields, this));
            break;
        case Fields:
            if ((id == 8 || id == DISPID_VALUE) && text) {
                sqlite3_stmt* row = parent_->statement_;
                for (int c = 0; c < sqlite3_column_count(row); ++c) {
                    if (sqlite3_stricmp(sqlite3_column_name(row, c), Narrow(text).c_str()) != 0) continue;
                    auto* field = new Object(Field, this);
                    if (sqlite3_column_type(row, c) == SQLITE_NULL) {
                        V_VT(&field->value_) = VT_NULL;
                    } else if (sqlite3_column_type(row, c) == SQLITE_INTEGER) {
                        V_VT(&field->value_) = VT_I4;
                        V_I4(&field->value_) = sqlite3_column_int(row, c);
                    } else {
                        auto* chars = static_cast<const wchar_t*>(sqlite3_column_text16(row, c));
                        V_VT(&field->value_) = VT_BSTR;
                        V_BSTR(&field->value_) = SysAllocString(chars);
                    }
                    return give(field);
                }
                return daoError(3265);  // item not found
            }
            break;
        case Field:
            if ((id == 9 || id == DISPID_VALUE) && result) return VariantCopy(result, &value_);
            break;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    Kind kind_;
    Object* parent_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* statement_ = nullptr;
    bool row_ = false;  // a recordset's statement stands on a row
    VARIANT value_;
};

IUnknown* NewEngine() { return static_cast<IDispatch*>(new (std::nothrow) Object(Object::Engine, nullptr)); }

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

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    char path[MAX_PATH];
    GetModuleFileNameA(module, path, MAX_PATH);
    std::string clsid = std::string("CLSID\\") + kClsidText;
    bool ok = SetClassesRootValue(clsid, nullptr, "DAO test double") && SetClassesRootValue(clsid + "\\InprocServer32", nullptr, path) &&
              SetClassesRootValue(clsid + "\\InprocServer32", "ThreadingModel", "Both") &&
              SetClassesRootValue("DAO.DBEngine.36\\CLSID", nullptr, kClsidText);
    return ok ? S_OK : E_FAIL;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return S_OK; }
