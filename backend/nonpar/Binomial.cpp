// The binomial stacked bars: segment names from the test's categories or
// its cut point.
#include "Binomial.h"

#include "CFMetaData.h"
#include "NOPRChartUtil.h"
#include "NOPRSupport.h"
#include "NOPRValueText.h"
#include "QUOR_DataSource.h"

namespace {

const std::vector<IndexedValues> kNoParameters;

}  // namespace

// The condition of a binomial test holds the test field first, then the two
// category positions, or the cut point, in the entries after it.
Binomial::Binomial(const FacSTDictionary* dictionary, const NOPRSplitResults* container,
                   const NOPROutputStats::HTOBinomial* record)
    : NOPRStackedChart(dictionary, container), fRecord(record) {
    setTitle("One-Sample Binomial Test");
}

const std::vector<IndexedValues>& Binomial::testParameters() {
    return fRecord ? fRecord->fCondition.fParameters : kNoParameters;
}

const ValueTable* Binomial::stackedTable() { return fRecord ? &fRecord->fTwoClassComparison : nullptr; }

bool Binomial::parameter(size_t index, double& value) {
    const std::vector<IndexedValues>& parameters = testParameters();
    if (index >= parameters.size() || parameters[index].fValues.empty()) return false;
    value = parameters[index].fValues[0];
    return true;
}

const FieldInfo* Binomial::testField() {
    double position = 0.0;
    if (!container() || !parameter(0, position)) return nullptr;
    // A negative position wraps to a large unsigned one and finds nothing.
    return container()->FieldInfoAt(static_cast<unsigned int>(TruncateToInt(position)));
}

std::string Binomial::seriesLabel(const std::string& rowName) {
    return lookUpText(dictionary(), rowName == "Hypothesized" ? "Hypothesized" : "E60564").toUTF8();
}

std::string Binomial::categoryText(const std::string& columnName, bool escaped) {
    const auto plain = [&](const std::string& text) { return escaped ? escapeXml(text) : text; };
    if (!fRecord) return plain(columnName);
    double p1 = 0.0;
    double p2 = 0.0;
    parameter(1, p1);
    parameter(2, p2);

    const std::string& key = fRecord->fCondition.fConditionKey;
    if (key == "ABinaryTestVariableIsSpecified_O_Binomial_5") {
        const FieldInfo* field = testField();
        const CFMetaData* metaData = container() ? container()->fMetaData.get() : nullptr;
        const CFField* metaField = field && metaData ? metaData->GetField(field->fFieldIndex) : nullptr;
        static const std::vector<CFValue> kNoLabels;
        const std::vector<CFValue>& labels = metaField ? metaField->GetValueLabels() : kNoLabels;
        const auto labelAt = [&](double position, std::string& label) {
            const int i = TruncateToInt(position);
            if (i < 0 || static_cast<size_t>(i) >= labels.size()) return false;
            label = labels[static_cast<size_t>(i)].GetText();
            return true;
        };
        std::string label;
        if (columnName == "0" && labelAt(p1, label)) return plain(label);
        if (labelAt(p2, label)) return plain(label);
        return plain(columnName);
    }
    if (key == "ACutPointIsSpecified_O_Binomial_4") {
        const FieldInfo* field = testField();
        const std::string cut = CutPointText(p1, field ? field->fVariable : nullptr);
        if (columnName == "0") return (escaped ? " &lt;= " : " <= ") + plain(cut);
        return (escaped ? " &gt; " : " > ") + plain(cut);
    }
    return plain(columnName);
}

void Binomial::editTemplate(std::string& text) {
    const QUOR_Variable* variable = nullptr;
    double field = 0.0;
    double p1 = 0.0;
    if (parameter(0, field) && parameter(1, p1)) {
        if (const FieldInfo* info = testField()) variable = info->fVariable;
    }
    if (text.find("LegendLabel") != std::string::npos) {
        const std::string label =
            variable ? XUtility::ChartStringFromLocalCodePage(variable->GetPreferredLabel()).toUTF8() : "";
        replaceToken(text, "LegendLabel", escapeXml(label));
    }
    if (text.find("CategoryOrderText") != std::string::npos)
        replaceToken(text, "CategoryOrderText", categoryText("0", true) + ";" + categoryText("1", true));
}
