// Finding the cause of a failed read. The checks follow the reader's order so
// that the first fault found is the one that stopped it; where a reader
// tolerates something (a test it has no record for, a table it does not
// read), so do these checks.
#include "SplitDiagnosis.h"

#include <algorithm>
#include <optional>

#include <pugixml.hpp>

namespace report {
namespace {

using Cause = std::optional<std::string>;

constexpr int kMaxTableNesting = 256;

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool HasAttribute(const pugi::xml_node& node, const char* name) {
    return static_cast<bool>(node.attribute(name));
}

// ---------------------------------------------------------------------------
// Syntax

Cause SyntaxCause(const std::string& text, const pugi::xml_parse_result& result) {
    if (result.status == pugi::status_ok) return std::nullopt;
    const size_t offset = std::min(static_cast<size_t>(std::max<ptrdiff_t>(result.offset, 0)),
                                   text.size());
    size_t line = 1;
    size_t column = 1;
    // A byte order mark is counted in the offset but is no column.
    const size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? std::min<size_t>(3, offset) : 0;
    for (size_t i = start; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++column;  // columns count characters, not the bytes of one
        }
    }
    return "XML syntax error at line " + std::to_string(line) + ", column " +
           std::to_string(column) + ": " + result.description();
}

// ---------------------------------------------------------------------------
// Generic tables

Cause SimpleTableCause(const pugi::xml_node& simple) {
    if (!HasAttribute(simple, "name")) return std::string("a SimpleTable has no \"name\"");
    const std::string label = "SimpleTable " + Quoted(simple.attribute("name").value());
    if (!simple.child("RowNames")) return label + " has no RowNames";
    if (!simple.child("ColumnNames")) return label + " has no ColumnNames";
    return std::nullopt;
}

// A StructuredTable read whole, with every Attribute, SimpleTable and nested
// StructuredTable in document order. depth is the table's nesting level.
Cause TableContentCause(const pugi::xml_node& table, int depth) {
    if (depth >= kMaxTableNesting)
        return "StructuredTables are nested deeper than " + std::to_string(kMaxTableNesting) +
               " levels";
    if (!HasAttribute(table, "name"))
        return std::string(depth == 0 ? "a StructuredTable" : "a nested StructuredTable") +
               " has no \"name\"";
    for (pugi::xml_node child = table.first_child(); child; child = child.next_sibling()) {
        const std::string tag = child.name();
        Cause cause;
        if (tag == "Attribute" && !HasAttribute(child, "name"))
            cause = depth == 0 ? std::string("an Attribute has no \"name\"")
                               : "an Attribute of the nested StructuredTable " +
                                     Quoted(table.attribute("name").value()) + " has no \"name\"";
        else if (tag == "SimpleTable")
            cause = SimpleTableCause(child);
        else if (tag == "StructuredTable")
            cause = TableContentCause(child, depth + 1);
        if (cause) return cause;
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// Tests

// How the reader of a test reads one of the test's tables.
enum class TableRead {
    Whole,             // the generic structured-table reader
    FirstSimpleTable,  // only its first SimpleTable, which must be there
    SimpleTables,      // its SimpleTables, at least one
    Attributes,        // its Attribute list, at least one
    NameOnly,          // an unknown table: reported, needs only its name
    Nothing            // not looked at
};

bool IsPairwise(const std::string& table) {
    return table == "PairwiseResult" || table == "StepwiseResult";
}

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

bool OneOf(const std::string& text, std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(), [&](const char* name) { return text == name; });
}

// The tests that have a record; the reader skips an Algorithm of any other
// name whole.
bool HasRecord(const std::string& test) {
    return OneOf(test, {"OChiSquare", "OBinomial", "ORuns", "OWilcoxonSignedRanks",
                        "OEstimateConfidenceInterval", "OKolmogorovSmirnov", "RSign",
                        "RWilcoxonSignedRanks", "RCochransQ", "RMcNemar",
                        "RFriedmansTwoWayByRanks", "RKendallsCoefficient", "RMarginalHomogeneity",
                        "RHodgesLehmannEstimatePairs", "IHodgesLehmannEstimateGroups", "IMoses",
                        "IMannWhitneyU", "IWaldWolfowitzRuns", "IKolmogorovSmirnov",
                        "IKruskalWallis", "IJonckheereTerpstra", "IMedian"});
}

TableRead TestTableRead(const std::string& test, const std::string& table) {
    if (OneOf(test, {"OWilcoxonSignedRanks", "OEstimateConfidenceInterval", "RSign",
                     "RWilcoxonSignedRanks", "RMcNemar", "RMarginalHomogeneity"}))
        return TableRead::Whole;
    if (OneOf(test, {"OKolmogorovSmirnov", "RHodgesLehmannEstimatePairs",
                     "IHodgesLehmannEstimateGroups"}))
        return TableRead::Nothing;
    if (OneOf(test, {"OChiSquare", "OBinomial"}) && table == "TwoClassComparison")
        return TableRead::FirstSimpleTable;
    if (test == "ORuns" && table == "RunsParameters") return TableRead::Attributes;
    if (test == "RCochransQ" && table == "TwoClassComparison") return TableRead::FirstSimpleTable;
    if (OneOf(test, {"RCochransQ", "RFriedmansTwoWayByRanks", "RKendallsCoefficient",
                     "IKruskalWallis", "IJonckheereTerpstra", "IMedian"}) &&
        IsPairwise(table))
        return TableRead::SimpleTables;
    if (OneOf(test, {"RFriedmansTwoWayByRanks", "RKendallsCoefficient"}) &&
        Contains(table, "VariableInformation"))
        return TableRead::Whole;
    if (OneOf(test, {"IMoses", "IKruskalWallis", "IJonckheereTerpstra", "IMedian"}) &&
        table == "BoxPlotInfo")
        return TableRead::Whole;
    if (OneOf(test, {"IMannWhitneyU", "IWaldWolfowitzRuns", "IKolmogorovSmirnov"}) &&
        Contains(table, "Group"))
        return TableRead::Whole;
    return TableRead::NameOnly;
}

TableRead TableReadOf(const std::string& test, const std::string& table) {
    if (OneOf(table, {"Condition", "WarningMessages", "StatisticsResult"})) return TableRead::Whole;
    if (table == "ValsNotInTheCategoreis") return TableRead::Attributes;
    return TestTableRead(test, table);
}

Cause SimpleTablesCause(const pugi::xml_node& table, bool firstOnly) {
    pugi::xml_node simple = table.child("SimpleTable");
    if (!simple) return std::string("it has no SimpleTable");
    for (; simple; simple = firstOnly ? pugi::xml_node() : simple.next_sibling("SimpleTable")) {
        if (Cause cause = SimpleTableCause(simple)) return cause;
    }
    return std::nullopt;
}

Cause TestTableCause(const pugi::xml_node& table, const std::string& test) {
    const std::string name = table.attribute("name").value();
    switch (TableReadOf(test, name)) {
        case TableRead::Whole: return TableContentCause(table, 0);
        case TableRead::FirstSimpleTable: return SimpleTablesCause(table, true);
        case TableRead::SimpleTables: return SimpleTablesCause(table, false);
        case TableRead::Attributes:
            if (!table.child("Attribute")) return std::string("it has no Attribute");
            return std::nullopt;
        case TableRead::NameOnly:
            if (!HasAttribute(table, "name")) return std::string("a StructuredTable has no \"name\"");
            return std::nullopt;
        case TableRead::Nothing: return std::nullopt;
    }
    return std::nullopt;
}

Cause AlgorithmCause(const pugi::xml_node& algorithm, size_t position) {
    const std::string test = algorithm.attribute("name").value();
    if (!HasRecord(test)) return std::nullopt;
    const std::string label = "Algorithm " + std::to_string(position) + " (" + Quoted(test) + ")";
    if (!algorithm.child("StructuredTable")) return label + " has no StructuredTable";
    size_t index = 0;
    for (pugi::xml_node table = algorithm.child("StructuredTable"); table;
         table = table.next_sibling("StructuredTable")) {
        ++index;
        if (Cause cause = TestTableCause(table, test)) {
            const std::string tableLabel =
                HasAttribute(table, "name") ? Quoted(table.attribute("name").value())
                                            : std::to_string(index);
            return label + ", StructuredTable " + tableLabel + ": " + *cause;
        }
    }
    return std::nullopt;
}

Cause TestsCause(const pugi::xml_node& root) {
    const pugi::xml_node tests =
        root.child("Extension").child("NPAROutput").child("NonParametricTests");
    if (!tests) return std::string("there is no Extension/NPAROutput/NonParametricTests element");
    if (!tests.child("Algorithm")) return std::string("NonParametricTests has no Algorithm");
    size_t position = 0;
    for (pugi::xml_node algorithm = tests.child("Algorithm"); algorithm;
         algorithm = algorithm.next_sibling("Algorithm")) {
        if (Cause cause = AlgorithmCause(algorithm, ++position)) return cause;
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// Frame and field information

Cause FrameCause(const pugi::xml_node& root) {
    if (std::string(root.name()) != "StatXML")
        return "the root element is " + Quoted(root.name()) + ", not \"StatXML\"";
    const pugi::xml_node model = root.child("PMMLModel");
    if (!model) return std::string("there is no PMMLModel element");
    if (!HasAttribute(model, "modelType"))
        return std::string("the PMMLModel has no modelType (\"NonParametricTests\" expected)");
    const std::string type = model.attribute("modelType").value();
    if (type != "NonParametricTests")
        return "the PMMLModel's modelType is " + Quoted(type) + ", not \"NonParametricTests\"";
    if (!root.child("DescriptiveModel").child("DescriptiveSummary").child("Counts"))
        return std::string("there is no DescriptiveModel/DescriptiveSummary/Counts element");
    return std::nullopt;
}

Cause FieldInfoCause(const pugi::xml_node& info, size_t position) {
    const std::string label =
        "FieldInfo " + std::to_string(position) +
        (HasAttribute(info, "varIndex")
             ? std::string(" (varIndex ") + info.attribute("varIndex").value() + ")"
             : std::string());
    const pugi::xml_node table = info.child("StructuredTable");
    if (!table) return label + " has no StructuredTable";
    if (Cause cause = TableContentCause(table, 0)) return label + ": " + *cause;
    if (!table.child("SimpleTable"))
        return label + ": StructuredTable " + Quoted(table.attribute("name").value()) +
               " has no SimpleTable";
    return std::nullopt;
}

Cause FieldInfosCause(const pugi::xml_node& root) {
    const pugi::xml_node infos = root.child("Extension").child("NPAROutput").child("FieldInfos");
    if (!infos) return std::string("there is no Extension/NPAROutput/FieldInfos element");
    size_t position = 0;
    for (pugi::xml_node info = infos.child("FieldInfo"); info;
         info = info.next_sibling("FieldInfo")) {
        if (Cause cause = FieldInfoCause(info, ++position)) return cause;
    }
    return std::nullopt;
}

}  // namespace

std::string DiagnoseSplit(const std::string& documentText) {
    if (documentText.empty()) return "the document is empty";
    // Parsed as the host's DOM parses result documents.
    pugi::xml_document document;
    const pugi::xml_parse_result result = document.load_buffer(
        documentText.data(), documentText.size(), pugi::parse_default, pugi::encoding_utf8);
    if (Cause cause = SyntaxCause(documentText, result)) return *cause;
    const pugi::xml_node root = document.document_element();
    if (!root) return "the document holds no element";
    if (Cause cause = FrameCause(root)) return *cause;
    if (Cause cause = TestsCause(root)) return *cause;
    if (Cause cause = FieldInfosCause(root)) return *cause;
    return "the document's content could not be read";
}

}  // namespace report
