// Resolving test specifications: one reader per option kind, one check per
// kind of field, and per family the rules for the fields and options.
#include "analysis/RequestResolver.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>

#include "document/ResultModel.h"
#include "engine/NameHints.h"

namespace npar::engine {
namespace {

// "no value", "1 value", "3 values": a count with its noun, for messages.
std::string Counted(size_t count, const std::string& one, const std::string& many) {
    if (count == 0) return "no " + one;
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

class Resolver {
public:
    Resolver(const TestSpec& spec, const TestDefinition& definition, RunData& data)
        : fSpec(spec), fDefinition(definition), fData(data), fContext("test " + Quoted(spec.text)) {}

    std::vector<TestRequest> Resolve() {
        std::vector<size_t> fields;
        for (const std::string& name : fSpec.fields) fields.push_back(Column(name));
        const int group = fSpec.hasGroup ? static_cast<int>(Column(fSpec.group)) : -1;
        std::vector<TestRequest> requests;
        switch (fDefinition.family) {
            case Family::OneSample:
                for (size_t field : fields) requests.push_back(OneSample(fDefinition.kind, field));
                break;
            case Family::Related:
                requests.push_back(Related(fDefinition.kind, fields));
                break;
            case Family::Independent:
                for (size_t field : fields)
                    requests.push_back(Independent(fDefinition.kind, field, static_cast<size_t>(group)));
                break;
        }
        return requests;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const { throw UsageError(fContext + ": " + what); }

    size_t Column(const std::string& name) const {
        const int index = fData.table.Find(name);
        if (index >= 0) return static_cast<size_t>(index);
        Fail(NoVariableText(fData.table, name, true));
    }

    const std::string& Name(size_t column) const { return fData.table.At(column).name; }

    TestRequest Base(TestKind kind) const {
        TestRequest request;
        request.kind = kind;
        request.text = fSpec.text;
        return request;
    }

    // ---- option readers

    double Number(const std::string& key, double fallback) const {
        const SpecOption* option = fSpec.Option(key);
        if (!option) return fallback;
        double value;
        if (!ParseCsvNumber(option->value, value))
            Fail("option " + key + "= must be a number, not " + Quoted(option->value));
        return value;
    }

    std::optional<double> OptionalNumber(const std::string& key) const {
        if (!fSpec.Option(key)) return std::nullopt;
        return Number(key, 0);
    }

    // A number or, on a date field, an ISO date; on a field of dates with
    // times of day, a date with a time of day ("2023-07-01 08:30") or a date
    // (its midnight).
    double ValueOn(size_t column, const std::string& key, const std::string& text) const {
        const engine::Column& data = fData.table.At(column);
        double value;
        if (ParseCsvNumber(text, value)) return value;
        if (data.type == ColumnType::Date && ParseIsoDate(text, value)) return value;
        if (data.dateTime && ParseIsoMoment(text, value)) return value;
        Fail("option " + key + "= must be a number" +
             (data.type == ColumnType::Date ? " or a date (2023-07-01)"
              : data.dateTime               ? " or a date with a time of day (2023-07-01 08:30)"
                                            : "") +
             ", not " + Quoted(text));
    }

    std::string Choice(const std::string& key, std::initializer_list<const char*> choices,
                       const std::string& fallback) const {
        const SpecOption* option = fSpec.Option(key);
        if (!option) return fallback;
        std::string lower = option->value;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        std::string known;
        for (const char* choice : choices) {
            if (lower == choice) return lower;
            known += (known.empty() ? "" : ", ") + std::string(choice);
        }
        Fail("option " + key + "= must be one of " + known + ", not " + Quoted(option->value));
    }

    // The category of a column that a user's value names.
    int Category(size_t column, const std::string& key, const std::string& text) const {
        const Categories& categories = fData.CategoriesOf(column);
        const int found = categories.Find(text, fData.VariableAt(column));
        if (found < 0)
            Fail(key + "=" + text + ": the value " + Quoted(text) + " never occurs in " +
                 Quoted(Name(column)) + SlipHint(column, text));
        return found;
    }

    // "; did you mean "North"?" with the value of the column the user most
    // likely meant (LikelyMeant: the same but for case, one the text begins,
    // a few typing slips away); empty when none is close.
    std::string SlipHint(size_t column, const std::string& text) const {
        const std::string meant = LikelyMeant(text, ValueTexts(column));
        return meant.empty() ? std::string() : DidYouMean(meant);
    }

    static std::string DidYouMean(const std::string& value) {
        return "; did you mean " + Quoted(value) + "?";
    }

    // The values a column takes, as the result document writes them.
    std::vector<std::string> ValueTexts(size_t column) const {
        const Categories& categories = fData.CategoriesOf(column);
        std::vector<std::string> texts;
        for (size_t i = 0; i < categories.Count(); ++i) texts.push_back(categories.ValueText(i));
        return texts;
    }

    // A text without its outer blanks, in lower case: how a slip is recognised.
    static std::string Folded(const std::string& text) {
        const size_t first = text.find_first_not_of(" \t");
        if (first == std::string::npos) return {};
        std::string folded = text.substr(first, text.find_last_not_of(" \t") - first + 1);
        std::transform(folded.begin(), folded.end(), folded.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return folded;
    }

    Compare CompareOption() const {
        const std::string value = Choice("compare", {"all", "stepwise", "none"}, "all");
        return value == "stepwise" ? Compare::Stepwise : value == "none" ? Compare::None : Compare::All;
    }

    // ---- field checks

    void RequireNumbers(size_t column, const char* purpose) const {
        const engine::Column& data = fData.table.At(column);
        if (data.type != ColumnType::String) return;
        const TextColumnReason reason = ExplainTextColumn(data, fData.table.DecimalMark());
        Fail("field " + Quoted(Name(column)) + " holds text" +
             (reason.why.empty() ? "" : " " + reason.why) + ", but " + purpose +
             (reason.ofDates ? " needs numbers or dates" : " needs numbers") + reason.hint +
             OrderedTextHint(column));
    }

    // Texts given an order are ordered categories, which group cases and
    // score categories but give no numbers to rank or subtract: the codes
    // that would, as "; code them as numbers in their order: 1 = low, 2 =
    // medium, 3 = high, with those texts as value labels".
    std::string OrderedTextHint(size_t column) const {
        const std::vector<std::string>& order = fData.VariableAt(column).order;
        if (order.empty()) return {};
        std::string codes;
        for (size_t i = 0; i < order.size() && i < 5; ++i)
            codes += (i ? ", " : "") + std::to_string(i + 1) + " = " + order[i];
        if (order.size() > 5) codes += ", ...";
        return "; its order (--order) ranks groups and categories, not values: code them as numbers "
               "in their order (" +
               codes + ") with those texts as value labels";
    }

    size_t CategoryCount(size_t column) const { return fData.CategoriesOf(column).Count(); }

    bool IsOrdinal(size_t column) const { return fData.VariableAt(column).measure == Measure::Ordinal; }

    // A test that orders a numeric field's values (ranks, a median, a
    // distribution, the order of the groups or categories) on a nominal
    // field: its values are codes without order, so the result depends on how
    // they were coded. The run computes it and says so.
    void NoteNominal(TestRequest& request, size_t column) const {
        if (fData.VariableAt(column).measure != Measure::Nominal) return;
        request.notes.push_back(fContext + ": " + Quoted(Name(column)) +
                                " is nominal, yet the test takes its values in order; if their "
                                "order means something, mark the field ordinal in the dictionary");
    }

    // A k-sample test whose grouping field gives every case, or most, a value
    // of its own (an identifier or a measurement taken for a grouping field)
    // compares single values, not groups: it gives a result all the same
    // (Kruskal-Wallis' epsilon-squared near 1), so the run says so.
    void NoteSingleCaseGroups(TestRequest& request, size_t group) const {
        const size_t groups = CategoryCount(group);
        if (groups <= 2) return;
        const Categories& categories = fData.CategoriesOf(group);
        std::vector<size_t> sizes(groups, 0);
        for (size_t row = 0; row < fData.table.RowCount(); ++row) {
            const int index = categories.IndexOfRow(row);
            if (index >= 0) ++sizes[static_cast<size_t>(index)];
        }
        const size_t singles = static_cast<size_t>(std::count(sizes.begin(), sizes.end(), size_t{1}));
        if (singles == groups)
            request.notes.push_back(
                fContext + ": each of the " + std::to_string(groups) + " groups of " +
                Quoted(Name(group)) +
                " holds a single case, so the test compares single values, not groups");
        else if (singles * 2 > groups)
            request.notes.push_back(fContext + ": " + std::to_string(singles) + " of the " +
                                    std::to_string(groups) + " groups of " + Quoted(Name(group)) +
                                    " hold a single case, so the test compares mostly single values, "
                                    "not groups");
    }

    // Categories whose order the result depends on (Jonckheere-Terpstra's
    // groups, the marginal homogeneity scores), more than two of them. Texts
    // go in the order of their bytes ("high" before "low") unless the
    // variable is given an order, so the run names that order and how to set
    // another; nominal numbers are noted as above.
    void NoteCategoryOrder(TestRequest& request, const std::vector<size_t>& columns) const {
        std::vector<std::string> values;
        bool texts = true;
        for (size_t column : columns) {
            texts &= fData.table.At(column).type == ColumnType::String;
            const std::vector<std::string> taken = ValueTexts(column);
            values.insert(values.end(), taken.begin(), taken.end());
        }
        std::sort(values.begin(), values.end());
        values.erase(std::unique(values.begin(), values.end()), values.end());
        if (values.size() <= 2) return;
        if (!texts) {
            for (size_t column : columns) NoteNominal(request, column);
            return;
        }
        std::vector<size_t> unordered;
        std::vector<std::string> unorderedNames;
        for (size_t column : columns)
            if (fData.VariableAt(column).order.empty())
                unordered.push_back(column), unorderedNames.push_back(Name(column));
        if (unordered.empty()) return;
        const std::string names = QuotedList(unorderedNames);
        std::string order, options;
        for (size_t i = 0; i < unordered.size(); ++i)
            options += (i == 0 ? "--order " : " --order ") + OrderOption(unordered[i]);
        for (size_t i = 0; i < values.size() && i < 5; ++i) order += (i ? ", " : "") + values[i];
        if (values.size() > 5) order += ", ...";
        request.notes.push_back(fContext + ": " + names + (unordered.size() == 1 ? " holds" : " hold") +
                                " texts, which the test takes in text order (" + order +
                                "); if another order is meant, give it: " + options +
                                " (\"order\" in the dictionary)");
    }

    // A name or value as an --order list item: in double quotes (a quote
    // inside doubled) when it holds a comma, "=", a blank or a quote.
    static std::string ListItem(const std::string& text) {
        if (text.find_first_of(",= \t\"") == std::string::npos) return text;
        std::string item = "\"";
        for (char c : text) item += c == '"' ? std::string("\"\"") : std::string(1, c);
        return item + "\"";
    }

    // NAME=V1,V2,... with the column's values in text order, as --order takes
    // them: quoted where the shell or the list needs it, the last few left
    // as "..." when there are many.
    std::string OrderOption(size_t column) const {
        const std::vector<std::string> values = ValueTexts(column);
        std::string list = ListItem(Name(column)) + "=";
        for (size_t i = 0; i < values.size() && i < 6; ++i) list += (i ? "," : "") + ListItem(values[i]);
        if (values.size() > 6) list += ",...";
        return ShellWord(list);
    }

    // The success categories of a field from success=, or its first value
    // when it has two; with cut= (where allowed) the cut point instead, which
    // makes no categories.
    void ReadSuccess(TestRequest& request, size_t column, bool allowCut) {
        const SpecOption* success = fSpec.Option("success");
        const SpecOption* cut = allowCut ? fSpec.Option("cut") : nullptr;
        if (success && cut) Fail("give success= or cut=, not both");
        if (cut) {
            RequireNumbers(column, "cut=");
            request.cut = CutKind::Value;
            request.cutValue = ValueOn(column, "cut", cut->value);
            return;
        }
        if (success) {
            for (const std::string& item : success->items)
                request.successCategories.push_back(SuccessCategory(request, column, item));
            return;
        }
        const size_t count = CategoryCount(column);
        if (count != 2)
            Fail(Quoted(Name(column)) + " has " + Counted(count, "value", "values") +
                 "; name the success with success=VALUE" +
                 (allowCut ? " or a cut point with cut=NUMBER" : ""));
        request.successCategories = {0};
    }

    // The category a success= value names. A value the field never takes is
    // a category of its own with no cases (no defects in 30 units is a
    // binomial outcome like any other), placed after the field's categories;
    // the run says so in a note. A value that differs from one the field
    // takes only in case or blanks is taken for a slip and refused.
    int SuccessCategory(TestRequest& request, size_t column, const std::string& text) {
        const int found = fData.CategoriesOf(column).Find(text, fData.VariableAt(column));
        if (found >= 0) return found;
        const NamedValue value = AbsentValue(column, text);
        request.notes.push_back(fContext + ": no case has " + Quoted(Name(column)) + " = " +
                                Quoted(value.display) + "; it is the success category with 0 cases");
        return fData.PlaceNamedValue(column, value);
    }

    // A value of the column's kind that no case takes, named by its value or
    // by a value label.
    NamedValue AbsentValue(size_t column, const std::string& text) const {
        const engine::Column& data = fData.table.At(column);
        const Variable& variable = fData.VariableAt(column);
        const auto labelled =
            std::find_if(variable.valueLabels.begin(), variable.valueLabels.end(),
                         [&text](const ValueLabel& label) { return label.label == text; });
        if (data.type == ColumnType::String) {
            const std::string value = labelled != variable.valueLabels.end() ? labelled->text : text;
            // Only a value the same but for case or outer blanks is a slip
            // here: any other is a category of its own.
            for (const std::string& taken : ValueTexts(column)) {
                if (Folded(taken) == Folded(value))
                    Fail("success=" + text + ": no case has " + Quoted(Name(column)) + " = " +
                         Quoted(value) + DidYouMean(taken));
            }
            return {value, StringLabel(variable, value)};
        }
        double number;
        const bool date = data.type == ColumnType::Date;
        if (!ParseCsvNumber(text, number) && !(date && ParseIsoDate(text, number))) {
            if (labelled == variable.valueLabels.end())
                Fail("success=" + text + ": " + Quoted(Name(column)) + " holds " +
                     (date ? "dates" : "numbers") + ", and " + Quoted(text) + " is neither " +
                     (date ? "a date written as 2023-07-01" : "a number") +
                     " nor one of its value labels");
            number = labelled->number;
        }
        for (const ValueLabel& label : variable.valueLabels)
            if (label.number == number) return {NumberText(number), label.label};
        return {NumberText(number), date ? DateText(number, variable.format) : NumberText(number)};
    }

    // When every value the field takes is a success, the binomial's other
    // category holds no case and no value would name it ("ok in ( )"). It is
    // named by the field's labelled values that are neither taken, nor
    // successes, nor missing values; else, on numbers and dates, the cut
    // point at the largest success parts the same cases ("n <= 1" against
    // "n > 1"); else a text field's other category is "any other value".
    void NameTheOtherCategory(TestRequest& request, size_t column) {
        if (request.cut != CutKind::None) return;
        const Categories& categories = fData.CategoriesOf(column);
        std::vector<bool> success(categories.Count(), false);
        for (int category : request.successCategories)
            if (static_cast<size_t>(category) < success.size())
                success[static_cast<size_t>(category)] = true;
        if (std::find(success.begin(), success.end(), false) != success.end()) return;

        const engine::Column& data = fData.table.At(column);
        const bool text = data.type == ColumnType::String;
        for (const ValueLabel& label : fData.VariableAt(column).valueLabels) {
            if (label.missing || categories.FindLabelled(label) >= 0) continue;
            const int place = fData.PlaceNamedValue(
                column, {text ? label.text : NumberText(label.number), label.label});
            if (std::find(request.successCategories.begin(), request.successCategories.end(), place) ==
                request.successCategories.end())
                request.failureCategories.push_back(place);
        }
        if (!request.failureCategories.empty()) return;
        if (!text) {
            request.cut = CutKind::Value;
            request.cutValue = LargestSuccess(request, column);
            return;
        }
        const NamedValue other{"any other value", "any other value"};
        if (categories.Find(other.value, fData.VariableAt(column)) < 0)
            request.failureCategories.push_back(fData.PlaceNamedValue(column, other));
    }

    // The largest value success= names on a numeric or date field, taken
    // or not.
    double LargestSuccess(const TestRequest& request, size_t column) const {
        const Categories& categories = fData.CategoriesOf(column);
        const std::vector<NamedValue>& named = fData.NamedValuesOf(column);
        double largest = -std::numeric_limits<double>::infinity();
        for (int category : request.successCategories) {
            const size_t place = static_cast<size_t>(category);
            double number = 0;
            if (place < categories.Count())
                number = categories.Number(place);
            else if (!ParseCsvNumber(named[place - categories.Count()].value, number))
                continue;
            largest = std::max(largest, number);
        }
        return largest;
    }

    static std::string StringLabel(const Variable& variable, const std::string& value) {
        for (const ValueLabel& label : variable.valueLabels)
            if (label.text == value) return label.label;
        return value;
    }

    // ---- one sample

    TestRequest OneSample(TestKind kind, size_t field) {
        if (kind == TestKind::OneSampleAuto) kind = AutomaticOneSample(field);
        TestRequest request = Base(kind);
        request.fields = {field};
        switch (kind) {
            case TestKind::ChiSquare:
                ChiSquare(request, field);
                break;
            case TestKind::Binomial:
                request.proportion = Number("p", 0.5);
                if (!(request.proportion > 0 && request.proportion < 1))
                    Fail("option p= must lie between 0 and 1");
                ReadSuccess(request, field, true);
                NameTheOtherCategory(request, field);
                break;
            case TestKind::SuccessRate:
                SuccessRate(request, field);
                break;
            case TestKind::Runs:
                Runs(request, field);
                break;
            case TestKind::OneSampleWilcoxon:
                RequireNumbers(field, "the Wilcoxon signed rank test");
                NoteNominal(request, field);
                request.median = ValueOn(field, "median", fSpec.Option("median")->value);
                request.ordinalAsContinuous = IsOrdinal(field);
                break;
            case TestKind::OneSampleKs:
                Kolmogorov(request, field);
                break;
            default:
                break;
        }
        return request;
    }

    TestKind AutomaticOneSample(size_t field) const {
        if (CategoryCount(field) == 2) return TestKind::Binomial;
        if (fData.VariableAt(field).IsCategorical()) return TestKind::ChiSquare;
        return TestKind::OneSampleKs;  // normal, parameters from the sample
    }

    void ChiSquare(TestRequest& request, size_t field) const {
        const SpecOption* expected = fSpec.Option("expected");
        if (!expected) return;
        const size_t count = CategoryCount(field);
        for (const std::string& item : expected->items) {
            double weight;
            if (!ParseCsvNumber(item, weight) || !(weight > 0))
                Fail("expected= takes positive numbers, not " + Quoted(item));
            request.expected.push_back(weight);
        }
        if (request.expected.size() != count)
            Fail("expected= gives " + std::to_string(request.expected.size()) + " proportions, but " +
                 Quoted(Name(field)) + " has " + Counted(count, "category", "categories"));
    }

    void SuccessRate(TestRequest& request, size_t field) {
        ReadSuccess(request, field, true);
        if (const SpecOption* methods = fSpec.Option("methods")) {
            request.clopperPearson = request.jeffreys = request.likelihood = false;
            for (std::string item : methods->items) {
                std::transform(item.begin(), item.end(), item.begin(),
                               [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
                if (item == "clopper-pearson")
                    request.clopperPearson = true;
                else if (item == "jeffreys")
                    request.jeffreys = true;
                else if (item == "likelihood")
                    request.likelihood = true;
                else
                    Fail("methods= knows clopper-pearson, jeffreys and likelihood, not " + Quoted(item));
            }
        }
    }

    void Runs(TestRequest& request, size_t field) const {
        const SpecOption* cut = fSpec.Option("cut");
        if (!cut && fData.table.At(field).type == ColumnType::String) {
            if (CategoryCount(field) != 2) {
                const TextColumnReason reason =
                    ExplainTextColumn(fData.table.At(field), fData.table.DecimalMark());
                Fail(Quoted(Name(field)) + " holds text with " + std::to_string(CategoryCount(field)) +
                     " values" + (reason.why.empty() ? "" : " " + reason.why) +
                     "; the runs test needs numbers" + (reason.ofDates ? ", dates" : "") +
                     " or a field of two values" + reason.hint);
            }
            request.successCategories = {0};
            return;
        }
        RequireNumbers(field, "the runs test about a cut point");
        // Two values fall on either side of a cut between them whatever
        // their codes; more are split by their order.
        if (CategoryCount(field) > 2) NoteNominal(request, field);
        const std::string kind = cut ? cut->value : "median";
        if (kind == "median")
            request.cut = CutKind::Median;
        else if (kind == "mean")
            request.cut = CutKind::Mean;
        else
            request.cut = CutKind::Value, request.cutValue = ValueOn(field, "cut", kind);
    }

    void Kolmogorov(TestRequest& request, size_t field) const {
        RequireNumbers(field, "the Kolmogorov-Smirnov test");
        NoteNominal(request, field);
        const std::string dist =
            fSpec.Option("dist") ? Choice("dist", {"normal", "uniform", "poisson", "exponential"}, "")
                                 : "normal";
        if (!fSpec.Option("dist") && fDefinition.kind == TestKind::OneSampleKs)
            Fail("name the distribution with dist=normal, uniform, poisson or exponential");
        const auto allow = [&](std::initializer_list<const char*> keys) {
            for (const char* key : {"mean", "sd", "min", "max"}) {
                if (fSpec.Option(key) && std::find_if(keys.begin(), keys.end(), [&](const char* k) {
                                             return std::string(k) == key;
                                         }) == keys.end())
                    Fail("the " + dist + " distribution has no parameter " + key + "=");
            }
        };
        if (dist == "normal") {
            allow({"mean", "sd"});
            request.distribution = Distribution::Normal;
            request.first = OptionalNumber("mean");
            request.second = OptionalNumber("sd");
            if (request.first.has_value() != request.second.has_value())
                Fail("give both mean= and sd=, or neither (then both are estimated from the sample)");
            if (request.second && !(*request.second > 0)) Fail("sd= must be above 0");
        } else if (dist == "uniform") {
            allow({"min", "max"});
            request.distribution = Distribution::Uniform;
            if (fSpec.Option("min")) request.first = ValueOn(field, "min", fSpec.Option("min")->value);
            if (fSpec.Option("max")) request.second = ValueOn(field, "max", fSpec.Option("max")->value);
            if (request.first.has_value() != request.second.has_value())
                Fail("give both min= and max=, or neither (then both are taken from the sample)");
            if (request.first && !(*request.first < *request.second)) Fail("min= must lie below max=");
        } else {
            allow({"mean"});
            request.distribution = dist == "poisson" ? Distribution::Poisson : Distribution::Exponential;
            request.first = OptionalNumber("mean");
            if (request.first && !(*request.first > 0)) Fail("mean= must be above 0");
        }
    }

    // ---- related samples

    TestRequest Related(TestKind kind, const std::vector<size_t>& fields) {
        if (kind == TestKind::RelatedAuto) kind = AutomaticRelated(fields);
        TestRequest request = Base(kind);
        request.fields = fields;
        const ColumnType type = fData.table.At(fields[0]).type;
        for (size_t field : fields) {
            if (fData.table.At(field).type != type)
                Fail("the fields hold different kinds of values (" + Quoted(Name(fields[0])) + " and " +
                     Quoted(Name(field)) + "); related samples must be measured alike");
        }
        switch (kind) {
            case TestKind::Sign:
            case TestKind::RelatedWilcoxon:
            case TestKind::RelatedHodgesLehmann:
            case TestKind::Friedman:
            case TestKind::Kendall:
                for (size_t field : fields) RequireNumbers(field, fDefinition.name);
                for (size_t field : fields) request.ordinalAsContinuous |= IsOrdinal(field);
                for (size_t field : fields) NoteNominal(request, field);
                request.compare = CompareOption();
                break;
            case TestKind::MarginalHomogeneity:
                NoteCategoryOrder(request, fields);
                break;
            case TestKind::McNemar:
            case TestKind::Cochran:
                RelatedSuccess(request, fields);
                request.compare = CompareOption();
                break;
            default:
                break;
        }
        return request;
    }

    TestKind AutomaticRelated(const std::vector<size_t>& fields) const {
        bool categorical = false;
        size_t categories = 0;
        for (size_t field : fields) {
            categorical |= fData.VariableAt(field).IsCategorical();
            categories = std::max(categories, CategoryCount(field));
        }
        if (!categorical) return fields.size() == 2 ? TestKind::RelatedWilcoxon : TestKind::Friedman;
        if (categories <= 2) return fields.size() == 2 ? TestKind::McNemar : TestKind::Cochran;
        if (fields.size() == 2) return TestKind::MarginalHomogeneity;
        bool ordinalNumbers = true;
        for (size_t field : fields)
            ordinalNumbers &= IsOrdinal(field) && fData.table.At(field).type != ColumnType::String;
        if (ordinalNumbers) return TestKind::Friedman;
        Fail(
            "the fields have more than two categories and are not ordered; for more than two "
            "related fields the automatic choice needs two categories (cochran) or ordered values "
            "(friedman)");
    }

    // The success value of McNemar's and Cochran's tests: success=, or the
    // first of the two values the fields share.
    void RelatedSuccess(TestRequest& request, const std::vector<size_t>& fields) {
        const SpecOption* success = fSpec.Option("success");
        if (success) {
            // The value must occur in at least one field; each field counts
            // its own categories that match.
            bool found = false;
            for (size_t field : fields) {
                for (const std::string& item : success->items)
                    found |= fData.CategoriesOf(field).Find(item, fData.VariableAt(field)) >= 0;
            }
            if (!found) {
                std::string hint;
                for (size_t field : fields)
                    for (const std::string& item : success->items)
                        if (hint.empty()) hint = SlipHint(field, item);
                Fail("success=" + success->value + ": the value never occurs in the fields" + hint);
            }
            request.successValues = success->items;
            request.successGiven = true;
            return;
        }
        // The values of all fields, in ascending order.
        std::vector<std::pair<double, std::string>> values;
        for (size_t field : fields) {
            const Categories& categories = fData.CategoriesOf(field);
            const bool numeric = fData.table.At(field).type != ColumnType::String;
            for (size_t i = 0; i < categories.Count(); ++i) {
                const std::pair<double, std::string> value = {numeric ? categories.Number(i) : 0.0,
                                                              categories.ValueText(i)};
                if (std::find(values.begin(), values.end(), value) == values.end())
                    values.push_back(value);
            }
        }
        std::sort(values.begin(), values.end());
        if (values.size() != 2)
            Fail("the fields take " + Counted(values.size(), "value", "values") +
                 " between them, not two; name the success with success=VALUE");
        request.successValues = {values.front().second};
    }

    // ---- independent samples

    TestRequest Independent(TestKind kind, size_t field, size_t group) {
        const size_t groups = CategoryCount(group);
        if (groups < 2)
            Fail("the grouping field " + Quoted(Name(group)) + " has " +
                 (groups == 0 ? "no value" : "only one value") + "; the test compares groups");
        if (kind == TestKind::IndependentAuto)
            kind =
                groups == 2 || fSpec.Option("groups") ? TestKind::MannWhitney : TestKind::KruskalWallis;
        TestRequest request = Base(kind);
        request.fields = {field};
        request.group = static_cast<int>(group);
        RequireNumbers(field, fDefinition.name);
        request.ordinalAsContinuous = IsOrdinal(field);
        NoteNominal(request, field);
        switch (kind) {
            case TestKind::MannWhitney:
            case TestKind::WaldWolfowitz:
            case TestKind::TwoSampleKs:
            case TestKind::IndependentHodgesLehmann:
            case TestKind::Moses:
                TwoGroups(request, group);
                if (kind == TestKind::Moses) Moses(request, group);
                break;
            case TestKind::KruskalWallis:
                request.compare = CompareOption();
                NoteSingleCaseGroups(request, group);
                break;
            case TestKind::Jonckheere:
                // The alternative is an ordering of the groups.
                if (groups > 2) NoteCategoryOrder(request, {group});
                NoteSingleCaseGroups(request, group);
                request.compare = CompareOption();
                request.descending =
                    Choice("order", {"ascending", "descending"}, "ascending") == "descending";
                break;
            case TestKind::MedianTest: {
                request.compare = CompareOption();
                NoteSingleCaseGroups(request, group);
                const std::string median =
                    fSpec.Option("median") ? fSpec.Option("median")->value : "pooled";
                if (median != "pooled")
                    request.pooledMedian = false, request.median = ValueOn(field, "median", median);
                break;
            }
            default:
                break;
        }
        return request;
    }

    void TwoGroups(TestRequest& request, size_t group) const {
        if (const SpecOption* chosen = fSpec.Option("groups")) {
            if (chosen->items.size() != 2)
                Fail("groups= names exactly two groups, not " + std::to_string(chosen->items.size()));
            for (const std::string& item : chosen->items)
                request.groupCategories.push_back(Category(group, "groups", item));
            if (request.groupCategories[0] == request.groupCategories[1])
                Fail("groups= names the same group twice");
            // The two groups in ascending order, however groups= lists them.
            std::sort(request.groupCategories.begin(), request.groupCategories.end());
            return;
        }
        if (CategoryCount(group) != 2)
            Fail("the grouping field " + Quoted(Name(group)) + " has " +
                 Counted(CategoryCount(group), "value", "values") +
                 "; name the two groups to compare with groups=V1,V2");
        request.groupCategories = {0, 1};
    }

    void Moses(TestRequest& request, size_t group) const {
        if (fSpec.Option("trim") && fSpec.Option("outliers")) Fail("give trim= or outliers=, not both");
        if (fSpec.Option("outliers")) {
            const double outliers = Number("outliers", 0);
            if (!(outliers >= 0) || outliers != std::floor(outliers))
                Fail("outliers= must be a whole number of at least 0");
            request.outliers = static_cast<int>(std::min(outliers, 1e9));
        } else {
            request.trimFraction = Number("trim", 0.05);
            if (!(*request.trimFraction >= 0 && *request.trimFraction < 0.5))
                Fail("trim= must lie from 0 up to 0.5");
        }
        request.controlCategory = request.groupCategories[0];
        if (const SpecOption* control = fSpec.Option("control")) {
            request.controlCategory = Category(group, "control", control->value);
            if (std::find(request.groupCategories.begin(), request.groupCategories.end(),
                          request.controlCategory) == request.groupCategories.end())
                Fail("control=" + control->value + " is not one of the two groups compared");
        }
    }

    const TestSpec& fSpec;
    const TestDefinition& fDefinition;
    RunData& fData;
    std::string fContext;
};

// The name without the single or typographic quotes around it that a user
// may have put there for double quotes.
std::string WithoutQuoteMarks(std::string name) {
    static const char* const kMarks[] = {
        "'", "`", "\xE2\x80\x98", "\xE2\x80\x99", "\xE2\x80\x9C", "\xE2\x80\x9D"};
    for (bool trimmed = true; trimmed;) {
        trimmed = false;
        for (const std::string_view mark : kMarks) {
            if (name.size() > mark.size() && name.compare(0, mark.size(), mark) == 0)
                name.erase(0, mark.size()), trimmed = true;
            if (name.size() > mark.size() &&
                name.compare(name.size() - mark.size(), mark.size(), mark) == 0)
                name.erase(name.size() - mark.size()), trimmed = true;
        }
    }
    return name;
}

// A name that a specification splits unless it is quoted.
bool NeedsQuotes(const std::string& name) { return name.find_first_of(" \t,=\"") != std::string::npos; }

}  // namespace

std::string NoVariableText(const DataTable& table, const std::string& name, bool inTestSpecification) {
    const std::vector<std::string> names = table.ColumnNames();
    // A header read as one column says more about the delimiter than any name.
    const std::string delimiter = DelimiterHint(names);
    if (!delimiter.empty()) return "the data have no variable " + Quoted(name) + delimiter;
    std::string known;
    const size_t shown = std::min<size_t>(names.size(), 12);
    for (size_t i = 0; i < shown; ++i) known += (i ? ", " : "") + names[i];
    if (shown < names.size()) known += ", ...";
    // In a test specification a name with blanks written bare or in single
    // quotes reaches here as its first word: the hint says how to write it.
    const std::string typed = WithoutQuoteMarks(name);
    const bool unquoted = typed != name && std::find(names.begin(), names.end(), typed) != names.end();
    std::string more = "variables: " + known;
    if (inTestSpecification && NeedsQuotes(unquoted ? typed : LikelyMeant(typed, names)))
        more = "write a name with blanks, commas or \"=\" in double quotes; " + more;
    else if (inTestSpecification && unquoted)
        more = "a name is quoted, if at all, with double quotes; " + more;
    // A name in quotes it should not have is the name meant, which the
    // likeliest of the others never is.
    return "the data have no variable " + Quoted(name) +
           (unquoted ? " (did you mean " + Quoted(typed) + "? " + more + ")"
                     : HintAfter(typed, names, more));
}

std::vector<TestRequest> ResolveTests(const std::vector<std::string>& specifications, RunData& data) {
    if (specifications.empty()) throw UsageError("no test to run: give --test SPEC");
    std::vector<TestRequest> requests;
    for (const std::string& text : specifications) {
        const TestSpec spec = ParseTestSpec(text);
        const TestDefinition& definition = DefinitionFor(spec);
        for (TestRequest& request : Resolver(spec, definition, data).Resolve())
            requests.push_back(std::move(request));
    }
    return requests;
}

}  // namespace npar::engine
