// Data-source service: print formats, observation values, value labels,
// variables and the variable list of the active data.
#include "QUOR_DataSource.h"

#include <cmath>
#include <cstddef>

namespace {

// Format names and their type codes, as written in format texts.
struct FormatName {
    const char* name;
    int type;
    bool hasDecimals;  // whether a decimal count other than 0 is meaningful
};

const FormatName kFormatNames[] = {
    {"A", QUOR_Format::A, false},          {"COMMA", QUOR_Format::COMMA, true},
    {"DOLLAR", QUOR_Format::DOLLAR, true}, {"F", QUOR_Format::F, true},
    {"E", QUOR_Format::E, true},           {"DATE", QUOR_Format::DATE, false},
    {"TIME", QUOR_Format::TIME, true},     {"DATETIME", QUOR_Format::DATETIME, true},
    {"ADATE", QUOR_Format::ADATE, false},  {"JDATE", QUOR_Format::JDATE, false},
    {"DTIME", QUOR_Format::DTIME, true},   {"WKDAY", QUOR_Format::WKDAY, false},
    {"MONTH", QUOR_Format::MONTH, false},  {"MOYR", QUOR_Format::MOYR, false},
    {"QYR", QUOR_Format::QYR, false},      {"WKYR", QUOR_Format::WKYR, false},
    {"PCT", QUOR_Format::PCT, true},       {"DOT", QUOR_Format::DOT, true},
    {"EDATE", QUOR_Format::EDATE, false},  {"SDATE", QUOR_Format::SDATE, false},
};

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Reads an unsigned decimal number at text[pos] up to limit. Gives false when
// there is no digit or the number exceeds limit.
bool ReadBounded(const std::string& text, size_t& pos, size_t end, unsigned limit, unsigned& value) {
    const size_t start = pos;
    unsigned long long number = 0;
    while (pos < end && IsAsciiDigit(text[pos])) {
        number = number * 10 + static_cast<unsigned>(text[pos] - '0');
        if (number > limit) return false;
        ++pos;
    }
    if (pos == start) return false;
    value = static_cast<unsigned>(number);
    return true;
}

int Clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

}  // namespace

// ---------------------------------------------------------------------------
// QUOR_Format

QUOR_Format::QUOR_Format(int type, int width, int decimals) : fCode(0) {
    SetWidth(width);
    SetType(type);
    SetDecimals(decimals);
}

void QUOR_Format::SetType(int type) {
    fCode = (fCode & ~(0xFFu << 8)) | (static_cast<uint32_t>(Clamp(type, 0, 0xFF)) << 8);
}

void QUOR_Format::SetWidth(int width) {
    fCode = (fCode & 0xFFFFu) | (static_cast<uint32_t>(Clamp(width, 0, 0xFFFF)) << 16);
}

void QUOR_Format::SetDecimals(int decimals) {
    fCode = (fCode & ~0xFFu) | static_cast<uint32_t>(Clamp(decimals, 0, 0xFF));
}

bool QUOR_Format::Parse(const std::string& text, QUOR_Format& format) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;

    size_t pos = begin;
    std::string name;
    while (pos < end && IsAsciiLetter(text[pos])) name += AsciiUpper(text[pos++]);

    const FormatName* found = nullptr;
    for (const FormatName& entry : kFormatNames) {
        if (name == entry.name) {
            found = &entry;
            break;
        }
    }
    if (found == nullptr) return false;

    unsigned width = 0;
    if (!ReadBounded(text, pos, end, 0xFFFF, width) || width == 0) return false;

    unsigned decimals = 0;
    if (pos < end && text[pos] == '.') {
        ++pos;
        if (!ReadBounded(text, pos, end, 0xFF, decimals)) return false;
        if (decimals != 0 && !found->hasDecimals) return false;
    }
    if (pos != end) return false;

    format = QUOR_Format(found->type, static_cast<int>(width), static_cast<int>(decimals));
    return true;
}

// ---------------------------------------------------------------------------
// OBS: numbers come before strings; numbers compare by value (NaN after every
// other number and equal to itself, so that a map keyed by OBS stays ordered),
// strings by their bytes.

bool OBS::operator<(const OBS& other) const {
    if (fIsString != other.fIsString) return !fIsString;
    if (fIsString) return fText < other.fText;
    const bool thisNaN = std::isnan(fNumber);
    const bool otherNaN = std::isnan(other.fNumber);
    if (thisNaN || otherNaN) return !thisNaN && otherNaN;
    return fNumber < other.fNumber;
}

bool OBS::operator==(const OBS& other) const {
    if (fIsString != other.fIsString) return false;
    if (fIsString) return fText == other.fText;
    if (std::isnan(fNumber) || std::isnan(other.fNumber))
        return std::isnan(fNumber) && std::isnan(other.fNumber);
    return fNumber == other.fNumber;
}

// ---------------------------------------------------------------------------
// Value labels and variables

bool QUOR_ValueLabelMap::Find(const OBS& value, std::string& label) const {
    const auto it = fLabels.find(value);
    if (it == fLabels.end()) return false;
    label = it->second;
    return true;
}

QUOR_Variable::QUOR_Variable(std::string name, std::string label, int type, QUOR_Format format)
    : fName(std::move(name)), fLabel(std::move(label)), fType(type), fFormat(format) {}

const std::string& QUOR_Variable::GetPreferredLabel() const { return fLabel.empty() ? fName : fLabel; }

// ---------------------------------------------------------------------------
// QUOR_DataSource

QUOR_DataSource::~QUOR_DataSource() = default;

int QUOR_DataSource::AddVariable(QUOR_Variable variable) {
    fVariables.push_back(std::make_unique<QUOR_Variable>(std::move(variable)));
    const int index = static_cast<int>(fVariables.size()) - 1;
    fIndexByName.emplace(fVariables.back()->GetName(), index);  // an earlier namesake stays
    return index;
}

int QUOR_DataSource::FindVarIndex(const std::string& name, int /*flags*/) const {
    const auto found = fIndexByName.find(name);
    return found == fIndexByName.end() ? -1 : found->second;
}

const QUOR_Variable* QUOR_DataSource::GetVariable(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= fVariables.size()) return nullptr;
    return fVariables[static_cast<size_t>(index)].get();
}

QUOR_Variable* QUOR_DataSource::GetVariable(int index) {
    if (index < 0 || static_cast<size_t>(index) >= fVariables.size()) return nullptr;
    return fVariables[static_cast<size_t>(index)].get();
}
