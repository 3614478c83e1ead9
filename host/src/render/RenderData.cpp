// Reading the chart's data the way the chart document describes it.
#include "render/RenderData.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <set>

#include "QUOR_DataSource.h"

namespace npar {
namespace render {
namespace {

// Derived variables may name each other; chains longer than this (or cycles)
// read as missing.
constexpr int kMaxDepth = 16;

int FormatCode(const std::string& type) {
    static const std::map<std::string, int> kCodes = {
        {"A", QUOR_Format::A},           {"COMMA", QUOR_Format::COMMA},
        {"DOLLAR", QUOR_Format::DOLLAR}, {"F", QUOR_Format::F},
        {"E", QUOR_Format::E},           {"DATE", QUOR_Format::DATE},
        {"TIME", QUOR_Format::TIME},     {"DATETIME", QUOR_Format::DATETIME},
        {"ADATE", QUOR_Format::ADATE},   {"JDATE", QUOR_Format::JDATE},
        {"DTIME", QUOR_Format::DTIME},   {"WKDAY", QUOR_Format::WKDAY},
        {"MONTH", QUOR_Format::MONTH},   {"MOYR", QUOR_Format::MOYR},
        {"QYR", QUOR_Format::QYR},       {"WKYR", QUOR_Format::WKYR},
        {"PCT", QUOR_Format::PCT},       {"DOT", QUOR_Format::DOT},
        {"EDATE", QUOR_Format::EDATE},   {"SDATE", QUOR_Format::SDATE}};
    const auto found = kCodes.find(type);
    return found == kCodes.end() ? 0 : found->second;
}

// Decimals the shortest form of value needs, at most 16.
int NeededDecimals(double value) {
    const std::string text = NumberKey(value);
    const size_t e = text.find('e');
    const std::string mantissa = text.substr(0, e);
    const size_t dot = mantissa.find('.');
    int decimals = dot == std::string::npos ? 0 : static_cast<int>(mantissa.size() - dot - 1);
    if (e != std::string::npos) {
        int exponent = 0;
        std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(),
                        exponent);
        decimals -= exponent;
    }
    return std::clamp(decimals, 0, 16);
}

std::string Trim(const std::string& text) {
    const size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return {};
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

bool IsMissingNumber(double value) { return std::isnan(value) || value == kSystemMissing; }

}  // namespace

Cell Cell::Of(double value) {
    Cell cell;
    if (IsMissingNumber(value)) return cell;
    cell.kind = Kind::Number;
    cell.number = value;
    return cell;
}

Cell Cell::Of(std::string value) {
    Cell cell;
    cell.kind = Kind::Text;
    cell.text = std::move(value);
    return cell;
}

// As ChartString's assignDouble with 16 digits writes it (its text is ASCII),
// without the detour through a UTF-16 text: keys are made for every value.
std::string NumberKey(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    if (value == 0) value = 0.0;  // no "-0"
    char buffer[64];
    // A whole number of at most 15 digits is written as its digits alone
    // with 16 significant digits: the integer conversion gives those bytes,
    // at a fraction of the cost.
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        const auto whole = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value));
        return std::string(buffer, whole.ptr);
    }
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 16);
    return std::string(buffer, result.ptr);
}

std::string KeyText(const Cell& cell) {
    switch (cell.kind) {
        case Cell::Kind::Number:
            return NumberKey(cell.number);
        case Cell::Kind::Text:
            return cell.text;
        case Cell::Kind::Missing:
            break;
    }
    return {};
}

bool ParseNumber(std::string_view text, double& value) {
    if (text.empty()) return false;
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (*begin == '+') ++begin;  // from_chars takes no plus sign
    if (begin == end) return false;
    const auto result = std::from_chars(begin, end, value);
    return result.ec == std::errc() && result.ptr == end;
}

Format ReadFormat(pugi::xml_node element) {
    Format format;
    for (pugi::xml_node child : element.children("format")) {
        if (pugi::xml_attribute a = child.attribute("type")) format.type = a.value();
        if (pugi::xml_attribute a = child.attribute("decimals")) {
            double decimals = 0;
            format.decimals = ParseNumber(a.value(), decimals) && decimals >= 0
                                  ? static_cast<int>(std::min(decimals, 16.0))
                                  : -1;
        }
        if (pugi::xml_attribute a = child.attribute("prefix")) format.prefix = a.value();
        if (pugi::xml_attribute a = child.attribute("suffix")) format.suffix = a.value();
    }
    return format;
}

bool IsDateFormat(const std::string& type) {
    static const std::set<std::string> kDates = {"DATE",  "ADATE", "EDATE", "SDATE", "JDATE", "DATETIME",
                                                 "WKDAY", "MONTH", "MOYR",  "QYR",   "WKYR"};
    return kDates.count(type) != 0;
}

std::string FormatNumber(double value, const Format& format) {
    const int code = FormatCode(format.type);
    if (!std::isfinite(value) || code == 0 || code == QUOR_Format::A) {
        if (code == 0 && format.decimals >= 0 && std::isfinite(value)) {
            return Trim(ToString(OBS(value), QUOR_Format(QUOR_Format::F, 40, format.decimals)));
        }
        return NumberKey(value);
    }
    int decimals = format.decimals;
    if (decimals < 0)
        decimals = IsDateFormat(format.type) || code == QUOR_Format::TIME || code == QUOR_Format::DTIME
                       ? 0
                       : NeededDecimals(value);
    const std::string text = Trim(ToString(OBS(value), QUOR_Format(code, 40, decimals)));
    if (text.empty() || text.find('*') != std::string::npos) return NumberKey(value);
    return text;
}

const ChartColumn* SourceTable::Column(const std::string& name) const {
    if (!table) return nullptr;
    for (const ChartColumn& column : table->columns) {
        if (column.name == name) return &column;
    }
    return nullptr;
}

namespace {

// The attributes a variable (a source, graph or derived variable) reads.
enum VariableAttribute {
    kId,
    kColumn,
    kType,
    kLabel,
    kMeasurement,
    kCategorical,
    kCategoryOrder,
    kValue,
    kSourceVariable,
    kVariableAttributes
};
constexpr std::string_view kVariableAttributeNames[kVariableAttributes] = {
    "id",          "column",        "type",  "label",         "measurement",
    "categorical", "categoryOrder", "value", "sourceVariable"};

}  // namespace

ChartData::ChartData(pugi::xml_node root, const std::vector<ChartDataSource>& data) {
    // Data sources and their source variables.
    for (pugi::xml_node source : root.children("dataSource")) {
        auto table = std::make_unique<SourceTable>();
        table->id = source.attribute("id").value();
        for (const ChartDataSource& candidate : data) {
            if (candidate.name != table->id) continue;
            table->table = &candidate;
            for (const ChartColumn& column : candidate.columns)
                table->rows = std::max(table->rows, column.cells.size());
            break;
        }
        for (pugi::xml_node sv : source.children("sourceVariable")) {
            const auto attributes = FirstAttributes(sv, kVariableAttributeNames);
            auto var = std::make_unique<Var>();
            var->kind = Var::Kind::Source;
            var->id = attributes[kId].value();
            var->node = sv;
            var->column = attributes[kColumn] ? attributes[kColumn].value() : var->id;
            const std::string_view type = attributes[kType].value();
            var->read = type == "number"   ? Var::Read::Number
                        : type == "string" ? Var::Read::Text
                                           : Var::Read::AsStored;
            var->home = table.get();
            AddId(fSourceVars, var->id, var.get());
            fVars.push_back(std::move(var));
        }
        fSources.push_back(std::move(table));
    }
    // Graph variables and derived variables.
    for (pugi::xml_node node : root.children()) {
        const std::string_view tag = node.name();
        if (tag != "variable" && tag != "derivedVariable") continue;
        const auto attributes = FirstAttributes(node, kVariableAttributeNames);
        auto var = std::make_unique<Var>();
        var->id = attributes[kId].value();
        var->node = node;
        var->label = attributes[kLabel].value();
        var->measurement = attributes[kMeasurement].value();
        if (pugi::xml_attribute a = attributes[kCategorical]) var->categoricalAttr = a.as_bool() ? 1 : 0;
        var->format = ReadFormat(node);
        if (attributes[kCategoryOrder]) {
            const std::string_view order = attributes[kCategoryOrder].value();
            size_t start = 0;
            while (start <= order.size()) {
                const size_t end = std::min(order.find(';', start), order.size());
                var->categoryOrder.emplace_back(order.substr(start, end - start));
                start = end + 1;
            }
        }
        if (tag == "derivedVariable") {
            var->kind = Var::Kind::Derived;
            var->baseRef = attributes[kValue].value();
            for (pugi::xml_node format : node.children("format")) {
                for (pugi::xml_node relabel : format.children("relabel")) {
                    var->relabels[relabel.attribute("from").value()] = relabel.attribute("to").value();
                }
            }
        } else if (pugi::xml_node categorize = node.child("categorize")) {
            var->kind = Var::Kind::Categorized;
            var->baseRef = categorize.attribute("variable").value();
            for (pugi::xml_node when : categorize.children("when")) {
                Var::When rule;
                rule.category = when.attribute("category").value();
                rule.hasGreater = ParseNumber(when.attribute("greaterThan").value(), rule.greater);
                rule.hasLess = ParseNumber(when.attribute("lessThan").value(), rule.less);
                rule.hasEqual = ParseNumber(when.attribute("equal").value(), rule.equal);
                var->whens.push_back(rule);
            }
        } else {
            var->kind = Var::Kind::Graph;
            if (const Var* sv = FindId(fSourceVars, attributes[kSourceVariable].value())) {
                var->column = sv->column;
                var->read = sv->read;
                var->home = sv->home;
            }
        }
        if (var->kind != Var::Kind::Derived) {
            for (pugi::xml_node relabel : node.children("relabel")) {
                var->relabels[relabel.attribute("from").value()] = relabel.attribute("to").value();
            }
        }
        AddId(fGraphVars, var->id, var.get());  // the first of an id counts
        fVars.push_back(std::move(var));
    }
    // References may name variables defined later.
    for (auto& var : fVars) {
        if (var->kind == Var::Kind::Categorized || var->kind == Var::Kind::Derived)
            var->base = Find(var->baseRef);
    }
}

void ChartData::AddId(Ids& ids, std::string_view id, const Var* var) {
    if (!FindId(ids, id)) ids.emplace_back(id, var);
}

const Var* ChartData::FindId(const Ids& ids, std::string_view id) {
    for (const auto& [known, var] : ids) {
        if (known == id) return var;
    }
    return nullptr;
}

const Var* ChartData::Find(std::string_view ref) const {
    if (ref.empty()) return nullptr;
    if (const Var* graph = FindId(fGraphVars, ref)) return graph;
    return FindId(fSourceVars, ref);
}

const SourceTable* ChartData::Source(const std::string& id) const {
    for (const auto& source : fSources) {
        if (source->id == id) return source.get();
    }
    return nullptr;
}

bool ChartData::HasData() const {
    for (const auto& source : fSources) {
        if (source->rows > 0) return true;
    }
    return false;
}

const SourceTable* ChartData::Home(const Var& v) const {
    const Var* var = &v;
    for (int depth = 0; var && depth < kMaxDepth; ++depth) {
        if (var->kind == Var::Kind::Source || var->kind == Var::Kind::Graph) return var->home;
        var = var->base;
    }
    return nullptr;
}

Cell ChartData::Value(const Var& v, const SourceTable& s, size_t row) const {
    return ValueAt(v, s, row, 0);
}

Cell ChartData::ValueAt(const Var& v, const SourceTable& s, size_t row, int depth) const {
    if (depth > kMaxDepth) return {};
    switch (v.kind) {
        case Var::Kind::Derived:
            return v.base ? ValueAt(*v.base, s, row, depth + 1) : Cell();
        case Var::Kind::Categorized: {
            if (!v.base) return {};
            const Cell source = ValueAt(*v.base, s, row, depth + 1);
            if (!source.IsNumber()) return {};
            for (const Var::When& rule : v.whens) {
                if (rule.hasGreater && !(source.number > rule.greater)) continue;
                if (rule.hasLess && !(source.number < rule.less)) continue;
                if (rule.hasEqual && !(source.number == rule.equal)) continue;
                return Cell::Of(rule.category);
            }
            return {};
        }
        case Var::Kind::Source:
        case Var::Kind::Graph:
            break;
    }
    const ChartColumn* column = v.ColumnIn(s);
    if (!column || row >= column->cells.size()) return {};
    const ChartDatum& datum = column->cells[row];
    const double* number = std::get_if<double>(&datum);
    const std::string* text = std::get_if<std::string>(&datum);
    if (v.read == Var::Read::Number) {
        if (number) return Cell::Of(*number);
        double parsed = 0;
        if (text && ParseNumber(*text, parsed)) return Cell::Of(parsed);
        return {};
    }
    if (v.read == Var::Read::Text) {
        if (number) return IsMissingNumber(*number) ? Cell() : Cell::Of(NumberKey(*number));
        if (text) return Cell::Of(*text);
        return {};
    }
    if (number) return Cell::Of(*number);
    if (text) return Cell::Of(*text);
    return {};
}

std::string ChartData::Shown(const Var& v, const Cell& value) const { return ShownAt(v, value, 0); }

std::string ChartData::ShownAt(const Var& v, const Cell& value, int depth) const {
    if (value.Missing() || depth > kMaxDepth) return {};
    // (Most variables have no relabels: their values' key texts are not made.)
    const auto relabel = v.relabels.empty() ? v.relabels.end() : v.relabels.find(KeyText(value));
    std::string text;
    if (relabel != v.relabels.end()) {
        text = relabel->second;
    } else if (v.kind == Var::Kind::Derived) {
        return v.base ? ShownAt(*v.base, value, depth + 1) : KeyText(value);
    } else if (value.IsNumber()) {
        text = FormatNumber(value.number, v.format);
    } else {
        text = value.text;
    }
    if (v.format.prefix.empty() && v.format.suffix.empty()) return text;
    return v.format.prefix + text + v.format.suffix;
}

const std::vector<Cell>& ChartData::Categories(const Var& v, const SourceTable& s) const {
    const auto key = std::make_pair(&v, &s);
    auto cached = fCategories.find(key);
    if (cached != fCategories.end()) return cached->second;
    std::map<std::string, Cell> byKey;
    std::vector<std::pair<double, std::string>> numbers;
    std::vector<std::string> texts;
    for (size_t row = 0; row < s.rows; ++row) {
        const Cell cell = Value(v, s, row);
        if (cell.Missing()) continue;
        const std::string keyText = KeyText(cell);
        if (!byKey.emplace(keyText, cell).second) continue;
        if (cell.IsNumber())
            numbers.emplace_back(cell.number, keyText);
        else
            texts.push_back(keyText);
    }
    std::vector<Cell> ordered;
    std::set<std::string> placed;
    auto place = [&](const std::string& keyText) {
        if (byKey.count(keyText) && placed.insert(keyText).second) ordered.push_back(byKey[keyText]);
    };
    for (const std::string& listed : v.categoryOrder) place(listed);
    std::sort(numbers.begin(), numbers.end());
    for (const auto& number : numbers) place(number.second);
    for (const std::string& text : texts) place(text);
    return fCategories.emplace(key, std::move(ordered)).first->second;
}

bool ChartData::IsCategorical(const Var& v) const {
    if (v.kind == Var::Kind::Derived || v.kind == Var::Kind::Categorized) return true;
    if (v.categoricalAttr == 1) return true;
    if (v.categoricalAttr < 0 && (v.measurement == "nominal" || v.measurement == "ordinal")) return true;
    // A continuous variable whose column holds a text that is no number.
    auto known = fTextValued.find(&v);
    if (known != fTextValued.end()) return known->second;
    bool textValued = false;
    if (v.home) {
        for (size_t row = 0; row < v.home->rows && !textValued; ++row)
            textValued = Value(v, *v.home, row).IsText();
    }
    fTextValued.emplace(&v, textValued);
    return textValued;
}

bool ChartData::IsDate(const Var& v) const { return !IsCategorical(v) && IsDateFormat(v.format.type); }

std::string ChartData::Label(const Var& v) const {
    const Var* var = &v;
    for (int depth = 0; var && depth < kMaxDepth; ++depth) {
        if (!var->label.empty()) return var->label;
        if (var->kind != Var::Kind::Derived) break;
        var = var->base;
    }
    return {};
}

}  // namespace render
}  // namespace npar
