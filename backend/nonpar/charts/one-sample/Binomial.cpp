// The binomial stacked bars: segment names from the test's categories or
// its cut point.
#include "Binomial.h"

#include "CFMetaData.h"
#include "NOPRChartUtil.h"
#include "NOPRSupport.h"
#include "NOPRValueText.h"
#include "QUOR_DataSource.h"

// The condition of a binomial test holds the test field first, then the two
// category positions, or the cut point, in the entries after it.
Binomial::Binomial(const FacSTDictionary* dictionary, const NOPRSplitResults* container,
                   const NOPROutputStats::HTOBinomial* record)
    : NOPRStackedRecordChart(dictionary, container, record, "One-Sample Binomial Test") {}

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
    if (!record()) return plain(columnName);
    double p1 = 0.0;
    double p2 = 0.0;
    parameter(1, p1);
    parameter(2, p2);

    const std::string& key = record()->fCondition.fConditionKey;
    if (key == "ABinaryTestVariableIsSpecified_O_Binomial_5") {
        std::string label;
        if (columnName == "0" && categoryName(p1, label)) return plain(label);
        if (categoryName(p2, label)) return plain(label);
        return plain(columnName);
    }
    if (key == "CategoryListsAreSpecified_O_Binomial_5") {
        const std::string names = categoryListText(columnName == "0" ? 1 : 2);
        return plain(names.empty() ? columnName : names);
    }
    if (key == "ACutPointIsSpecified_O_Binomial_4") {
        const FieldInfo* field = testField();
        const std::string cut = CutPointText(p1, field ? field->fVariable : nullptr);
        if (columnName == "0") return (escaped ? " &lt;= " : " <= ") + plain(cut);
        return (escaped ? " &gt; " : " > ") + plain(cut);
    }
    return plain(columnName);
}

bool Binomial::categoryName(double position, std::string& name) {
    const FieldInfo* field = testField();
    const CFMetaData* metaData = container() ? container()->fMetaData.get() : nullptr;
    const CFField* metaField = field && metaData ? metaData->GetField(field->fFieldIndex) : nullptr;
    const int i = TruncateToInt(position);
    if (!metaField || i < 0 || static_cast<size_t>(i) >= metaField->GetValueLabels().size())
        return false;
    name = metaField->GetValueLabels()[static_cast<size_t>(i)].GetText();
    const std::vector<CFValue>& values = metaField->GetValues();
    if (name.empty() && static_cast<size_t>(i) < values.size())
        name = values[static_cast<size_t>(i)].GetText();
    return true;
}

// Values of a list that are not among the field's values are the record's
// texts, taken in order across both lists, as the null hypothesis takes them.
std::string Binomial::categoryListText(size_t index) {
    const std::vector<IndexedValues>& parameters = testParameters();
    const std::vector<std::string>& texts = record()->fValsNotInCategories;
    size_t nextText = 0;
    std::string joined;
    for (size_t list = 1; list <= index && list < parameters.size(); ++list) {
        for (double position : parameters[list].fValues) {
            if (TruncateToInt(position) == INT_MIN) continue;  // the missing category
            std::string name;
            if (!categoryName(position, name)) {
                if (nextText >= texts.size()) continue;
                name = texts[nextText++];
            }
            if (list == index) joined += (joined.empty() ? "" : ", ") + name;
        }
    }
    return joined;
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
            variable ? XUtility::ChartStringFromLocalCodePage(variable->GetPreferredLabel()).toUTF8()
                     : "";
        replaceToken(text, "LegendLabel", escapeXml(label));
    }
    if (text.find("CategoryOrderText") != std::string::npos)
        replaceToken(text, "CategoryOrderText", categoryText("0", true) + ";" + categoryText("1", true));
}
