#pragma once
// One imported variable: the record the importers fill and the host reads. Records are
// shared, never copied: the Variable a line record creates is the very object that lands
// in Variables and that the host holds.

#include <cstdint>
#include <memory>
#include <string>

namespace tessaro {

struct Variable {
    std::string Name;
    std::string SectionName;
    int32_t DeviceId = 0;
    int32_t NestingLevel = 0;
    std::string TagAttribute;
    int32_t DataAreaId = 0;
    int32_t DataTypeId = 0;
    int32_t VariableLen = 0;
    int32_t FieldAdd1 = 0;
    int32_t FieldAdd2 = 0;
    int32_t FieldAdd3 = 0;
    int32_t FieldAdd4 = 0;
    int32_t FieldAdd5 = 0;
    bool Sign = false;
    bool Warning = false;
};

using VariablePtr = std::shared_ptr<Variable>;

}  // namespace tessaro

#include <tessaro/VariableCollection.h>
