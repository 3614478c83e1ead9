// The host's typed value of a variable, made from a result document's text.
#include "CFProcCustom.h"
#include "QUOR_DataSource.h"

#include <cstdio>

CFStatVariableValue::CFStatVariableValue() = default;

CFStatVariableValue::CFStatVariableValue(const CFStatVariableValue& other)
    : fValue(other.fValue ? new OBS(*other.fValue) : nullptr) {}

CFStatVariableValue& CFStatVariableValue::operator=(const CFStatVariableValue& other) {
    if (this != &other) {
        OBS* copy = other.fValue ? new OBS(*other.fValue) : nullptr;
        delete fValue;
        fValue = copy;
    }
    return *this;
}

CFStatVariableValue::~CFStatVariableValue() { delete fValue; }

bool CFStatVariableValue::SetCompleteValue(const std::string& text, const QUOR_Variable* variable, int) {
    delete fValue;
    fValue = nullptr;
    if (!variable) return false;
    if (variable->GetType() != 0) {
        fValue = new OBS(text);
    } else {
        fValue = new OBS(NumericFormatCFToStat(String2Double(text), variable->GetFormat().GetType()));
    }
    return true;
}

const OBS* CFStatVariableValue::GetObsValue() const { return fValue; }

std::string CFStatVariableValue::GetStringValue() const {
    if (!fValue) return {};
    if (fValue->IsString()) return fValue->GetString();
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", fValue->GetNumber());
    return buffer;
}
