// The native half of the Python module: one import in its component layout with the GIL
// released, its records with their texts in UTF-8, and the device listing. Arguments
// arrive checked by the Python half (tessaro/__init__.py).

#include <tessaro/CodePage.h>
#include <tessaro/DeviceList.h>
#include <tessaro/ImportComparison.h>
#include <tessaro/ImportRecords.h>
#include <tessaro/ImportSummary.h>
#include <tessaro/Platform.h>
#include <tessaro/PrivateLayout.h>
#include <tessaro/RuntimeError.h>
#include <tessaro/VariableDriver.h>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

namespace py = pybind11;
using namespace tessaro;

namespace {

// The code page is the process's: imports side by side must share it. The first import
// chooses it; another one that asks for a different page while that runs is refused.
class CodePageUse {
public:
    explicit CodePageUse(const std::string& name) {
        std::lock_guard<std::mutex> lock(mutex_);
        // A page named otherwise than the running imports named it ("1251", "CP1251") is
        // refused too: it cannot be told apart without choosing it.
        if (running_ && UpperCase(name) != asked_ && UpperCase(name) != page_)
            throw py::value_error("code page \"" + name + "\" asked while an import with \"" + page_ +
                                  "\" runs on another thread; the code page is the process's");
        if (!running_) {
            try {
                SetCodePage(name);
            } catch (const RuntimeError&) {
                throw py::value_error("codepage: \"" + name + "\" is not a code page known here");
            }
            asked_ = UpperCase(name);
            page_ = CodePageName();
        }
        ++running_;
    }
    ~CodePageUse() {
        std::lock_guard<std::mutex> lock(mutex_);
        --running_;
    }
    CodePageUse(const CodePageUse&) = delete;
    CodePageUse& operator=(const CodePageUse&) = delete;

private:
    static inline std::mutex mutex_;
    static inline size_t running_ = 0;
    static inline std::string asked_;  // as the running imports named it, in upper case
    static inline std::string page_;   // its own name
};

// The thread's component folder and language for one import, undone afterwards.
struct ThreadSettings {
    ThreadSettings(const std::string& component, int32_t languageId) {
        SetThreadComponentFolder(component);
        SetThreadLanguageId(languageId);
    }
    ~ThreadSettings() {
        SetThreadComponentFolder("");
        SetThreadLanguageId(0);
    }
    ThreadSettings(const ThreadSettings&) = delete;
    ThreadSettings& operator=(const ThreadSettings&) = delete;
};

struct Request {
    std::vector<std::string> files;  // as the import names them (file system bytes)
    int32_t deviceCode = 1;
    int32_t deviceId = 1;
    std::string deviceName;                   // UTF-8
    std::optional<std::string> deviceDb;      // with a private layout
    std::optional<std::string> componentDir;  // else
    int32_t languageId = 0;
    std::string codePage;
    bool exact = false;
    bool account = false;
};

// The account's report and entry as Python holds them: copies of the library's, which are
// views of the import's account, with their texts in UTF-8.
struct PyLineReport {
    int32_t Kind = 0;
    std::string OldType;
    std::string NewType;
};

struct PyAccountEntry {
    std::string File;
    int32_t Line = 0;
    std::string Name, OperandArea, Address, DataType, Comment, AbsoluteAddress;
    LineFate Fate = LineFate::Imported;
    std::string Reason;
    std::vector<PyLineReport> Reports;
    std::string Key;
};

// One import's outcome, every text in UTF-8.
struct Result {
    std::vector<VariablePtr> variables;
    std::string messages;       // the merged message file's lines this import wrote
    py::bytes MessageBytes() const { return py::bytes(messageBytes); }
    std::string messageBytes;   // the same in the code page
    std::array<size_t, 7> reportCounts{};
    std::vector<FileReading> readings;
    std::vector<PyAccountEntry> account;
    bool hasAccount = false;
    std::vector<RecordAccount> recordAccounts;  // each variable's line, where the account was kept
    std::string summaryJson;
    bool imported = false;
    int32_t failureNumber = 0;
    std::string failureDescription;
    std::string codePage;
};

std::string ReadFrom(const std::string& file, std::uintmax_t offset) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return "";
    in.seekg(static_cast<std::streamoff>(offset));
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::uintmax_t SizeOf(const std::string& file) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    return ec ? 0 : size;
}

void ToUtf8InPlace(std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) {
            text = ToUtf8(text);
            return;
        }
}

Result RunImport(const Request& request) {
    CodePageUse page(request.codePage);
    std::optional<PrivateLayout> layout;
    std::string component;
    if (request.componentDir) {
        component = std::filesystem::absolute(*request.componentDir).lexically_normal().string();
    } else {
        layout.emplace(*request.deviceDb);
        component = layout->component;
    }
    const std::string merged = component + "/../Messenger.Msg";
    const std::uintmax_t before = SizeOf(merged);

    Result result;
    {
        ThreadSettings settings(component, request.languageId);
        VariableDriver driver;
        driver.DeviceCodeId = request.deviceCode;
        driver.DeviceId = request.deviceId;
        driver.DeviceName = FromUtf8(request.deviceName);
        if (!request.exact) driver.Options = ImportOptions::AsFound();
        driver.Options.Account = request.account;
        driver.Options.OtherSymbolFormats = true;
        DataSourceCollection sources;
        for (const auto& file : request.files) sources.Add(std::make_shared<DataSource>(DataSource{file}));
        result.imported = driver.GetVariables(sources);
        result.failureNumber = driver.LastFailure.Number;
        result.failureDescription = driver.LastFailure.Description;
        result.reportCounts = driver.ReportCounts;
        result.readings = driver.Readings;
        if (driver.Account) {
            result.hasAccount = true;
            const ImportAccount& account = *driver.Account;
            result.account.reserve(account.Entries.size());
            for (const AccountEntry& e : account.Entries) {
                PyAccountEntry& entry = result.account.emplace_back(
                    PyAccountEntry{std::string(e.File), e.Line, std::string(e.Name), std::string(e.OperandArea),
                                   std::string(e.Address), std::string(e.DataType), std::string(e.Comment),
                                   std::string(e.AbsoluteAddress), e.Fate, std::string(e.Reason), {}, std::string(e.Key)});
                for (const LineReport& report : account.ReportsOf(e))
                    entry.Reports.push_back({report.Kind, std::string(report.OldType), std::string(report.NewType)});
            }
            result.recordAccounts = RecordsOf(*driver.Variables, driver.Account.get()).Accounts;
        }
        result.summaryJson = SummaryJson(SummarizeImport(driver));
        result.variables.reserve(driver.Variables->Count());
        driver.Variables->ForEach([&](const VariablePtr& variable) {
            result.variables.push_back(variable);
            return true;
        });
    }
    // The records are the Python host's alone from here: their texts become UTF-8 while
    // the code page is the one they were read in.
    for (const VariablePtr& variable : result.variables) {
        ToUtf8InPlace(variable->Name);
        ToUtf8InPlace(variable->SectionName);
        ToUtf8InPlace(variable->TagAttribute);
    }
    for (RecordAccount& line : result.recordAccounts) {
        ToUtf8InPlace(line.Address);
        ToUtf8InPlace(line.Comment);
    }
    for (PyAccountEntry& entry : result.account) {
        for (std::string* text : {&entry.Name, &entry.OperandArea, &entry.Address, &entry.DataType,
                                  &entry.Comment, &entry.AbsoluteAddress, &entry.Reason, &entry.Key})
            ToUtf8InPlace(*text);
        for (PyLineReport& report : entry.Reports) {
            ToUtf8InPlace(report.OldType);
            ToUtf8InPlace(report.NewType);
        }
    }
    for (FileReading& reading : result.readings) ToUtf8InPlace(reading.Failure);
    result.messageBytes = ReadFrom(merged, before);
    result.messages = ToUtf8(result.messageBytes);
    // A failure names the files the import saw; the private layout's link to the device
    // database is named as the file the host gave.
    if (layout) {
        const std::string link = layout->component + "/../../KorvoDEV.dbr";
        for (size_t at; (at = result.failureDescription.find(link)) != std::string::npos;)
            result.failureDescription.replace(at, link.size(), *request.deviceDb);
    }
    ToUtf8InPlace(result.failureDescription);
    result.codePage = CodePageName();
    return result;
}

// Variable, as Python sees it: a struct sequence (a tuple with named fields, like
// os.stat_result), made straight from the record: far cheaper per object than a wrapped
// C++ class, which matters at a million variables.
PyStructSequence_Field kVariableFields[] = {
    {"Name", "The variable's name: the symbol, or the element's path in its data block."},
    {"SectionName", "Where it came from: the file and its kind."},
    {"DeviceId", "The host's device identifier given to the import."},
    {"NestingLevel", "The nesting level of the variable."},
    {"TagAttribute", "The tag attribute (the S7 data type where one is kept)."},
    {"DataAreaId", "The device's data area."},
    {"DataTypeId", "The device's data type."},
    {"VariableLen", "The length of a string or array."},
    {"FieldAdd1", "Address field 1."},
    {"FieldAdd2", "Address field 2."},
    {"FieldAdd3", "Address field 3."},
    {"FieldAdd4", "Address field 4."},
    {"FieldAdd5", "Address field 5."},
    {"Sign", "True for a signed type."},
    {"Warning", "True when the variable should be checked."},
    {nullptr, nullptr}};
PyStructSequence_Desc kVariableDesc = {
    "tessaro.Variable",
    "One imported variable: the record a configurator receives, its 15 fields named as the\n"
    "records name them. A tuple: equal to another with the same fields, hashable, and\n"
    "made from its 15 values in order: Variable((Name, SectionName, ...)).",
    kVariableFields, 15};
PyTypeObject* variableType = nullptr;

PyObject* Text(const std::string& utf8) {
    return PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(utf8.size()), "replace");
}
// A file's name as the host gave it: bytes of the file system, back to str as os.fsdecode does.
py::object FileName(const std::string& name) {
    PyObject* text = PyUnicode_DecodeFSDefaultAndSize(name.data(), static_cast<Py_ssize_t>(name.size()));
    if (!text) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(text);
}

PyObject* Flag(bool value) {
    PyObject* flag = value ? Py_True : Py_False;
    Py_INCREF(flag);
    return flag;
}

// One str object for each distinct text of a field that repeats (a file's section name,
// the tag attributes), instead of one per variable.
class SharedTexts {
public:
    PyObject* Of(const std::string& utf8) {
        auto [at, added] = texts_.try_emplace(utf8);
        if (added) at->second = py::reinterpret_steal<py::object>(Text(utf8));
        if (!at->second) throw py::error_already_set();
        return at->second.inc_ref().ptr();
    }

private:
    std::unordered_map<std::string, py::object> texts_;
};

// The record as a Variable; its texts already UTF-8.
py::object VariableObject(const Variable& v, SharedTexts& shared) {
    py::object object = py::reinterpret_steal<py::object>(PyStructSequence_New(variableType));
    if (!object) throw py::error_already_set();
    PyObject* items[15] = {Text(v.Name),          shared.Of(v.SectionName),        PyLong_FromLong(v.DeviceId),
                           PyLong_FromLong(v.NestingLevel), shared.Of(v.TagAttribute), PyLong_FromLong(v.DataAreaId),
                           PyLong_FromLong(v.DataTypeId),   PyLong_FromLong(v.VariableLen), PyLong_FromLong(v.FieldAdd1),
                           PyLong_FromLong(v.FieldAdd2),    PyLong_FromLong(v.FieldAdd3),   PyLong_FromLong(v.FieldAdd4),
                           PyLong_FromLong(v.FieldAdd5),    Flag(v.Sign),                   Flag(v.Warning)};
    for (Py_ssize_t i = 0; i < 15; ++i) {
        if (!items[i]) throw py::error_already_set();
        PyStructSequence_SetItem(object.ptr(), i, items[i]);
    }
    return object;
}

// A record back from its Variable object: the texts into the code page.
VariablePtr RecordOf(py::handle object) {
    if (!PyTuple_Check(object.ptr()) || PyTuple_GET_SIZE(object.ptr()) != 15)
        throw py::type_error("an Import's variables must be tessaro.Variable");
    auto text = [&](Py_ssize_t i) {
        Py_ssize_t size = 0;
        const char* utf8 = PyUnicode_AsUTF8AndSize(PyTuple_GET_ITEM(object.ptr(), i), &size);
        if (!utf8) throw py::error_already_set();
        return FromUtf8(std::string_view(utf8, static_cast<size_t>(size)));
    };
    auto number = [&](Py_ssize_t i) { return py::reinterpret_borrow<py::object>(PyTuple_GET_ITEM(object.ptr(), i)).cast<int32_t>(); };
    auto flag = [&](Py_ssize_t i) { return PyTuple_GET_ITEM(object.ptr(), i) == Py_True; };
    return std::make_shared<Variable>(Variable{text(0), text(1), number(2), number(3), text(4), number(5), number(6),
                                               number(7), number(8), number(9), number(10), number(11), number(12),
                                               flag(13), flag(14)});
}

// One side of a comparison: a saved import's file (bytes of its path), or an Import's
// variables with its import's outcome.
struct Side {
    ImportRecords records;
    py::list objects;  // the Variable of each record
};

Side SideOf(py::handle side) {
    Side result;
    if (py::isinstance<py::bytes>(side)) {
        const std::string file = side.cast<std::string>();
        {
            py::gil_scoped_release unlocked;
            result.records = ReadSavedImport(file);
        }
        SharedTexts shared;
        result.objects = py::list(result.records.Variables.size());
        for (size_t i = 0; i < result.records.Variables.size(); ++i) {
            Variable copy = *result.records.Variables[i];
            ToUtf8InPlace(copy.Name);
            ToUtf8InPlace(copy.SectionName);
            ToUtf8InPlace(copy.TagAttribute);
            result.objects[i] = VariableObject(copy, shared);
        }
        return result;
    }
    auto pair = side.cast<py::tuple>();
    result.objects = pair[0].cast<py::list>();
    const Result& outcome = pair[1].cast<const Result&>();
    result.records.Variables.reserve(result.objects.size());
    for (py::handle object : result.objects) result.records.Variables.push_back(RecordOf(object));
    // The lines of the records, while the list is still the import's own.
    if (outcome.recordAccounts.size() != result.records.Variables.size()) return result;
    for (RecordAccount line : outcome.recordAccounts) {
        line.Address = FromUtf8(line.Address);
        line.Comment = FromUtf8(line.Comment);
        result.records.Accounts.push_back(std::move(line));
    }
    return result;
}

py::object Compare(py::handle older, py::handle newer, bool renames, const std::string& codePage) {
    CodePageUse page(codePage);
    Side oldSide;
    Side newSide;
    try {
        oldSide = SideOf(older);
        newSide = SideOf(newer);
    } catch (const SavedImportError& error) {
        throw py::value_error(ToUtf8(error.what()));
    }
    ImportComparison comparison;
    {
        py::gil_scoped_release unlocked;
        ComparisonOptions options;
        options.Renames = renames;
        comparison = CompareImports(oldSide.records, newSide.records, options);
    }
    auto objectAt = [](const py::list& objects, size_t index) -> py::object {
        return index == RecordChange::npos ? py::object(py::none()) : py::object(objects[index]);
    };
    py::list changes;
    for (const RecordChange& change : comparison.Changes) {
        py::list columns;
        for (const ColumnChange& column : change.Columns)
            columns.append(py::make_tuple(std::string(column.Column), ToUtf8(column.Old), ToUtf8(column.New)));
        changes.append(py::make_tuple(std::string(ChangeName(change.Kind)), objectAt(oldSide.objects, change.Old),
                                      objectAt(newSide.objects, change.New), columns));
    }
    return py::make_tuple(changes, ComparisonSummary(comparison));
}

std::string Utf8Name(const std::optional<std::string>& name) { return name ? ToUtf8(*name) : std::string(); }

}  // namespace

PYBIND11_MODULE(_tessaro, m) {
    m.doc() = "The native part of tessaro; use the tessaro package.";
    m.attr("__version__") = TESSARO_VERSION;

    variableType = PyStructSequence_NewType(&kVariableDesc);
    if (!variableType) throw py::error_already_set();
    m.attr("Variable") = py::reinterpret_steal<py::object>(reinterpret_cast<PyObject*>(variableType));

    py::class_<FileReading>(m, "FileReading", "What one source was read as.")
        .def_property_readonly("SourceId", [](const FileReading& r) { return FileName(r.SourceId); })
        .def_readonly("Format", &FileReading::Format)
        .def_readonly("Lines", &FileReading::Lines)
        .def_readonly("LoneLineFeeds", &FileReading::LoneLineFeeds)
        .def_readonly("TabsAsBlanks", &FileReading::TabsAsBlanks)
        .def_readonly("EnglishMnemonics", &FileReading::EnglishMnemonics)
        .def_readonly("MixedMnemonics", &FileReading::MixedMnemonics)
        .def_readonly("WholeBlockNames", &FileReading::WholeBlockNames)
        .def_readonly("CommentedValueLines", &FileReading::CommentedValueLines)
        .def_readonly("Failure", &FileReading::Failure, "Where an SDF or DIF file stopped fitting its format; else empty.")
        .def("differs", &FileReading::Differs, "True when the file was read other than by default.")
        .def("said", &FileReading::Said, "What was read other than by default, in the command line's words.")
        .def("__repr__", [](const FileReading& r) {
            return "FileReading(SourceId=" + py::repr(FileName(r.SourceId)).cast<std::string>() + ", Format='" + r.Format +
                   "', Lines=" + std::to_string(r.Lines) + ")";
        });

    py::class_<PyLineReport>(m, "LineReport", "A report about a line, by its message file's kind (1 to 6).")
        .def_readonly("Kind", &PyLineReport::Kind)
        .def_readonly("OldType", &PyLineReport::OldType)
        .def_readonly("NewType", &PyLineReport::NewType);

    py::class_<PyAccountEntry>(m, "AccountEntry", "One line of the import's account: where, what, and what became of it.")
        .def_property_readonly("File", [](const PyAccountEntry& e) { return FileName(e.File); })
        .def_readonly("Line", &PyAccountEntry::Line)
        .def_readonly("Name", &PyAccountEntry::Name)
        .def_readonly("OperandArea", &PyAccountEntry::OperandArea)
        .def_readonly("Address", &PyAccountEntry::Address)
        .def_readonly("DataType", &PyAccountEntry::DataType)
        .def_readonly("Comment", &PyAccountEntry::Comment)
        .def_readonly("AbsoluteAddress", &PyAccountEntry::AbsoluteAddress)
        .def_property_readonly("Fate", [](const PyAccountEntry& e) { return std::string(FateName(e.Fate)); },
                               "The fate's stable name: 'imported', 'same-name', ...")
        .def_readonly("Reason", &PyAccountEntry::Reason)
        .def_readonly("Reports", &PyAccountEntry::Reports)
        .def_readonly("Key", &PyAccountEntry::Key)
        .def("__repr__", [](const PyAccountEntry& e) {
            return "AccountEntry(File=" + py::repr(FileName(e.File)).cast<std::string>() + ", Line=" + std::to_string(e.Line) +
                   ", Name=" + py::repr(py::str(e.Name)).cast<std::string>() + ", Fate='" + std::string(FateName(e.Fate)) + "')";
        });

    py::class_<Result>(m, "_Result")
        .def_readonly("imported", &Result::imported)
        .def_readonly("failure_number", &Result::failureNumber)
        .def_readonly("failure_description", &Result::failureDescription)
        .def_readonly("messages", &Result::messages)
        .def_property_readonly("message_bytes", &Result::MessageBytes)
        .def_readonly("report_counts", &Result::reportCounts)
        .def_readonly("readings", &Result::readings)
        .def_readonly("has_account", &Result::hasAccount)
        .def_readonly("account", &Result::account)
        .def_readonly("code_page", &Result::codePage)
        .def_readonly("summary_json", &Result::summaryJson)
        .def("take_variables", [](Result& r) {
            // Each record goes as its Python object is made: the two are never all held at once.
            py::list list(r.variables.size());
            SharedTexts shared;
            for (size_t i = 0; i < r.variables.size(); ++i) {
                list[i] = VariableObject(*r.variables[i], shared);
                r.variables[i].reset();
            }
            r.variables.clear();
            r.variables.shrink_to_fit();
            return list;
        });

    m.def(
        "_import",
        [](std::vector<std::string> files, int32_t deviceCode, int32_t deviceId, std::string deviceName,
           std::optional<std::string> deviceDb, std::optional<std::string> componentDir, int32_t languageId,
           std::string codePage, bool exact, bool account) {
            Request request{std::move(files), deviceCode, deviceId,   std::move(deviceName), std::move(deviceDb),
                            std::move(componentDir), languageId, std::move(codePage), exact, account};
            py::gil_scoped_release unlocked;
            return RunImport(request);
        });

    m.def("_diff", &Compare);

    m.def("_language_id", [](const std::string& name) { return LanguageIdNamed(name); });

    py::class_<DeviceDataTypeEntry>(m, "DeviceDataType", "A data type of a device.")
        .def_readonly("Id", &DeviceDataTypeEntry::Id)
        .def_property_readonly("Name", [](const DeviceDataTypeEntry& t) { return t.Name ? py::object(py::str(ToUtf8(*t.Name))) : py::object(py::none()); })
        .def_readonly("AreaId", &DeviceDataTypeEntry::AreaId)
        .def("__repr__", [](const DeviceDataTypeEntry& t) {
            return "DeviceDataType(Id=" + (t.Id ? std::to_string(*t.Id) : "None") + ", Name=" +
                   py::repr(py::str(Utf8Name(t.Name))).cast<std::string>() + ")";
        });
    py::class_<DeviceDataAreaEntry>(m, "DeviceDataArea", "A data area of a device, with its data types.")
        .def_readonly("Id", &DeviceDataAreaEntry::Id)
        .def_property_readonly("Name", [](const DeviceDataAreaEntry& a) { return a.Name ? py::object(py::str(ToUtf8(*a.Name))) : py::object(py::none()); })
        .def_readonly("Types", &DeviceDataAreaEntry::Types)
        .def("__repr__", [](const DeviceDataAreaEntry& a) {
            return "DeviceDataArea(Id=" + (a.Id ? std::to_string(*a.Id) : "None") + ", Name=" +
                   py::repr(py::str(Utf8Name(a.Name))).cast<std::string>() + ", " + std::to_string(a.Types.size()) + " types)";
        });
    py::class_<DeviceEntry>(m, "Device", "A device of the device database: its code, data areas and types.")
        .def_readonly("Code", &DeviceEntry::Code)
        .def_readonly("Areas", &DeviceEntry::Areas)
        .def_readonly("TypesOfUnlistedAreas", &DeviceEntry::TypesOfUnlistedAreas)
        .def("__repr__", [](const DeviceEntry& d) {
            return "Device(Code=" + std::to_string(d.Code) + ", " + std::to_string(d.Areas.size()) + " areas)";
        });
    m.def("_devices", [](const std::string& path) {
        try {
            return ListDevices(path);
        } catch (const std::exception& error) {
            throw py::value_error(std::string("cannot read the device database: ") + error.what());
        }
    });
}
