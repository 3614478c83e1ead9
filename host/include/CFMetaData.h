// Model metadata library: the fields of a model with their measurement level,
// storage type, label, category values and value labels.
#pragma once

#include <memory>
#include <string>
#include <vector>

// One stored value: an integer, a double or a text.
class CFDatum {
public:
    enum class Kind { Integer, Double, Text };

    explicit CFDatum(int value);
    explicit CFDatum(double value);
    // The flag asks the datum to read the text as a number; a plug-in passes false.
    CFDatum(const std::string& text, bool parse);

    Kind GetKind() const { return fKind; }
    int GetInteger() const { return fInteger; }
    double GetDouble() const { return fDouble; }
    const std::string& GetText() const { return fText; }

private:
    Kind fKind;
    int fInteger = 0;
    double fDouble = 0.0;
    std::string fText;
};

// A category value of a field with its text (the value as written, or its label).
class CFValue {
public:
    CFValue(const CFDatum& datum, const std::string& text, int flag, int partition);

    const CFDatum& GetDatum() const { return fDatum; }
    const std::string& GetText() const { return fText; }
    int GetFlag() const { return fFlag; }
    int GetPartition() const { return fPartition; }

private:
    CFDatum fDatum;
    std::string fText;
    int fFlag;
    int fPartition;
};

class CFField {
public:
    // FieldType: 0 continuous, 1 categorical, 2 ordinal, 6 other.
    // StorageType: 0 unknown, 1 integer, 2 double, 3 string, 4 date.
    CFField(const std::string& name, int fieldType, int storageType, int roleType);

    void SetLabel(const std::string& label) { fLabel = label; }
    void SetValues(const std::vector<CFValue>& values) { fValues = values; }
    void SetValueLabels(const std::vector<CFValue>& labels) { fValueLabels = labels; }

    const std::string& GetName() const { return fName; }
    const std::string& GetLabel() const { return fLabel; }
    int GetFieldType() const { return fFieldType; }
    int GetStorageType() const { return fStorageType; }
    int GetRoleType() const { return fRoleType; }
    const std::vector<CFValue>& GetValues() const { return fValues; }
    const std::vector<CFValue>& GetValueLabels() const { return fValueLabels; }

private:
    std::string fName;
    std::string fLabel;
    int fFieldType;
    int fStorageType;
    int fRoleType;
    std::vector<CFValue> fValues;
    std::vector<CFValue> fValueLabels;
};

// Upper-casing function a model may use to compare names; unused here.
using CFUpperFunc = std::string (*)(const std::string&);

class CFMetaData {
public:
    explicit CFMetaData(CFUpperFunc upper);
    ~CFMetaData();
    CFMetaData(const CFMetaData&) = delete;
    CFMetaData& operator=(const CFMetaData&) = delete;

    // Takes ownership of the field.
    void AppendField(CFField* field);
    int FieldCount() const;
    // The field at index, or null when index is out of range.
    const CFField* GetField(int index) const;

    CFUpperFunc GetUpperFunc() const { return fUpper; }

private:
    CFUpperFunc fUpper;
    std::vector<std::unique_ptr<CFField>> fFields;
};
