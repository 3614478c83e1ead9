// An analysis prepared for computing: the data read, the dictionary applied,
// the tests resolved, the splits formed and the manifest written, every
// usage error raised on the way. Computing a split's document comes after.
#include <algorithm>
#include <map>
#include <string_view>

#include <nlohmann/json.hpp>

#include "analysis/FieldInfos.h"
#include "analysis/RequestResolver.h"
#include "analysis/TestRunner.h"
#include "document/DocumentWriter.h"
#include "engine/Analysis.h"
#include "engine/NameHints.h"

namespace npar::engine {
namespace {

using Json = nlohmann::json;

// For a file the reader refused: when its first line holds no `delimiter`
// but another one, the delimiter is the likely fault (DelimiterHint); when
// commas both separate the fields and mark the decimals, an unquoted number
// is two fields.
std::string RefusedFileHint(std::string_view text, char delimiter, char decimal) {
    if (delimiter == ',' && decimal == ',')
        return "; with commas as both delimiter and decimal mark, a number's comma splits it unless the "
               "cell is quoted (\"1,5\"); files with decimal commas are mostly separated by semicolons "
               "(--delimiter ;)";
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.remove_prefix(3);
    std::string_view header = text.substr(0, text.find('\n'));
    if (!header.empty() && header.back() == '\r') header.remove_suffix(1);
    if (header.find(delimiter) != std::string_view::npos) return {};
    return DelimiterHint({std::string(header)});
}

Dictionary LoadDictionary(const AnalysisRequest& request) {
    if (request.dictionaryPath.empty() && request.dictionaryJson.empty()) return {};
    const std::string name =
        request.dictionaryPath.empty() ? "(in the analysis file)" : request.dictionaryPath;
    const std::string text = request.dictionaryPath.empty()
                                 ? request.dictionaryJson
                                 : ReadInputFile(request.dictionaryPath, "dictionary");
    Json json;
    try {
        json = Json::parse(text);
    } catch (const Json::parse_error& error) {
        throw UsageError("dictionary " + name + " is not valid JSON: " + JsonErrorText(error.what()));
    }
    return ParseDictionary(json, name);
}

// A split variable's value as the manifest writes it.
Json SplitValue(const RunData& data, size_t column, int category) {
    const Categories& categories = data.CategoriesOf(column);
    if (data.table.At(column).type == ColumnType::String)
        return categories.ValueText(static_cast<size_t>(category));
    return categories.Number(static_cast<size_t>(category));
}

Json VariableJson(const Variable& variable) {
    Json entry = {{"name", variable.name}, {"label", variable.label}};
    const bool isString = variable.type == ColumnType::String;
    entry["type"] = isString ? "string" : "numeric";
    if (isString) entry["width"] = variable.width;
    entry["format"] = variable.format;
    Json labels = Json::object();
    for (const ValueLabel& label : variable.valueLabels)
        labels[isString ? label.text : NumberText(label.number)] = label.label;
    entry["valueLabels"] = labels;
    return entry;
}

class Analysis final : public PreparedAnalysis {
public:
    explicit Analysis(const AnalysisRequest& request) {
        if (!(request.alpha > 0 && request.alpha < 1))
            throw UsageError(
                "the significance level (--alpha) is a proportion between 0 and 1: "
                "0.05 for a 5% level");
        if (!(request.confidencePercent > 1 && request.confidencePercent < 100))
            throw UsageError(
                "the confidence level (--confidence) is a percentage between 1 and 100: "
                "95 for a 95% interval");
        fData.alpha = request.alpha;
        fData.confidence = request.confidencePercent / 100.0;
        fListwise = request.missing == MissingMode::Listwise;

        const Dictionary dictionary = LoadDictionary(request);
        fDataName = !request.dataName.empty()  ? request.dataName
                    : request.dataPath.empty() ? "the data"
                                               : request.dataPath;
        const std::string text =
            request.dataPath.empty() ? request.dataText : ReadInputFile(request.dataPath, "data file");
        try {
            CsvOptions options = ReaderOptions(dictionary, request.Delimiter(), request.decimal);
            options.missingEverywhere.insert(request.missingTexts.begin(), request.missingTexts.end());
            fData.table = ReadCsv(text, options);
        } catch (const CsvError& error) {
            throw UsageError(fDataName + ": " + error.what() +
                             RefusedFileHint(text, request.Delimiter(), request.decimal));
        }
        if (fData.table.HasRowNamesColumn())
            fNotes.push_back(
                "the header's first field is empty, as R's write.csv writes it above the "
                "row names; that column is read as variable " +
                Quoted(fData.table.At(0).name));
        fData.variables = MakeVariables(fData.table, dictionary);
        for (const std::string& text : request.categoryOrders) ApplyCategoryOrder(text, dictionary);
        fRequests = ResolveTests(request.tests, fData);
        for (const TestRequest& test : fRequests)
            fNotes.insert(fNotes.end(), test.notes.begin(), test.notes.end());
        for (const std::string& name : request.splitBy) {
            const int column = fData.table.Find(name);
            if (column < 0) throw UsageError("--split-by: " + NoVariableText(fData.table, name, false));
            if (std::find(fSplitColumns.begin(), fSplitColumns.end(), static_cast<size_t>(column)) !=
                fSplitColumns.end())
                throw UsageError("--split-by: variable " + Quoted(name) + " is given twice");
            fSplitColumns.push_back(static_cast<size_t>(column));
        }
        fCategorical = CategoricalColumns(fData, fRequests);
        for (const TestRequest& test : fRequests)
            for (size_t column : test.Columns()) fUsedColumns.push_back(column);
        std::sort(fUsedColumns.begin(), fUsedColumns.end());
        fUsedColumns.erase(std::unique(fUsedColumns.begin(), fUsedColumns.end()), fUsedColumns.end());
        FormSplits();
        NoteSplitFieldsTested();
        if (fListwise) NoteListwiseCases();
        fManifest = MakeManifest();
    }

    std::string ManifestText() const override { return fManifest; }
    size_t SplitCount() const override { return fSplits.size(); }
    std::string DataName() const override { return fDataName; }
    size_t CaseCount() const override { return fData.table.RowCount(); }
    std::string DocumentName(size_t split) const override {
        return "split-" + std::to_string(split + 1) + ".xml";
    }
    const std::vector<std::string>& Notes() const override { return fNotes; }

    std::string ComputeDocument(size_t index) const override {
        const Split& split = fSplits[index];
        std::vector<uint32_t> rows = split.rows;
        if (fListwise)
            rows.erase(std::remove_if(rows.begin(), rows.end(),
                                      [this](uint32_t row) { return LacksATestedValue(row); }),
                       rows.end());
        ResultDocumentContent content;
        content.caseCount = split.rows.size();
        content.droppedCount = split.rows.size() - rows.size();
        content.sigLevel = fData.alpha;
        content.confidenceLevel = fData.confidence;
        content.listwise = fListwise;
        content.fields = DictionaryFields(fData, fCategorical);
        const SplitData data{fData, rows};
        for (const TestRequest& request : fRequests) content.tests.push_back(RunTest(request, data));
        for (size_t column : fUsedColumns)
            content.fieldInfos.emplace_back(
                column, FieldDistribution(fData, column, fCategorical[column], rows));
        return WriteResultDocument(content);
    }

private:
    // Listwise: whether the case lacks a value of a field some test uses.
    bool LacksATestedValue(uint32_t row) const {
        for (size_t column : fUsedColumns)
            if (fData.table.At(column).IsMissing(row)) return true;
        return false;
    }

    // --order VAR=V1,V2,...: the order of a text variable's values, over the
    // one its dictionary entry gives; a measure the dictionary gives stays.
    void ApplyCategoryOrder(const std::string& text, const Dictionary& dictionary) {
        const CategoryOrderSpec order = ParseCategoryOrder(text);
        const int column = fData.table.Find(order.variable);
        if (column < 0)
            throw UsageError("--order: " + NoVariableText(fData.table, order.variable, false));
        const Column& data = fData.table.At(static_cast<size_t>(column));
        const DictionaryEntry* entry = dictionary.Find(data.name);
        SetCategoryOrder(data, fData.variables[static_cast<size_t>(column)], order.values,
                         "--order " + data.name, entry && !entry->measure.empty());
    }

    // A test of a field that also splits the data sees one value of it in
    // each split: a grouping field has one group there ("a group compared
    // has no cases"), a tested field no variation. The run computes it and
    // says why.
    void NoteSplitFieldsTested() {
        for (const TestRequest& test : fRequests)
            for (size_t column : test.Columns()) {
                if (std::find(fSplitColumns.begin(), fSplitColumns.end(), column) == fSplitColumns.end())
                    continue;
                std::string note = "test " + Quoted(test.text) + ": " +
                                   Quoted(fData.table.At(column).name) +
                                   " also splits the data (--split-by), so each split holds one of "
                                   "its values";
                // A specification of several fields is one request per field.
                if (std::find(fNotes.begin(), fNotes.end(), note) == fNotes.end())
                    fNotes.push_back(std::move(note));
            }
    }

    // The report says how many cases listwise deletion leaves out, as each
    // test's Total N alone does not tell the reader why it is smaller.
    void NoteListwiseCases() {
        size_t cases = 0, left = 0;
        for (const Split& split : fSplits) {
            cases += split.rows.size();
            for (uint32_t row : split.rows) left += LacksATestedValue(row);
        }
        if (left == 0) return;
        fNotes.push_back("missing values are excluded listwise: " + std::to_string(left) + " of " +
                         std::to_string(cases) + (cases == 1 ? " case" : " cases") +
                         (left == 1 ? " lacks" : " lack") + " a value of a field some test uses and " +
                         (left == 1 ? "is" : "are") + " left out of every test");
    }

    struct Split {
        std::vector<int> key;  // per split variable, its category
        std::vector<uint32_t> rows;
    };

    void FormSplits() {
        const size_t rows = fData.table.RowCount();
        if (fSplitColumns.empty()) {
            Split all;
            all.rows.resize(rows);
            for (size_t row = 0; row < rows; ++row) all.rows[row] = static_cast<uint32_t>(row);
            fSplits.push_back(std::move(all));
            return;
        }
        std::map<std::vector<int>, std::vector<uint32_t>> groups;
        std::vector<size_t> missing(fSplitColumns.size(), 0);
        std::vector<int> key(fSplitColumns.size());
        for (size_t row = 0; row < rows; ++row) {
            bool complete = true;
            for (size_t i = 0; i < fSplitColumns.size(); ++i) {
                key[i] = fData.CategoriesOf(fSplitColumns[i]).IndexOfRow(row);
                if (key[i] < 0) {
                    ++missing[i];
                    complete = false;
                    break;
                }
            }
            if (complete) groups[key].push_back(static_cast<uint32_t>(row));
        }
        for (size_t i = 0; i < fSplitColumns.size(); ++i) {
            if (missing[i] == 0) continue;
            fNotes.push_back(
                std::to_string(missing[i]) + (missing[i] == 1 ? " case has" : " cases have") +
                " no value for split variable " + Quoted(fData.table.At(fSplitColumns[i]).name) +
                " and " + (missing[i] == 1 ? "is" : "are") + " left out");
        }
        if (groups.empty()) throw UsageError("--split-by: no case has a value for every split variable");
        for (auto& [groupKey, groupRows] : groups) fSplits.push_back({groupKey, std::move(groupRows)});
    }

    std::string MakeManifest() const {
        Json manifest;
        Json variables = Json::array();
        for (const Variable& variable : fData.variables) variables.push_back(VariableJson(variable));
        manifest["variables"] = variables;
        Json splitVariables = Json::array();
        for (size_t column : fSplitColumns) splitVariables.push_back(fData.table.At(column).name);
        manifest["splitVariables"] = splitVariables;
        manifest["splitHeadings"] = !fSplitColumns.empty();
        Json splits = Json::array();
        for (size_t i = 0; i < fSplits.size(); ++i) {
            Json values = Json::object();
            for (size_t v = 0; v < fSplitColumns.size(); ++v)
                values[fData.table.At(fSplitColumns[v]).name] =
                    SplitValue(fData, fSplitColumns[v], fSplits[i].key[v]);
            splits.push_back({{"document", DocumentName(i)}, {"values", values}});
        }
        manifest["splits"] = splits;
        return manifest.dump(2) + "\n";
    }

    RunData fData;
    std::string fDataName;
    bool fListwise = false;
    std::vector<TestRequest> fRequests;
    std::vector<size_t> fSplitColumns;
    std::vector<bool> fCategorical;
    std::vector<size_t> fUsedColumns;
    std::vector<Split> fSplits;
    std::vector<std::string> fNotes;
    std::string fManifest;
};

}  // namespace

std::unique_ptr<PreparedAnalysis> PrepareAnalysis(const AnalysisRequest& request) {
    return std::make_unique<Analysis>(request);
}

std::string TestList() { return TestListText(); }

}  // namespace npar::engine
