// The native half of the Python module: one import in its component layout with the GIL
// released, its records with their texts in UTF-8, and the device listing. Arguments
// arrive checked by the Python half (tessaro/__init__.py).

#include <tessaro/CodePage.h>
#include <tessaro/DeviceList.h>
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

// One import's outcome, every text in UTF-8.
struct Result {
    std::vector<VariablePtr> variables;
    std::string messages;       // the merged message file's lines this import wrote
    py::bytes MessageBytes() const { return py::bytes(messageBytes); }
    std::string messageBytes;   // the same in the code page
    std::array<size_t, 7> reportCounts{};
    std::vector<FileReading> readings;
    std::vector<AccountEntry> account;
    bool hasAccount = false;
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
        if (!request.exact) {
            driver.Options.LineEnd = ImportOptions::LineEnds::AlsoLineFeed;
            driver.Options.Tab = ImportOptions::Tabs::AsBlanks;
            driver.Options.BlockName = ImportOptions::BlockNames::Whole;
            driver.Options.Mnemonic = ImportOptions::Mnemonics::Detect;
        }
        driver.Options.Account = request.account;
        DataSourceCollection sources;
        for (const auto& file : request.files) sources.Add(std::make_shared<DataSource>(DataSource{file}));
        result.imported = driver.GetVariables(sources);
        result.failureNumber = driver.LastFailure.Number;
        result.failureDescription = driver.LastFailure.Description;
        result.reportCounts = driver.ReportCounts;
        result.readings = driver.Readings;
        if (driver.Account) {
            result.hasAccount = true;
            result.account = driver.Account->Entries;
        }
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
    for (AccountEntry& entry : result.account)
        for (std::string* text : {&entry.File, &entry.Name, &entry.OperandArea, &entry.Address, &entry.DataType,
                                  &entry.Comment, &entry.AbsoluteAddress, &entry.Reason, &entry.Key})
            ToUtf8InPlace(*text);
    for (FileReading& reading : result.readings) ToUtf8InPlace(reading.SourceId);
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

py::tuple Fields(const Variable& v) {
    return py::make_tuple(v.Name, v.SectionName, v.DeviceId, v.NestingLevel, v.TagAttribute, v.DataAreaId,
                          v.DataTypeId, v.VariableLen, v.FieldAdd1, v.FieldAdd2, v.FieldAdd3, v.FieldAdd4,
                          v.FieldAdd5, v.Sign, v.Warning);
}

constexpr std::array<const char*, 15> kFieldNames = {
    "Name",      "SectionName", "DeviceId",  "NestingLevel", "TagAttribute", "DataAreaId", "DataTypeId", "VariableLen",
    "FieldAdd1", "FieldAdd2",   "FieldAdd3", "FieldAdd4",    "FieldAdd5",    "Sign",       "Warning"};

// Sets a field of v by its name, as Variable(**fields) gives it.
void SetField(Variable& v, const std::string& name, py::handle value) {
    std::string* texts[] = {&v.Name, &v.SectionName, nullptr, nullptr, &v.TagAttribute};
    int32_t* numbers[] = {nullptr,     nullptr,     &v.DeviceId,  &v.NestingLevel, nullptr,     &v.DataAreaId,
                          &v.DataTypeId, &v.VariableLen, &v.FieldAdd1, &v.FieldAdd2,    &v.FieldAdd3, &v.FieldAdd4,
                          &v.FieldAdd5};
    const auto at = std::find(kFieldNames.begin(), kFieldNames.end(), name);
    if (at == kFieldNames.end()) throw py::type_error("Variable() has no field " + name);
    const size_t field = static_cast<size_t>(at - kFieldNames.begin());
    const auto expect = [&](bool ok, const char* what) {
        if (!ok) throw py::type_error("Variable(): " + name + " takes " + what + ", not " + std::string(py::str(py::type::of(value).attr("__name__"))));
    };
    if (field < 5 && texts[field]) {
        expect(py::isinstance<py::str>(value), "a str");
        *texts[field] = value.cast<std::string>();
    } else if (field >= 13) {
        expect(py::isinstance<py::bool_>(value), "a bool");
        (field == 13 ? v.Sign : v.Warning) = value.cast<bool>();
    } else {
        expect(py::isinstance<py::int_>(value) && !py::isinstance<py::bool_>(value), "an int");
        *numbers[field] = value.cast<int32_t>();
    }
}

std::string Utf8Name(const std::optional<std::string>& name) { return name ? ToUtf8(*name) : std::string(); }

}  // namespace

PYBIND11_MODULE(_tessaro, m) {
    m.doc() = "The native part of tessaro; use the tessaro package.";
    m.attr("__version__") = TESSARO_VERSION;
    m.attr("FIELD_NAMES") = py::cast(std::vector<std::string>(kFieldNames.begin(), kFieldNames.end()));

    py::class_<Variable, std::shared_ptr<Variable>> variable(m, "Variable", R"doc(
One imported variable: the record a configurator receives. Its fields are read-only
attributes named as the records name them; texts are str. Two variables are equal when
all 15 fields are.)doc");
    variable.def(py::init([](py::kwargs fields) {
                     auto v = std::make_shared<Variable>();
                     for (auto item : fields) SetField(*v, py::str(item.first), item.second);
                     return v;
                 }),
                 "Variable(**fields): a record with the fields given by name; the others are empty, zero or False.");
#define TESSARO_FIELD(field, doc) variable.def_readonly(#field, &Variable::field, doc);
    TESSARO_FIELD(Name, "The variable's name: the symbol, or the element's path in its data block.")
    TESSARO_FIELD(SectionName, "Where it came from: the file and its kind.")
    TESSARO_FIELD(DeviceId, "The host's device identifier given to the import.")
    TESSARO_FIELD(NestingLevel, "The nesting level of the variable.")
    TESSARO_FIELD(TagAttribute, "The tag attribute (the S7 data type where one is kept).")
    TESSARO_FIELD(DataAreaId, "The device's data area.")
    TESSARO_FIELD(DataTypeId, "The device's data type.")
    TESSARO_FIELD(VariableLen, "The length of a string or array.")
    TESSARO_FIELD(FieldAdd1, "Address field 1.")
    TESSARO_FIELD(FieldAdd2, "Address field 2.")
    TESSARO_FIELD(FieldAdd3, "Address field 3.")
    TESSARO_FIELD(FieldAdd4, "Address field 4.")
    TESSARO_FIELD(FieldAdd5, "Address field 5.")
    TESSARO_FIELD(Sign, "True for a signed type.")
    TESSARO_FIELD(Warning, "True when the variable should be checked.")
#undef TESSARO_FIELD
    variable.def("_fields", [](const Variable& v) { return Fields(v); });
    variable.def("__eq__", [](const Variable& a, py::object b) -> py::object {
        if (!py::isinstance<Variable>(b)) return py::reinterpret_borrow<py::object>(Py_NotImplemented);
        return py::bool_(Fields(a).equal(Fields(b.cast<const Variable&>())));
    });
    variable.def("__hash__", [](const Variable& v) { return py::hash(Fields(v)); });
    variable.def("__repr__", [](const Variable& v) {
        py::tuple values = Fields(v);
        std::string text = "Variable(";
        for (size_t i = 0; i < kFieldNames.size(); ++i)
            text += (i ? ", " : "") + std::string(kFieldNames[i]) + "=" + py::repr(values[i]).cast<std::string>();
        return text + ")";
    });

    py::class_<FileReading>(m, "FileReading", "What one source was read as.")
        .def_readonly("SourceId", &FileReading::SourceId)
        .def_readonly("Format", &FileReading::Format)
        .def_readonly("Lines", &FileReading::Lines)
        .def_readonly("LoneLineFeeds", &FileReading::LoneLineFeeds)
        .def_readonly("TabsAsBlanks", &FileReading::TabsAsBlanks)
        .def_readonly("EnglishMnemonics", &FileReading::EnglishMnemonics)
        .def_readonly("MixedMnemonics", &FileReading::MixedMnemonics)
        .def_readonly("WholeBlockNames", &FileReading::WholeBlockNames)
        .def("differs", &FileReading::Differs, "True when the file was read other than by default.")
        .def("__repr__", [](const FileReading& r) {
            return "FileReading(SourceId=" + py::repr(py::str(r.SourceId)).cast<std::string>() + ", Format='" + r.Format +
                   "', Lines=" + std::to_string(r.Lines) + ")";
        });

    py::class_<LineReport>(m, "LineReport", "A report about a line, by its message file's kind (1 to 6).")
        .def_readonly("Kind", &LineReport::Kind)
        .def_readonly("OldType", &LineReport::OldType)
        .def_readonly("NewType", &LineReport::NewType);

    py::class_<AccountEntry>(m, "AccountEntry", "One line of the import's account: where, what, and what became of it.")
        .def_readonly("File", &AccountEntry::File)
        .def_readonly("Line", &AccountEntry::Line)
        .def_readonly("Name", &AccountEntry::Name)
        .def_readonly("OperandArea", &AccountEntry::OperandArea)
        .def_readonly("Address", &AccountEntry::Address)
        .def_readonly("DataType", &AccountEntry::DataType)
        .def_readonly("Comment", &AccountEntry::Comment)
        .def_readonly("AbsoluteAddress", &AccountEntry::AbsoluteAddress)
        .def_property_readonly("Fate", [](const AccountEntry& e) { return std::string(FateName(e.Fate)); },
                               "The fate's stable name: 'imported', 'same-name', ...")
        .def_readonly("Reason", &AccountEntry::Reason)
        .def_readonly("Reports", &AccountEntry::Reports)
        .def_readonly("Key", &AccountEntry::Key)
        .def("__repr__", [](const AccountEntry& e) {
            return "AccountEntry(File=" + py::repr(py::str(e.File)).cast<std::string>() + ", Line=" + std::to_string(e.Line) +
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
        .def("variables", [](const Result& r) {
            py::list list(r.variables.size());
            for (size_t i = 0; i < r.variables.size(); ++i) list[i] = py::cast(r.variables[i]);
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
        } catch (const RuntimeError& error) {
            throw py::value_error(std::string("cannot read the device database: ") + error.what());
        }
    });
}
