// Cell texts of the pivot-table service: plain and translated texts, numbers
// in their formats, variables, data values and composite patterns.
#include <charconv>
#include <cmath>

#include "BpOutput.h"
#include "FixedDecimals.h"
#include "OutputDocument.h"
#include "QUOR_DataSource.h"

namespace {

// A number with a fixed count of decimals, in the C locale.
std::string Fixed(double value, int decimals) {
    char buffer[400];
    static_assert(sizeof buffer >= npar::kFixedDecimalsRoom);
    char* end = npar::WriteFixedDecimals(buffer, value, decimals);
    if (!end) {
        auto result =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
        if (result.ec != std::errc()) return "*";
        end = result.ptr;
    }
    std::string text(buffer, end);
    // A value that rounds to zero is written without a minus sign.
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

// A percent is a whole number unless it is not: a 99.9% interval must not
// be labelled 100% (up to three decimals, trailing zeros dropped).
std::string WithoutTrailingZeros(std::string text) {
    if (text.find('.') == std::string::npos) return text;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

std::string WithoutLeadingZero(std::string text) {
    if (text.rfind("0.", 0) == 0)
        text.erase(0, 1);
    else if (text.rfind("-0.", 0) == 0)
        text.erase(1, 1);
    return text;
}

std::string FormatNumber(double value, const BpFormatSpec& format) {
    if (value == kSystemMissing || std::isnan(value)) return ".";
    if (std::isinf(value)) return value > 0 ? "Inf" : "-Inf";
    switch (format.kind) {
        case BpFormatSpec::Count:
            return Fixed(value, 0);
        case BpFormatSpec::Significance:
            if (value >= 0 && value < 0.001) return "<.001";
            return WithoutLeadingZero(Fixed(value, 3));
        case BpFormatSpec::Percent:
            return WithoutTrailingZeros(Fixed(value, 3)) + "%";
        case BpFormatSpec::Proportion:
            return Fixed(value, 2);
        case BpFormatSpec::Coefficient:
            return Fixed(value, 3);
        case BpFormatSpec::Decimals:
            return Fixed(value, std::max(0, std::min(format.decimals, 16)));
        case BpFormatSpec::Statistic:
            return WithoutLeadingZero(Fixed(value, std::max(0, std::min(format.decimals, 16))));
        case BpFormatSpec::SignificanceAbove:
            return ">" + WithoutLeadingZero(Fixed(value, 3));
    }
    return Fixed(value, 3);
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

// ---------------------------------------------------------------------------

BpCellText::~BpCellText() = default;

bool BpCellText::GetValue(double&) const { return false; }

BpTextHandle BpCellText::Replicate() const { return BpTextHandle(Clone()); }

BpString::BpString(std::string text, bool translate) : fText(std::move(text)), fTranslate(translate) {}

std::string BpString::Render(const BpTextContext& context) const {
    if (fTranslate && context.catalogue) return context.catalogue->Translate(fText);
    return fText;
}

std::unique_ptr<BpCellText> BpString::Clone() const { return std::make_unique<BpString>(*this); }

BpNumber::BpNumber(double value, BpFormatSpec format) : fValue(value), fFormat(format) {}

std::string BpNumber::Render(const BpTextContext&) const { return FormatNumber(fValue, fFormat); }

std::unique_ptr<BpCellText> BpNumber::Clone() const { return std::make_unique<BpNumber>(*this); }

bool BpNumber::GetValue(double& value) const {
    if (fValue == kSystemMissing || std::isnan(fValue)) return false;
    value = fValue;
    return true;
}

BpVariable::BpVariable(const QUOR_Variable* variable, int show) : fVariable(variable), fShow(show) {}

std::string BpVariable::Render(const BpTextContext&) const {
    if (!fVariable) return {};
    return fShow == 1 ? fVariable->GetName() : fVariable->GetPreferredLabel();
}

std::unique_ptr<BpCellText> BpVariable::Clone() const { return std::make_unique<BpVariable>(*this); }

BpDataValue::BpDataValue(const QUOR_Variable* variable, double value, int preference)
    : fVariable(variable), fValue(std::make_unique<OBS>(value)), fPreference(preference) {}

BpDataValue::BpDataValue(const QUOR_Variable* variable, const OBS& value, int preference)
    : fVariable(variable), fValue(std::make_unique<OBS>(value)), fPreference(preference) {}

BpDataValue::BpDataValue(const QUOR_Variable* variable, const std::string& text, int preference)
    : fVariable(variable), fValue(std::make_unique<OBS>(text)), fPreference(preference) {}

BpDataValue::BpDataValue(const BpDataValue& other)
    : BpCellText(other),
      fVariable(other.fVariable),
      fValue(std::make_unique<OBS>(*other.fValue)),
      fPreference(other.fPreference) {}

BpDataValue::~BpDataValue() = default;

std::string BpDataValue::Render(const BpTextContext&) const {
    if (fVariable) {
        std::string label;
        if (fPreference != 1 && fVariable->GetValueLabels().Find(*fValue, label)) return label;
        return Trim(ToString(*fValue, fVariable->GetFormat()));
    }
    if (fValue->IsString()) return Trim(fValue->GetString());
    return Trim(ToString(*fValue, QUOR_Format(QUOR_Format::F, 40, 2)));
}

std::unique_ptr<BpCellText> BpDataValue::Clone() const { return std::make_unique<BpDataValue>(*this); }

// ---------------------------------------------------------------------------

struct BpComposite::Argument {
    std::vector<std::unique_ptr<BpCellText>> texts;
};

BpComposite::BpComposite(std::string pattern, bool translate)
    : fPattern(std::move(pattern)), fTranslate(translate) {}

// Arguments are filled once and then only read, so copies share them.
BpComposite::BpComposite(const BpComposite&) = default;
BpComposite::~BpComposite() = default;

void BpComposite::Add(const BpCellText& text) {
    if (!fInSublist || fArguments.empty()) fArguments.push_back(std::make_shared<Argument>());
    fArguments.back()->texts.push_back(text.Clone());
}

void BpComposite::Sublist() {
    fArguments.push_back(std::make_shared<Argument>());
    fInSublist = true;
}

void BpComposite::EndSublist() { fInSublist = false; }

void BpComposite::Finish() { fInSublist = false; }

std::string BpComposite::Render(const BpTextContext& context) const {
    // (The catalogue's entry or the pattern itself: both outlive the call.)
    const std::string& pattern =
        fTranslate && context.catalogue ? context.catalogue->Translate(fPattern) : fPattern;
    std::vector<std::vector<std::string>> arguments(fArguments.size());
    for (size_t a = 0; a < fArguments.size(); ++a) {
        arguments[a].reserve(fArguments[a]->texts.size());
        for (const auto& text : fArguments[a]->texts) arguments[a].push_back(text->Render(context));
    }
    return FillPattern(pattern, arguments);
}

std::unique_ptr<BpCellText> BpComposite::Clone() const { return std::make_unique<BpComposite>(*this); }

BpAnnotation::BpAnnotation(BpTextHandle text, int second, bool flag)
    : fText(std::move(text)), fSecond(second), fFlag(flag) {}
