#include <tessaro/ImportAccount.h>

#include <algorithm>
#include <cstddef>

namespace tessaro {

ImportAccount& ImportAccount::operator=(ImportAccount&& other) noexcept {
    Entries = std::move(other.Entries);
    Reports = std::move(other.Reports);
    blocks_ = std::move(other.blocks_);
    next_ = std::exchange(other.next_, nullptr);
    free_ = std::exchange(other.free_, 0);
    return *this;
}

void ImportAccount::NewBlock(size_t size) {
    constexpr size_t kBlockSize = 64 * 1024;
    const size_t block = std::max(kBlockSize, size);
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(block));
    next_ = blocks_.back().get();
    free_ = block;
}

void ImportAccount::Report(AccountEntry& entry, const LineReport& report) {
    if (entry.ReportCount == 0) {
        entry.FirstReport = static_cast<uint32_t>(Reports.size());
    } else if (entry.FirstReport + entry.ReportCount != Reports.size()) {
        // Not the last run: the entry's reports move to the end, where the new one follows.
        const auto first = Reports.begin() + static_cast<std::ptrdiff_t>(entry.FirstReport);
        std::vector<LineReport> run(first, first + static_cast<std::ptrdiff_t>(entry.ReportCount));
        entry.FirstReport = static_cast<uint32_t>(Reports.size());
        Reports.insert(Reports.end(), run.begin(), run.end());
    }
    Reports.push_back(report);
    ++entry.ReportCount;
}

std::string_view FateName(LineFate fate) {
    switch (fate) {
    case LineFate::Imported: return "imported";
    case LineFate::AreaNotKnown: return "area-not-known";
    case LineFate::AreaNotInDevice: return "area-not-in-device";
    case LineFate::SameName: return "same-name";
    case LineFate::ReplacedByBlock: return "replaced-by-block";
    case LineFate::BlockNotImported: return "block-not-imported";
    case LineFate::FileError: return "file-error";
    }
    return "";
}

}  // namespace tessaro
