// Model metadata library.
#include "CFMetaData.h"

CFDatum::CFDatum(int value) : fKind(Kind::Integer), fInteger(value), fDouble(value) {}

CFDatum::CFDatum(double value) : fKind(Kind::Double), fDouble(value) {}

CFDatum::CFDatum(const std::string& text, bool) : fKind(Kind::Text), fText(text) {}

CFValue::CFValue(const CFDatum& datum, const std::string& text, int flag, int partition)
    : fDatum(datum), fText(text), fFlag(flag), fPartition(partition) {}

CFField::CFField(const std::string& name, int fieldType, int storageType, int roleType)
    : fName(name), fFieldType(fieldType), fStorageType(storageType), fRoleType(roleType) {}

CFMetaData::CFMetaData(CFUpperFunc upper) : fUpper(upper) {}

CFMetaData::~CFMetaData() = default;

void CFMetaData::AppendField(CFField* field) {
    if (field) fFields.emplace_back(field);
}

int CFMetaData::FieldCount() const { return static_cast<int>(fFields.size()); }

const CFField* CFMetaData::GetField(int index) const {
    if (index < 0 || index >= FieldCount()) return nullptr;
    return fFields[static_cast<size_t>(index)].get();
}
