// Functions every chart view shares.
#include "NOPRChartUtil.h"

#include "FacSTDictionary.h"
#include "NOPRSupport.h"
#include "QUOR_DataSource.h"
#include "XDocument.h"

namespace {

// Appends the UTF-8 character at text[i] when XML 1.0 allows it; gives its length.
size_t AppendAllowed(const std::string& text, size_t i, std::string& out) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return 1;
    // U+FFFE and U+FFFF are not characters.
    if (c == 0xEF && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xBF &&
        (static_cast<unsigned char>(text[i + 2]) & 0xFE) == 0xBE)
        return 3;
    out += text[i];
    return 1;
}

}  // namespace

void replaceToken(std::string& text, std::string_view token, std::string_view value) {
    if (token.empty()) return;
    const size_t at = text.find(token);
    if (at != std::string::npos) text.replace(at, token.size(), value);
}

bool insertBefore(std::string& text, std::string_view marker, std::string_view fragment) {
    const size_t at = text.find(marker);
    if (at == std::string::npos) return false;
    text.insert(at, fragment);
    return true;
}

bool eraseElement(std::string& text, std::string_view open, std::string_view close) {
    const size_t start = text.find(open);
    if (start == std::string::npos) return false;
    const size_t end = text.find(close, start);
    if (end == std::string::npos) return false;
    text.erase(start, end + close.size() - start);
    return true;
}

std::string formatValue(double value, const QUOR_Format* format) {
    if (!format) return ChartString().assignDouble(value, 16).toUTF8();
    // A date or date-time goes onto the host's date scale, as ToString reads it.
    value = NumericFormatCFToStat(value, format->GetType());
    QUOR_Format wide = *format;
    wide.SetWidth(40);
    return trimBlanks(ToString(OBS(value), wide));
}

std::string formatValue(double value, const QUOR_Variable* variable) {
    return variable ? formatValue(value, &variable->GetFormat())
                    : formatValue(value, static_cast<const QUOR_Format*>(nullptr));
}

std::string formatNumber(double value, int width, int decimals) {
    const QUOR_Format format(QUOR_Format::F, width, decimals);
    return formatValue(value, &format);
}

std::string trimBlanks(const std::string& text) {
    const size_t last = text.find_last_not_of(' ');
    if (last == std::string::npos) return {};
    const size_t first = text.find_first_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string escapeXml(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        switch (text[i]) {
            case '&':
                out += "&amp;";
                ++i;
                break;
            case '<':
                out += "&lt;";
                ++i;
                break;
            case '>':
                out += "&gt;";
                ++i;
                break;
            case '"':
                out += "&quot;";
                ++i;
                break;
            case '\'':
                out += "&apos;";
                ++i;
                break;
            default:
                i += AppendAllowed(text, i, out);
                break;
        }
    }
    return out;
}

std::string templateLabel(const QUOR_Variable* variable) {
    return variable ? escapeXml(ChartString(variable->GetPreferredLabel()).toUTF8()) : std::string();
}

void relabelCategories(const FieldInfo* field, XVariable& variable) {
    if (!field) return;
    if (field->fVariable) variable.setQUORVariable(field->fVariable);
    for (size_t i = 0; i < field->fValues.size(); ++i) {
        ChartString key;
        key.assignInteger(static_cast<long long>(i));
        const FieldValue& value = field->fValues[i];
        if (!value.fLabel.empty())
            variable.addRelabel(key, ChartString(value.fLabel));
        else if (const OBS* obs = value.fValue.GetObsValue())
            variable.addRelabel(key, *obs);
    }
}

std::string categoryLabel(const FieldInfo* field, double code) {
    if (field) {
        for (const FieldValue& value : field->fValues) {
            if (static_cast<double>(value.fIndex) != code) continue;
            return value.fLabel.empty() ? value.fValue.GetStringValue() : value.fLabel;
        }
    }
    return formatValue(code, static_cast<const QUOR_Format*>(nullptr));
}

std::vector<double> testFieldIndices(const ConditionInfo& condition) {
    const std::string& key = condition.fConditionKey;
    const auto& parameters = condition.fParameters;
    auto family = [&](const char* prefix, const char* infix) {
        return key.rfind(prefix, 0) == 0 || key.find(infix) != std::string::npos;
    };
    if (parameters.empty() || parameters.front().fValues.empty()) return {};
    const bool twoWithValues = parameters.size() >= 2 && !parameters[1].fValues.empty();
    if (family("O_", "_O_")) return {parameters[0].fValues[0]};
    if (family("R_", "_R_")) {
        if (twoWithValues) return {parameters[0].fValues[0], parameters[1].fValues[0]};
        return parameters[0].fValues;
    }
    if (family("I_", "_I_")) {
        if (twoWithValues) return {parameters[0].fValues[0], parameters[1].fValues[0]};
        return {parameters[0].fValues[0]};
    }
    return {};
}

int errorMessageCount(const NOPROutputStats::BaseHypothesisTest& test) {
    int count = 0;
    for (const MessageInfo& message : test.fMessages)
        if (message.fType == MessageType::Error) ++count;
    return count;
}

ChartString chartDescription(const ChartString& title, const std::string& splitLabel, bool splitActive) {
    ChartString description = title;
    if (splitActive) description.append("; ").append(splitLabel);
    return description;
}

ChartString lookUpText(const FacSTDictionary* dictionary, const std::string& key) {
    return XUtility::ChartStringFromOLANG(dictionary ? dictionary->LookUp(key) : key);
}

void GetSplitLabel(const NOPRSplitResults& results, std::string& splitLabel, bool& splitActive) {
    splitLabel.clear();
    splitActive = false;
    const CFSplit* split = results.fSplit;
    if (!results.fDataSource || !split || split->GetSplitVariables().empty()) return;
    const auto& indices = split->GetSplitVariables();
    const auto& values = split->GetSplitValues();
    for (size_t i = 0; i < indices.size(); ++i) {
        const QUOR_Variable* variable = results.fDataSource->GetVariable(indices[i]);
        if (i > 0) splitLabel += ",";
        if (!variable) continue;
        splitLabel += variable->GetPreferredLabel() + ": ";
        const OBS* value = i < values.size() ? values[i] : nullptr;
        if (!value) continue;
        std::string label;
        if (variable->GetValueLabels().Find(*value, label)) {
            splitLabel += label;
        } else {
            // The split's value is the host's own: a date is already on the
            // host's date scale, so it is printed as it stands.
            QUOR_Format wide = variable->GetFormat();
            wide.SetWidth(40);
            splitLabel += trimBlanks(ToString(*value, wide));
        }
    }
    splitActive = !split->GetSplitHeadings();
}
