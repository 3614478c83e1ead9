// Data-source service: the variables of the active data with their labels,
// print formats and value labels, observation values and the value formatter.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// A print format: width (16 bits), type code (8 bits), decimals (8 bits).
// Type codes: 1 A, 3 COMMA, 4 DOLLAR, 5 F, 17 E, 20 DATE, 21 TIME, 22 DATETIME,
// 23 ADATE, 24 JDATE, 25 DTIME, 26 WKDAY, 27 MONTH, 28 MOYR, 29 QYR, 30 WKYR,
// 31 PCT, 32 DOT, 38 EDATE, 39 SDATE.
class QUOR_Format {
public:
    enum Type : int {
        A = 1,
        COMMA = 3,
        DOLLAR = 4,
        F = 5,
        E = 17,
        DATE = 20,
        TIME = 21,
        DATETIME = 22,
        ADATE = 23,
        JDATE = 24,
        DTIME = 25,
        WKDAY = 26,
        MONTH = 27,
        MOYR = 28,
        QYR = 29,
        WKYR = 30,
        PCT = 31,
        DOT = 32,
        EDATE = 38,
        SDATE = 39
    };

    QUOR_Format() = default;
    QUOR_Format(int type, int width, int decimals);
    // Reads a format written as its name, width and decimals: "F8.2", "A8",
    // "DATE11", "COMMA10.1". Gives false for text that names no format.
    static bool Parse(const std::string& text, QUOR_Format& format);

    int GetType() const { return (fCode >> 8) & 0xFF; }
    int GetWidth() const { return (fCode >> 16) & 0xFFFF; }
    int GetDecimals() const { return fCode & 0xFF; }
    void SetType(int type);
    void SetWidth(int width);
    void SetDecimals(int decimals);
    uint32_t GetCode() const { return fCode; }

    bool operator==(const QUOR_Format& other) const { return fCode == other.fCode; }
    bool operator!=(const QUOR_Format& other) const { return fCode != other.fCode; }

private:
    uint32_t fCode = (8u << 16) | (5u << 8) | 2u;  // F8.2
};

// One observation value: a number or a string. Dates are numbers of seconds
// since 1582-10-14 00:00.
class OBS {
public:
    OBS() = default;
    explicit OBS(double number) : fNumber(number) {}
    explicit OBS(std::string text) : fIsString(true), fText(std::move(text)) {}

    bool IsString() const { return fIsString; }
    double GetNumber() const { return fNumber; }
    const std::string& GetString() const { return fText; }

    bool operator<(const OBS& other) const;
    bool operator==(const OBS& other) const;

private:
    bool fIsString = false;
    double fNumber = 0.0;
    std::string fText;
};

// The system-missing value: the lowest finite double.
constexpr double kSystemMissing = -1.7976931348623157e308;

// Labels of a variable's values.
class QUOR_ValueLabelMap {
public:
    void Add(const OBS& value, const std::string& label) { fLabels[value] = label; }
    // The label of value, or false when it has none.
    bool Find(const OBS& value, std::string& label) const;
    bool Empty() const { return fLabels.empty(); }
    size_t Size() const { return fLabels.size(); }
    const std::map<OBS, std::string>& Entries() const { return fLabels; }

private:
    std::map<OBS, std::string> fLabels;
};

class QUOR_Variable {
public:
    // type: 0 for a numeric variable, otherwise the width of a string variable.
    QUOR_Variable(std::string name, std::string label, int type, QUOR_Format format);

    const std::string& GetName() const { return fName; }
    const std::string& GetLabel() const { return fLabel; }
    // The label, or the name when the label is empty.
    const std::string& GetPreferredLabel() const;
    int GetType() const { return fType; }
    const QUOR_Format& GetFormat() const { return fFormat; }
    const QUOR_ValueLabelMap& GetValueLabels() const { return fValueLabels; }
    QUOR_ValueLabelMap& ValueLabels() { return fValueLabels; }

private:
    std::string fName;
    std::string fLabel;
    int fType;
    QUOR_Format fFormat;
    QUOR_ValueLabelMap fValueLabels;
};

class QUOR_DataSource {
public:
    virtual ~QUOR_DataSource();

    // Adds a variable and gives its index.
    int AddVariable(QUOR_Variable variable);
    // The index of the variable named name (exact comparison), or -1.
    int FindVarIndex(const std::string& name, int flags) const;
    // The variable at index, or null when index is out of range.
    const QUOR_Variable* GetVariable(int index) const;
    QUOR_Variable* GetVariable(int index);
    int VariableCount() const { return static_cast<int>(fVariables.size()); }

private:
    std::vector<std::unique_ptr<QUOR_Variable>> fVariables;
    std::unordered_map<std::string, int> fIndexByName;  // the first variable of each name
};

class ProcedureDataSource : public QUOR_DataSource {};

// The value's text under format: right-aligned in the format's width. The
// system-missing value writes ".". A string under a numeric format, or a
// number under A, is written as best fits; text never overflows silently: a
// number too wide for its width is written as asterisks.
std::string ToString(const OBS& value, const QUOR_Format& format);
