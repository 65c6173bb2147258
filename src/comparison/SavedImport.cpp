// A saved import read back: JSON lines or CSV as the command line writes them, one
// record per line (row), its columns by name.

#include <tessaro/CodePage.h>
#include <tessaro/ImportRecords.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <bitset>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <limits>

namespace tessaro {
namespace {

constexpr std::array<std::string_view, 6> kAccountColumns = {"File", "Line", "Address", "Comment", "Fate", "Reason"};
constexpr size_t kColumnCount = kVariableColumns.size() + kAccountColumns.size();
constexpr size_t kNoColumn = kColumnCount;
constexpr size_t kFirstAccountColumn = kVariableColumns.size();
constexpr size_t kLineColumn = kFirstAccountColumn + 1, kFateColumn = kFirstAccountColumn + 4;

bool SameAsciiText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'a' && x <= 'z' ? x - 32 : x) == (y >= 'a' && y <= 'z' ? y - 32 : y);
           });
}

// A column by its name in any letter case, or kNoColumn.
size_t ColumnNamed(std::string_view name) {
    for (size_t i = 0; i < kVariableColumns.size(); ++i)
        if (SameAsciiText(name, kVariableColumns[i])) return i;
    for (size_t i = 0; i < kAccountColumns.size(); ++i)
        if (SameAsciiText(name, kAccountColumns[i])) return kFirstAccountColumn + i;
    return kNoColumn;
}

std::string_view NameOf(size_t column) {
    return column < kFirstAccountColumn ? kVariableColumns[column] : kAccountColumns[column - kFirstAccountColumn];
}

enum class Kind { Text, Number, Flag };
Kind KindOf(size_t column) {
    if (column == 0 || column == 1 || column == 4 || (column >= kFirstAccountColumn && column != kLineColumn))
        return Kind::Text;
    return column == 13 || column == 14 ? Kind::Flag : Kind::Number;
}

std::string CodePageText(std::string_view utf8) {
    const bool ascii = std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return ascii ? std::string(utf8) : FromUtf8(utf8);
}

// One record, column by column, and the checks that it is whole.
class RecordBuilder {
public:
    RecordBuilder(const std::string& file, ImportRecords& records) : file_(file), records_(records) {}

    void Start(size_t line) {
        line_ = line;
        variable_ = std::make_shared<Variable>();
        account_ = RecordAccount{};
        imported_ = true;
        seen_.reset();
    }

    [[noreturn]] void Fail(const std::string& problem) const { throw SavedImportError(file_, line_, problem); }

    void Text(size_t column, std::string_view utf8) {
        Seen(column);
        switch (KindOf(column)) {
        case Kind::Text: SetText(column, utf8); return;
        case Kind::Flag:
            if (SameAsciiText(utf8, "true") || SameAsciiText(utf8, "false")) return SetFlag(column, SameAsciiText(utf8, "true"));
            Fail(std::string(NameOf(column)) + " is \"" + std::string(utf8) + "\", not true or false");
        case Kind::Number: {
            int64_t number = 0;
            const char* first = utf8.data() + (utf8.starts_with('+') ? 1 : 0);
            auto [end, error] = std::from_chars(first, utf8.data() + utf8.size(), number);
            if (utf8.empty() || error != std::errc() || end != utf8.data() + utf8.size())
                Fail(std::string(NameOf(column)) + " is \"" + std::string(utf8) + "\", not a whole number");
            return SetNumber(column, number);
        }
        }
    }
    void Number(size_t column, int64_t number) {
        Seen(column);
        if (KindOf(column) != Kind::Number) Fail(std::string(NameOf(column)) + " is a number, not " + Wanted(column));
        SetNumber(column, number);
    }
    void Flag(size_t column, bool flag) {
        Seen(column);
        if (KindOf(column) != Kind::Flag) Fail(std::string(NameOf(column)) + " is true or false, not " + Wanted(column));
        SetFlag(column, flag);
    }
    void Other(size_t column, const char* what) {
        Seen(column);
        Fail(std::string(NameOf(column)) + " is " + what + ", not " + Wanted(column));
    }

    void Finish() {
        for (size_t column = 0; column < kVariableColumns.size(); ++column)
            if (!seen_[column]) Fail("the column " + std::string(NameOf(column)) + " is missing");
        if (!imported_) return;  // a line of the account that became no variable
        records_.Variables.push_back(std::move(variable_));
        const bool account = seen_[kLineColumn] || seen_[kFirstAccountColumn] || seen_[kFirstAccountColumn + 3];
        if (account && records_.Accounts.size() + 1 < records_.Variables.size())
            records_.Accounts.resize(records_.Variables.size() - 1);
        if (account || records_.HasAccount()) records_.Accounts.push_back(std::move(account_));
    }

private:
    void Seen(size_t column) {
        if (column == kNoColumn) return;
        if (seen_[column]) Fail("the column " + std::string(NameOf(column)) + " is given twice");
        seen_.set(column);
    }
    static std::string Wanted(size_t column) {
        switch (KindOf(column)) {
        case Kind::Text: return "a text";
        case Kind::Number: return "a whole number";
        case Kind::Flag: return "true or false";
        }
        return "";
    }
    void SetText(size_t column, std::string_view utf8) {
        Variable& v = *variable_;
        switch (column) {
        case 0: v.Name = CodePageText(utf8); break;
        case 1: v.SectionName = CodePageText(utf8); break;
        case 4: v.TagAttribute = CodePageText(utf8); break;
        case kFirstAccountColumn: account_.File = CodePageText(utf8); break;
        case kFirstAccountColumn + 2: account_.Address = CodePageText(utf8); break;
        case kFirstAccountColumn + 3: account_.Comment = CodePageText(utf8); break;
        case kFateColumn: imported_ = utf8.empty() || utf8 == "imported"; break;
        default: break;  // Reason: not compared
        }
    }
    void SetNumber(size_t column, int64_t number) {
        if (number < std::numeric_limits<int32_t>::min() || number > std::numeric_limits<int32_t>::max())
            Fail(std::string(NameOf(column)) + " is " + std::to_string(number) + ", outside the 32-bit range");
        const int32_t n = static_cast<int32_t>(number);
        Variable& v = *variable_;
        int32_t* fields[] = {nullptr,        nullptr,        &v.DeviceId,  &v.NestingLevel, nullptr,
                             &v.DataAreaId,  &v.DataTypeId,  &v.VariableLen, &v.FieldAdd1,  &v.FieldAdd2,
                             &v.FieldAdd3,   &v.FieldAdd4,   &v.FieldAdd5};
        if (column == kLineColumn)
            account_.Line = n;
        else
            *fields[column] = n;
    }
    void SetFlag(size_t column, bool flag) { (column == 13 ? variable_->Sign : variable_->Warning) = flag; }

    const std::string& file_;
    ImportRecords& records_;
    size_t line_ = 0;
    VariablePtr variable_;
    RecordAccount account_;
    bool imported_ = true;
    std::bitset<kColumnCount> seen_;
};

// One JSON line: a flat object whose members are the columns.
class JsonLine : public nlohmann::json_sax<nlohmann::json> {
public:
    explicit JsonLine(RecordBuilder& record) : record_(record) {}
    std::string error;

    bool null() override { return Value([&] { record_.Other(column_, "null"); }); }
    bool boolean(bool flag) override { return Value([&] { record_.Flag(column_, flag); }); }
    bool number_integer(number_integer_t n) override { return Value([&] { record_.Number(column_, n); }); }
    bool number_unsigned(number_unsigned_t n) override {
        return Value([&] {
            if (n > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) record_.Other(column_, "a huge number");
            record_.Number(column_, static_cast<int64_t>(n));
        });
    }
    bool number_float(number_float_t, const string_t&) override {
        return Value([&] { record_.Other(column_, "a number with a fraction"); });
    }
    bool string(string_t& text) override { return Value([&] { record_.Text(column_, text); }); }
    bool binary(binary_t&) override { return Refused(); }
    bool start_object(std::size_t) override { return Open(); }
    bool key(string_t& name) override {
        if (depth_ != 1) return true;
        // Lines name their columns in one order: the n-th name is most likely the n-th
        // name of the line before.
        const size_t n = keys_++;
        if (n < known_.size() && known_[n].first == name) {
            column_ = known_[n].second;
            return true;
        }
        column_ = ColumnNamed(name);
        if (n < known_.size())
            known_[n] = {name, column_};
        else
            known_.emplace_back(name, column_);
        return true;
    }
    // The next line begins.
    void Restart() {
        depth_ = 0;
        keys_ = 0;
        column_ = kNoColumn;
        error.clear();
    }
    bool end_object() override {
        --depth_;
        return true;
    }
    bool start_array(std::size_t) override { return depth_ != 0 && Open(); }
    bool end_array() override {
        --depth_;
        return true;
    }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& ex) override {
        // The library's message without its "[json.exception.parse_error.101] parse error
        // at line 1, column 223: " before what is wrong.
        const std::string what = ex.what();
        const size_t column = what.find("column ");
        const size_t colon = column == std::string::npos ? std::string::npos : what.find(": ", column);
        error = "not JSON at character " + std::to_string(position) + ": " +
                (colon == std::string::npos ? what : what.substr(colon + 2));
        return false;
    }

private:
    // A value of the line's object is its column's; anything within a column that is
    // not one of ours is passed over.
    template <class F>
    bool Value(F f) {
        if (depth_ == 0) return Refused();
        if (depth_ == 1 && column_ != kNoColumn) f();
        return true;
    }
    bool Open() {
        if (++depth_ > 1 && column_ != kNoColumn) return Refused();
        return true;
    }
    bool Refused() {
        error = "a line holds one flat object of texts, numbers and flags";
        return false;
    }
    RecordBuilder& record_;
    size_t column_ = kNoColumn;
    int depth_ = 0;
    size_t keys_ = 0;  // keys met on this line
    std::vector<std::pair<std::string, size_t>> known_;
};

void ParseJsonLines(std::string_view text, const std::string& file, ImportRecords& records) {
    RecordBuilder record(file, records);
    JsonLine sax(record);
    size_t lineNumber = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (line.find_first_not_of(" \t\r") == std::string_view::npos) continue;
        record.Start(lineNumber);
        sax.Restart();
        if (!nlohmann::json::sax_parse(line, &sax)) record.Fail(sax.error);
        record.Finish();
    }
}

// RFC 4180: fields separated by commas, records by CR LF (or LF alone); a quoted field
// may hold commas, quotes (doubled) and line ends. Lines are counted by their LFs.
void ParseCsv(std::string_view text, const std::string& file, ImportRecords& records) {
    RecordBuilder record(file, records);
    std::vector<std::string> fields;
    size_t at = 0, lineNumber = 1;
    // The fields of the next record into fields; false at the end of the text.
    auto readRecord = [&](size_t& firstLine) {
        fields.clear();
        firstLine = lineNumber;
        if (at >= text.size()) return false;
        std::string field;
        for (;;) {
            field.clear();
            if (at < text.size() && text[at] == '"') {
                const size_t quoteLine = lineNumber;
                for (++at;; ++at) {
                    if (at >= text.size()) {
                        record.Start(quoteLine);
                        record.Fail("a quoted field that starts here does not end");
                    }
                    if (text[at] == '"') {
                        if (at + 1 < text.size() && text[at + 1] == '"') {
                            field += '"';
                            ++at;
                            continue;
                        }
                        ++at;
                        break;
                    }
                    if (text[at] == '\n') ++lineNumber;
                    field += text[at];
                }
            }
            while (at < text.size() && text[at] != ',' && text[at] != '\n') field += text[at++];
            if (at < text.size() && text[at] == ',') {
                fields.push_back(field);
                ++at;
                continue;
            }
            if (field.ends_with('\r')) field.pop_back();  // of CR LF; a CR alone is a character
            fields.push_back(field);
            ++at;
            ++lineNumber;
            return true;
        }
    };
    size_t line = 0;
    if (!readRecord(line)) return;
    std::vector<size_t> columns;
    for (const auto& name : fields) columns.push_back(ColumnNamed(name));
    record.Start(1);
    for (size_t column = 0; column < kVariableColumns.size(); ++column)
        if (std::find(columns.begin(), columns.end(), column) == columns.end())
            record.Fail("the header has no column " + std::string(NameOf(column)));
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i] != kNoColumn && std::find(columns.begin(), columns.begin() + static_cast<std::ptrdiff_t>(i), columns[i]) !=
                                           columns.begin() + static_cast<std::ptrdiff_t>(i))
            record.Fail("the header names " + std::string(NameOf(columns[i])) + " twice");
    while (readRecord(line)) {
        record.Start(line);
        if (fields.size() == 1 && fields[0].empty()) continue;  // an empty line
        if (fields.size() != columns.size())
            record.Fail("the row has " + std::to_string(fields.size()) + " fields, the header " + std::to_string(columns.size()));
        for (size_t i = 0; i < fields.size(); ++i)
            if (columns[i] != kNoColumn) record.Text(columns[i], fields[i]);
        record.Finish();
    }
}

}  // namespace

SavedImportError::SavedImportError(std::string file, size_t line, const std::string& problem)
    : std::runtime_error(file + (line ? ":" + std::to_string(line) : "") + ": " + problem), File(std::move(file)), Line(line) {}

ImportRecords ParseSavedImport(std::string_view text, const std::string& file) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a byte-order mark
    ImportRecords records;
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return records;
    if (text[first] == '{')
        ParseJsonLines(text, file, records);
    else
        ParseCsv(text, file, records);
    if (records.HasAccount()) records.Accounts.resize(records.Variables.size());
    return records;
}

ImportRecords ReadSavedImport(const std::string& file) {
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in) throw SavedImportError(file, 0, std::string("cannot open: ") + (errno ? std::strerror(errno) : "not readable"));
    std::string text;
    std::array<char, 1 << 16> block;
    while (in.read(block.data(), block.size()) || in.gcount() > 0) text.append(block.data(), static_cast<size_t>(in.gcount()));
    if (in.bad() || !in.eof()) throw SavedImportError(file, 0, "cannot read");
    return ParseSavedImport(text, file);
}

}  // namespace tessaro
