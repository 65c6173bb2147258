// One import: fix the language, open the message log and the device database, run the
// three passes over the sources, close the database and merge the messages.

#include <tessaro/VariableDriver.h>

#include "asc/InfoASCImportedVariable.h"
#include "awl/InfoAWLImportedVariable.h"
#include "awl/InfoUDTImportedVariable.h"
#include "awl/UDTInfoRecord.h"
#include "driver/ImportContext.h"
#include "driver/SourceKind.h"
#include "platform/FolderLock.h"
#include "messages/LanguageManager.h"
#include <tessaro/Platform.h>

#include <tessaro/RuntimeError.h>

#include <new>
#include <string>

namespace tessaro {
namespace {

bool IsSourceOf(const DataSourcePtr& source, std::string_view extension) {
    return IsSourceOfKind(ObjectOf(source).SourceId, extension);
}

// Variables set to nothing: every use fails as a use of an unset object does (91), and
// the importers handle that as any other failure of an addition.
class NoVariables final : public VariableList {
public:
    size_t Count() const override { Fail(); }
    void AddFolded(VariablePtr, std::string) override { Fail(); }
    VariablePtr Item(size_t) const override { Fail(); }
    VariablePtr Item(std::string_view) const override { Fail(); }
    void Remove(std::string_view) override { Fail(); }
    void Remove(size_t) override { Fail(); }
    void ForEach(const std::function<bool(const VariablePtr&)>&) const override { Fail(); }
    uint64_t Version() const override { return 0; }

private:
    [[noreturn]] static void Fail() { throw RuntimeError(ObjectNotSet, "Variables is set to nothing"); }
};

// Runs one step of the import; its failure keeps its number, its description led by
// what failed.
template <class F>
void Step(const std::string& what, F&& step) {
    try {
        step();
    } catch (const RuntimeError& e) {
        throw RuntimeError(e.Number, what + e.what());
    }
}

}  // namespace

VariableDriver::VariableDriver() : udts_(std::make_shared<Collection<std::shared_ptr<UDTInfoRecord>>>()) {}

VariableDriver::~VariableDriver() {
    if (!Variables) return;
    // The driver's own collection goes in one step: nobody can watch its items leave.
    if (auto* own = dynamic_cast<VariableCollection*>(Variables.get())) {
        own->Clear();
        return;
    }
    try {
        for (size_t position = Variables->Count(); position >= 1; --position) Variables->Remove(position);
    } catch (const std::exception&) {
        // A host's list that refuses to be emptied is left as it is.
    }
}

bool VariableDriver::GetVariables(DataSourceCollection& DataSources) {
    NoVariables none;
    LastFailure = {};
    ReportCounts = {};
    Account.reset();
    Readings.clear();
    std::shared_ptr<ImportContext> import;  // this import's shared objects, also when a step fails
    // The account is the host's as soon as it is made: a failed import leaves what it wrote.
    struct GiveAccount {
        std::shared_ptr<const ImportAccount>& to;
        std::shared_ptr<ImportContext>& from;
        ~GiveAccount() {
            if (!from) return;
            to = from->Account;
            from->CloseAccount();
        }
    } giveAccount{Account, import};
    try {
        // Another import into the same folder (another process or thread) goes first.
        FolderLock folder(ComponentFolder(), Options.FolderWaitSeconds);
        import = StartImport();
        if (Options.Account) import->Account = std::make_shared<ImportAccount>();
        import->CurrentCountryCode = std::to_string(GetCountryCode());

        import->SharedMessenger = std::make_shared<Messenger>();
        Messenger& log = *import->SharedMessenger;
        Step("cannot write the message files in " + ComponentFolder() + ": ", [&] { log.CreateMsgFiles(); });
        log.DeviceName = DeviceName;

        Step("cannot open the device database ", [&] { import->OpenDeviceDB(DeviceCodeId); });

        // UDT pre-pass: the data-block sources fill the UDT collection.
        for (const DataSourcePtr& source : DataSources) {
            if (!IsSourceOf(source, kDataBlockSourceExtension)) continue;
            auto importer = std::make_unique<InfoUDTImportedVariable>();
            InfoImportedVariable& contract = *importer;
            contract.DataSource = source;
            contract.DeviceId = DeviceId;
            contract.GetImportedVariables(*udts_);
        }

        // Pass 1, the symbol tables of every format read, then pass 2, the data blocks,
        // which find the symbols of their blocks among the variables of pass 1.
        auto run = [&](InfoImportedVariable& contract, const DataSourcePtr& source) {
            contract.DataSource = source;
            contract.UDTs = udts_;
            contract.DeviceId = DeviceId;
            // Held for the file: the host may set another list while the import yields.
            const std::shared_ptr<VariableList> variables = Variables;
            contract.GetImportedVariables(variables ? *variables : none);
        };
        auto symbolTables = [&] {
            for (const DataSourcePtr& source : DataSources) {
                const std::string_view format = SymbolTableFormatOf(ObjectOf(source).SourceId, Options.OtherSymbolFormats);
                if (format.empty()) continue;
                auto importer = std::make_unique<InfoASCImportedVariable>();
                importer->Reading.SourceId = source->SourceId;
                importer->Reading.Format = format;
                run(*importer, source);
                Readings.push_back(std::move(importer->Reading));
            }
        };
        auto dataBlocks = [&] {
            for (const DataSourcePtr& source : DataSources) {
                if (!IsSourceOf(source, kDataBlockSourceExtension)) continue;
                FileReading& reading = Readings.emplace_back();
                reading.SourceId = source->SourceId;
                reading.Format = "AWL";
                run(*std::make_unique<InfoAWLImportedVariable>(), source);
            }
        };
        symbolTables();
        dataBlocks();

        import->CloseDeviceDB();

        log.AppendAllFiles();
        if (!log.MessengerFile.empty()) MessengerFile = log.MessengerFile;
        ReportCounts = log.RecordCounts();
        import->SharedMessenger.reset();
        return true;
    } catch (const RuntimeError& e) {
        LastFailure = {e.Number, e.what()};
    } catch (const std::bad_alloc&) {
        LastFailure = {OutOfMemory, RuntimeError::DefaultDescription(OutOfMemory)};
    } catch (const std::exception& e) {
        LastFailure = {InternalError, e.what()};
    }
    // The steps not reached are skipped; the shared objects stay until the next import.
    if (import && import->SharedMessenger) ReportCounts = import->SharedMessenger->RecordCounts();
    return false;
}

}  // namespace tessaro
