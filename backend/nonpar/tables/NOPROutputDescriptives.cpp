// The tables under each test's statistics that say what was compared: each
// sample's N, median, quartiles and mean rank, and for the categorical tests
// (and the median test) their counts as a contingency table.
#include <memory>
#include <string>
#include <vector>

#include "BpOutput.h"
#include "NOPROutput.h"
#include "NOPRSupport.h"
#include "NOPRValueText.h"
#include "QUOR_DataSource.h"

namespace {

using namespace NOPROutputStats;

// The columns of the descriptives table: the statistic's name in the
// document and the label it shows under.
struct DescriptiveColumn {
    const char* name;
    const char* label;
    bool count;
};

constexpr DescriptiveColumn kColumns[] = {
    {"N", "N", true},
    {"Median", "Median", false},
    {"LowerQuartile", "Lower Quartile", false},
    {"UpperQuartile", "Upper Quartile", false},
    {"MeanRank", "Mean Rank", false},
};

std::unique_ptr<BpPivotTable> MakeTable(const NOPROutputContext& context, BpHeading& heading,
                                        const char* title) {
    std::unique_ptr<BpPivotTable> table(
        heading.PivotTable(BpString(title, true), BpString(title, false), false));
    table->MinDataColumnWidth(60);
    AddSplitDimensions(context, *table);
    return table;
}

// A text that names something, or its number when it cannot be named.
const BpCellText& OrNumber(const std::unique_ptr<BpCellText>& text, double number, BpString& fallback) {
    if (text) return *text;
    fallback = BpString(Integer2String(TruncateToInt(number)), false);
    return fallback;
}

// ---------------------------------------------------------------------------
// Samples: N, median, quartiles, mean rank
// ---------------------------------------------------------------------------

// Medians and quartiles are values of the test field: a date field's show as
// dates; others with one decimal more than the field, as a median of two
// middle values may need.
class SampleValueFormat {
public:
    SampleValueFormat(const NOPROutputContext& context, int fieldIndex) {
        const FieldInfo* field = FindField(context, fieldIndex);
        fVariable = field ? field->fVariable : nullptr;
        fDecimals = fVariable ? fVariable->GetFormat().GetDecimals() + 1 : 3;
    }

    std::unique_ptr<BpCellText> Text(double value) const {
        if (fVariable && fVariable->GetType() == 0 && value != kNOPRMissing &&
            IsDateFormatType(fVariable->GetFormat().GetType())) {
            const int type = fVariable->GetFormat().GetType();
            return std::make_unique<BpDataValue>(fVariable, NumericFormatCFToStat(value, type), 2);
        }
        return std::make_unique<BpNumber>(value, BpFormatSpec{BpFormatSpec::Decimals, fDecimals});
    }

private:
    const QUOR_Variable* fVariable = nullptr;
    int fDecimals = 3;
};

// A sample of an independent-samples test is a category of the grouping
// field; of the other tests, a field.
std::unique_ptr<BpCellText> SampleLabel(const NOPROutputContext& context, const NOPRTest& test,
                                        int sample) {
    const std::vector<int> fields = GetTestFieldIndices(&test);
    if (test.fTestFamily == TestFamily::Independent_Samples)
        return fields.size() < 2 ? nullptr : MakeCategoryText(context, fields[1], sample);
    return MakeFieldText(context, sample);
}

// The field whose values a sample's median is: the grouped field of an
// independent-samples test, or the sample's own field.
int ValueField(const NOPRTest& test, int sample) {
    const std::vector<int> fields = GetTestFieldIndices(&test);
    if (test.fTestFamily == TestFamily::Independent_Samples) return fields.empty() ? -1 : fields[0];
    return sample;
}

bool AnyHas(const std::vector<StatisticGroup>& samples, const char* name) {
    for (const StatisticGroup& sample : samples)
        if (HasGroupValue(sample, name)) return true;
    return false;
}

void MakeSampleTable(const NOPROutputContext& context, BpHeading& heading, const NOPRTest& test) {
    const BpProcedure& procedure = *context.fProcedure;
    std::unique_ptr<BpPivotTable> table = MakeTable(context, heading, "Descriptive Statistics");
    table->Caption(BpString("The quartiles are Tukey's hinges, as the box plots draw them.", true));
    BpDimension* rows = table->Dimension(BpString("Sample", true), 2);
    rows->Position(BpDimension::Row, 1, false, false);
    BpDimension* columns = table->Dimension(BpString("Statistics", true), 2);
    columns->Position(BpDimension::Column, 1, true, false);

    for (const StatisticGroup& sample : test.fDescriptives) {
        if (!HasGroupValue(sample, "Sample")) continue;
        const double number = GroupValue(sample, "Sample");
        const int position = TruncateToInt(number);
        BpString fallback("", false);
        rows->Category(OrNumber(SampleLabel(context, test, position), number, fallback));
        const SampleValueFormat format(context, ValueField(test, position));
        for (const DescriptiveColumn& column : kColumns) {
            const double value = GroupValue(sample, column.name);
            if (!AnyHas(test.fDescriptives, column.name)) continue;
            BpCategory* cell = columns->Category(BpString(column.label, true));
            if (column.count)
                cell->Cell(BpNumber(value, procedure.Count()));
            else if (std::string(column.name) == "MeanRank")
                cell->Cell(BpNumber(value, procedure.Coefficient()));
            else
                cell->Cell(*format.Text(value));
        }
    }
}

// ---------------------------------------------------------------------------
// Counts of the categorical tests
// ---------------------------------------------------------------------------

BpFormatSpec ExpectedFormat() { return {BpFormatSpec::Decimals, 1}; }

// A two-way table of counts with its rows and columns under group labels.
struct CountTable {
    std::unique_ptr<BpPivotTable> table;
    BpGroup* rows = nullptr;
    BpGroup* columns = nullptr;
};

// The groups' labels name what the rows and columns are, such as the two
// fields of the McNemar test; an empty label leaves the categories bare.
CountTable MakeCountTable(const NOPROutputContext& context, BpHeading& heading, const char* title,
                          const BpCellText& rowLabel, const BpCellText& columnLabel) {
    CountTable made;
    made.table = MakeTable(context, heading, title);
    BpDimension* rows = made.table->Dimension(BpString("Rows", false), 2);
    rows->Position(BpDimension::Row, 1, true, false);
    BpDimension* columns = made.table->Dimension(BpString("Columns", false), 2);
    columns->Position(BpDimension::Column, 1, true, false);
    made.rows = rows->Group(rowLabel, true, 2);
    made.columns = columns->Group(columnLabel, true, 2);
    return made;
}

// "Success (Pass, Merit)": the class and the field's categories in it that
// occur in the data.
std::unique_ptr<BpCellText> ClassLabel(const NOPROutputContext& context, const char* name, int field,
                                       const std::vector<double>& positions) {
    std::vector<double> known;
    const FieldInfo* info = FindField(context, field);
    for (double position : positions) {
        const int at = TruncateToInt(position);
        if (info && at >= 0 && static_cast<size_t>(at) < info->fValues.size()) known.push_back(position);
    }
    if (known.empty() || !info || !info->fVariable) return std::make_unique<BpString>(name, true);
    auto label = std::make_unique<BpComposite>("^1 (^2)", false);
    label->Add(BpString(name, true));
    AddCategoryValueList(context, *label, field, known, nullptr, true);
    label->Finish();
    return label;
}

void SetCount(BpGroup& rows, const BpCellText& row, BpGroup& columns, const BpCellText& column,
              double value, BpFormatSpec format) {
    rows.Category(row);
    columns.Category(column)->Cell(BpNumber(value, format));
}

// The McNemar test's two-by-two table of success and failure in both fields.
void MakeMcNemarTable(const NOPROutputContext& context, BpHeading& heading,
                      const CategoryComparison& c) {
    const ValueTable& counts = c.fTable;
    if (counts.fRows.size() != 2 || counts.fRows[0].size() != 2 || counts.fRows[1].size() != 2) return;
    const std::unique_ptr<BpCellText> rowField = MakeFieldText(context, c.fRowField);
    const std::unique_ptr<BpCellText> columnField = MakeFieldText(context, c.fColumnField);
    if (!rowField || !columnField) return;
    CountTable table = MakeCountTable(context, heading, "Contingency Table", *rowField, *columnField);
    const std::unique_ptr<BpCellText> rowLabels[2] = {
        ClassLabel(context, "Success", c.fRowField, c.fRowSuccess),
        ClassLabel(context, "Failure", c.fRowField, c.fRowFail)};
    const std::unique_ptr<BpCellText> columnLabels[2] = {
        ClassLabel(context, "Success", c.fColumnField, c.fColumnSuccess),
        ClassLabel(context, "Failure", c.fColumnField, c.fColumnFail)};
    for (size_t r = 0; r < 2; ++r)
        for (size_t k = 0; k < 2; ++k)
            SetCount(*table.rows, *rowLabels[r], *table.columns, *columnLabels[k], counts.fRows[r][k],
                     context.fProcedure->Count());
}

// The category a row or column name of a count table stands for.
std::unique_ptr<BpCellText> NamedCategory(const NOPROutputContext& context, int field,
                                          const std::string& name) {
    return MakeCategoryText(context, field, String2Integer(name));
}

// The marginal-homogeneity test's k-by-k table of the two fields' categories.
void MakeCrossTable(const NOPROutputContext& context, BpHeading& heading, const CategoryComparison& c) {
    const ValueTable& counts = c.fTable;
    const std::unique_ptr<BpCellText> rowField = MakeFieldText(context, c.fRowField);
    const std::unique_ptr<BpCellText> columnField = MakeFieldText(context, c.fColumnField);
    if (!rowField || !columnField || counts.fRows.size() != counts.fRowNames.size()) return;
    CountTable table = MakeCountTable(context, heading, "Contingency Table", *rowField, *columnField);
    for (size_t r = 0; r < counts.fRows.size(); ++r) {
        const auto row = NamedCategory(context, c.fRowField, counts.fRowNames[r]);
        BpString rowFallback(counts.fRowNames[r], false);
        for (size_t k = 0; k < counts.fRows[r].size() && k < counts.fColumnNames.size(); ++k) {
            const auto column = NamedCategory(context, c.fColumnField, counts.fColumnNames[k]);
            BpString columnFallback(counts.fColumnNames[k], false);
            SetCount(*table.rows, row ? *row : rowFallback, *table.columns,
                     column ? *column : columnFallback, counts.fRows[r][k], context.fProcedure->Count());
        }
    }
}

// The median test's counts above and at or below the median, per group.
void MakeMedianTable(const NOPROutputContext& context, BpHeading& heading, const HTIMedian& test) {
    const std::vector<int> fields = GetTestFieldIndices(&test);
    if (fields.size() < 2 || test.fBoxPlotInfo.fGroups.empty()) return;
    const std::unique_ptr<BpCellText> grouping = MakeFieldText(context, fields[1]);
    if (!grouping) return;
    CountTable table =
        MakeCountTable(context, heading, "Contingency Table", *grouping, BpString("Cases", true));
    const BpString above("Above the median", true);
    const BpString below("At or below the median", true);
    for (const BoxGroup& group : test.fBoxPlotInfo.fGroups) {
        const auto label = MakeCategoryText(context, fields[1], group.fGroupIndex);
        BpString fallback("", false);
        const BpCellText& row = OrNumber(label, group.fGroupIndex, fallback);
        SetCount(*table.rows, row, *table.columns, above, group.fGTMedian, context.fProcedure->Count());
        SetCount(*table.rows, row, *table.columns, below, group.fSTMedian, context.fProcedure->Count());
    }
}

// Cochran's successes and failures per field.
void MakeCochranTable(const NOPROutputContext& context, BpHeading& heading, const ValueTable& counts) {
    if (counts.fRows.size() != counts.fRowNames.size()) return;
    CountTable table = MakeCountTable(context, heading, "Contingency Table", BpString("Field", true),
                                      BpString("Cases", true));
    const BpString columns[2] = {BpString("Success", true), BpString("Failure", true)};
    for (size_t r = 0; r < counts.fRows.size(); ++r) {
        const auto field = MakeFieldText(context, String2Integer(counts.fRowNames[r]));
        BpString fallback(counts.fRowNames[r], false);
        for (size_t k = 0; k < 2 && k < counts.fRows[r].size(); ++k)
            SetCount(*table.rows, field ? *field : fallback, *table.columns, columns[k],
                     counts.fRows[r][k], context.fProcedure->Count());
    }
}

// One category's observed and expected counts, with the residual where asked.
struct FrequencyRow {
    const BpCellText& category;
    double observed;
    double expected;
};

void AddFrequencyRow(const BpProcedure& procedure, CountTable& table, const FrequencyRow& row,
                     bool residual) {
    SetCount(*table.rows, row.category, *table.columns, BpString("Observed N", true), row.observed,
             procedure.Count());
    SetCount(*table.rows, row.category, *table.columns, BpString("Expected N", true), row.expected,
             ExpectedFormat());
    if (!residual) return;
    const bool known = row.observed != kNOPRMissing && row.expected != kNOPRMissing;
    SetCount(*table.rows, row.category, *table.columns, BpString("Residual", true),
             known ? row.observed - row.expected : kNOPRMissing, ExpectedFormat());
}

CountTable MakeFrequencyTable(const NOPROutputContext& context, BpHeading& heading,
                              const NOPRTest& test) {
    const std::vector<int> fields = GetTestFieldIndices(&test);
    std::unique_ptr<BpCellText> field = fields.empty() ? nullptr : MakeFieldText(context, fields[0]);
    BpString fallback("Category", true);
    return MakeCountTable(context, heading, "Frequencies", field ? *field : fallback,
                          BpString("Cases", true));
}

// The chi-square test's categories (rows) with observed and expected counts.
void MakeChiSquareTable(const NOPROutputContext& context, BpHeading& heading, const HTOChiSquare& test) {
    const ValueTable& counts = test.fTwoClassComparison;
    const std::vector<int> fields = GetTestFieldIndices(&test);
    if (fields.empty() || counts.fRows.size() != counts.fRowNames.size()) return;
    CountTable table = MakeFrequencyTable(context, heading, test);
    for (size_t r = 0; r < counts.fRows.size(); ++r) {
        if (counts.fRows[r].size() < 2) continue;
        const auto category = NamedCategory(context, fields[0], counts.fRowNames[r]);
        BpString fallback(counts.fRowNames[r], false);
        AddFrequencyRow(*context.fProcedure, table,
                        {category ? *category : fallback, counts.fRows[r][0], counts.fRows[r][1]}, true);
    }
}

// The binomial test's two categories (columns of the document's table, its
// rows observed and hypothesized) as rows.
void MakeBinomialTable(const NOPROutputContext& context, BpHeading& heading, const HTOBinomial& test) {
    const ValueTable& counts = test.fTwoClassComparison;
    if (counts.fRows.size() != 2 || counts.fRows[0].size() != 2 || counts.fRows[1].size() != 2) return;
    CountTable table = MakeFrequencyTable(context, heading, test);
    for (int k = 0; k < 2; ++k) {
        const auto category = MakeBinomialCategoryText(context, test, k);
        BpString fallback(k == 0 ? "First" : "Second", true);
        const size_t at = static_cast<size_t>(k);
        AddFrequencyRow(*context.fProcedure, table,
                        {category ? *category : fallback, counts.fRows[0][at], counts.fRows[1][at]},
                        false);
    }
}

bool HasCounts(const ValueTable& table) { return !table.fRows.empty(); }

void MakeCountTables(const NOPROutputContext& context, BpHeading& heading, const NOPRTest& test) {
    if (const auto* mcnemar = dynamic_cast<const HTRMcNemar*>(&test)) {
        if (HasCounts(mcnemar->fCategoryFieldsComparison.fTable))
            MakeMcNemarTable(context, heading, mcnemar->fCategoryFieldsComparison);
    } else if (const auto* homogeneity = dynamic_cast<const HTRMarginalHomogeneity*>(&test)) {
        if (HasCounts(homogeneity->fCategoryFieldsComparison.fTable))
            MakeCrossTable(context, heading, homogeneity->fCategoryFieldsComparison);
    } else if (const auto* median = dynamic_cast<const HTIMedian*>(&test)) {
        MakeMedianTable(context, heading, *median);
    } else if (const auto* cochran = dynamic_cast<const HTRCochransQ*>(&test)) {
        if (HasCounts(cochran->fTwoClassComparison))
            MakeCochranTable(context, heading, cochran->fTwoClassComparison);
    } else if (const auto* chiSquare = dynamic_cast<const HTOChiSquare*>(&test)) {
        if (HasCounts(chiSquare->fTwoClassComparison)) MakeChiSquareTable(context, heading, *chiSquare);
    } else if (const auto* binomial = dynamic_cast<const HTOBinomial*>(&test)) {
        if (HasCounts(binomial->fTwoClassComparison)) MakeBinomialTable(context, heading, *binomial);
    }
}

}  // namespace

void MakeDescriptivesTable(const NOPROutputContext& context, BpHeading& heading, const NOPRTest& test) {
    if (!context.fProcedure) return;
    if (!test.fDescriptives.empty()) MakeSampleTable(context, heading, test);
    MakeCountTables(context, heading, test);
}
