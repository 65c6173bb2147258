#pragma once
// One source file handed to the import: SourceId is its full path. The driver picks the
// importer by the last four characters of SourceId (".ASC" or ".AWL", any letter case).

#include <tessaro/Collection.h>

#include <memory>
#include <string>

namespace tessaro {

struct DataSource {
    std::string SourceId;
};

using DataSourcePtr = std::shared_ptr<DataSource>;
using DataSourceCollection = Collection<DataSourcePtr>;

}  // namespace tessaro
