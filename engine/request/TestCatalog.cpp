// The catalogue of tests and the checks of a specification's shape.
#include "request/TestCatalog.h"

#include <algorithm>

#include "engine/NameHints.h"

namespace npar::engine {
namespace {

const std::vector<TestDefinition>& Definitions() {
    static const std::vector<TestDefinition> definitions = {
        {TestKind::ChiSquare,
         "chi-square",
         Family::OneSample,
         1,
         0,
         {"expected"},
         "FIELD... [expected=W1,W2,...]",
         "one sample: categories occur with equal or given proportions"},
        {TestKind::Binomial,
         "binomial",
         Family::OneSample,
         1,
         0,
         {"p", "success", "cut"},
         "FIELD... [p=0.5] [success=VALUE | cut=NUMBER]",
         "one sample: exact binomial test of a proportion"},
        {TestKind::Runs,
         "runs",
         Family::OneSample,
         1,
         0,
         {"cut"},
         "FIELD... [cut=median|mean|NUMBER]",
         "one sample: randomness of the sequence about a cut point"},
        {TestKind::OneSampleWilcoxon,
         "wilcoxon",
         Family::OneSample,
         1,
         0,
         {"median"},
         "FIELD... median=NUMBER",
         "one sample: Wilcoxon signed rank test of the median"},
        {TestKind::OneSampleKs,
         "ks",
         Family::OneSample,
         1,
         0,
         {"dist", "mean", "sd", "min", "max"},
         "FIELD... dist=normal|uniform|poisson|exponential [mean= sd= | min= max= | mean=]",
         "one sample: Kolmogorov-Smirnov goodness of fit (Lilliefors for the normal with estimated "
         "parameters)"},
        {TestKind::SuccessRate,
         "success-rate",
         Family::OneSample,
         1,
         0,
         {"success", "cut", "methods"},
         "FIELD... [success=VALUE | cut=NUMBER] [methods=clopper-pearson,jeffreys,likelihood]",
         "one sample: confidence intervals of the success rate"},
        {TestKind::Sign,
         "sign",
         Family::Related,
         2,
         2,
         {},
         "A B",
         "related: sign test of the paired differences"},
        {TestKind::RelatedWilcoxon,
         "wilcoxon",
         Family::Related,
         2,
         2,
         {},
         "A B",
         "related: Wilcoxon signed rank test of the paired differences"},
        {TestKind::McNemar,
         "mcnemar",
         Family::Related,
         2,
         2,
         {"success"},
         "A B [success=VALUE]",
         "related: McNemar's test of change in a two-category outcome"},
        {TestKind::MarginalHomogeneity,
         "marginal-homogeneity",
         Family::Related,
         2,
         2,
         {},
         "A B",
         "related: marginal homogeneity of two ordered categorical fields"},
        {TestKind::Cochran,
         "cochran",
         Family::Related,
         3,
         0,
         {"success", "compare"},
         "A B C... [success=VALUE] [compare=all|stepwise|none]",
         "related: Cochran's Q test of k two-category outcomes"},
        {TestKind::Friedman,
         "friedman",
         Family::Related,
         3,
         0,
         {"compare"},
         "A B C... [compare=all|stepwise|none]",
         "related: Friedman's two-way analysis of variance by ranks"},
        {TestKind::Kendall,
         "kendall",
         Family::Related,
         3,
         0,
         {"compare"},
         "A B C... [compare=all|stepwise|none]",
         "related: Kendall's coefficient of concordance W"},
        {TestKind::RelatedHodgesLehmann,
         "hodges-lehmann",
         Family::Related,
         2,
         2,
         {},
         "A B",
         "related: Hodges-Lehmann estimate of the median difference, with its interval"},
        {TestKind::MannWhitney,
         "mann-whitney",
         Family::Independent,
         1,
         0,
         {"groups"},
         "FIELD... by GROUP [groups=V1,V2]",
         "independent: Mann-Whitney U test of two groups"},
        {TestKind::WaldWolfowitz,
         "wald-wolfowitz",
         Family::Independent,
         1,
         0,
         {"groups"},
         "FIELD... by GROUP [groups=V1,V2]",
         "independent: Wald-Wolfowitz runs test of two groups"},
        {TestKind::TwoSampleKs,
         "ks",
         Family::Independent,
         1,
         0,
         {"groups"},
         "FIELD... by GROUP [groups=V1,V2]",
         "independent: two-sample Kolmogorov-Smirnov test"},
        {TestKind::Moses,
         "moses",
         Family::Independent,
         1,
         0,
         {"trim", "outliers", "control", "groups"},
         "FIELD... by GROUP [trim=0.05 | outliers=N] [control=VALUE] [groups=V1,V2]",
         "independent: Moses test of extreme reactions"},
        {TestKind::IndependentHodgesLehmann,
         "hodges-lehmann",
         Family::Independent,
         1,
         0,
         {"groups"},
         "FIELD... by GROUP [groups=V1,V2]",
         "independent: Hodges-Lehmann estimate of the difference of two groups, with its interval"},
        {TestKind::KruskalWallis,
         "kruskal-wallis",
         Family::Independent,
         1,
         0,
         {"compare"},
         "FIELD... by GROUP [compare=all|stepwise|none]",
         "independent: Kruskal-Wallis H test of k groups"},
        {TestKind::Jonckheere,
         "jonckheere-terpstra",
         Family::Independent,
         1,
         0,
         {"order", "compare"},
         "FIELD... by GROUP [order=ascending|descending] [compare=all|stepwise|none]",
         "independent: Jonckheere-Terpstra test for ordered alternatives"},
        {TestKind::MedianTest,
         "median",
         Family::Independent,
         1,
         0,
         {"median", "compare"},
         "FIELD... by GROUP [median=pooled|NUMBER] [compare=all|stepwise|none]",
         "independent: median test of k groups"},
        {TestKind::OneSampleAuto,
         "one-sample",
         Family::OneSample,
         1,
         0,
         {},
         "FIELD...",
         "chosen per field: binomial (two categories), chi-square (categorical), ks normal "
         "(continuous)"},
        {TestKind::RelatedAuto,
         "related",
         Family::Related,
         2,
         0,
         {},
         "A B [C...]",
         "chosen from the fields: wilcoxon or friedman (continuous), mcnemar or cochran (two "
         "categories), marginal-homogeneity (more categories, two fields)"},
        {TestKind::IndependentAuto,
         "independent",
         Family::Independent,
         1,
         0,
         {},
         "FIELD... by GROUP",
         "chosen from the groups: mann-whitney (two), kruskal-wallis (more)"},
    };
    return definitions;
}

std::string JoinNames(const std::vector<const TestDefinition*>& found) {
    std::string text;
    for (const TestDefinition* definition : found) {
        if (!text.empty()) text += ", ";
        text += definition->usage;
    }
    return text;
}

// The forms of a test name shared across families, each with its usage:
// "wilcoxon FIELD... median=NUMBER; wilcoxon A B".
std::string FormsText(const std::vector<const TestDefinition*>& forms) {
    std::string text;
    for (const TestDefinition* definition : forms) {
        if (!text.empty()) text += "; ";
        text += std::string(definition->name) + " " + definition->usage;
    }
    return text;
}

// forms: the name's forms when it has more than one, named in the message
// about a wrong number of fields (one field for "wilcoxon" may have meant
// the one-sample test).
void CheckShape(const TestDefinition& definition, const TestSpec& spec, const std::string& forms) {
    const std::string context = "test \"" + spec.text + "\"";
    if (definition.family == Family::Independent && !spec.hasGroup)
        throw UsageError(context + ": " + definition.name +
                         " needs a grouping field: " + definition.name + " " + definition.usage);
    if (definition.family != Family::Independent && spec.hasGroup)
        throw UsageError(context + ": " + definition.name + " takes no grouping field (\"by\")");
    const size_t count = spec.fields.size();
    if (count < definition.minFields || (definition.maxFields && count > definition.maxFields)) {
        std::string need = definition.maxFields == definition.minFields
                               ? "exactly " + std::to_string(definition.minFields)
                               : "at least " + std::to_string(definition.minFields);
        std::string hint;
        if (definition.family == Family::Related && definition.minFields == 3)
            hint = " (for two fields use sign, wilcoxon or mcnemar)";
        else if (!forms.empty())
            hint = " (its forms: " + forms + ")";
        throw UsageError(
            context + ": " + definition.name + " needs " + need +
            (definition.minFields == 1 && definition.maxFields != 1 ? " field" : " fields") + ", not " +
            std::to_string(count) + hint);
    }
    for (size_t i = 0; i < spec.fields.size(); ++i) {
        for (size_t j = i + 1; j < spec.fields.size(); ++j) {
            if (spec.fields[i] == spec.fields[j])
                throw UsageError(context + ": field \"" + spec.fields[i] + "\" is listed twice");
        }
        if (spec.hasGroup && spec.fields[i] == spec.group)
            throw UsageError(context + ": field \"" + spec.group +
                             "\" cannot be both tested and the grouping field");
    }
    for (const SpecOption& option : spec.options) {
        if (std::find(definition.options.begin(), definition.options.end(), option.key) ==
            definition.options.end()) {
            std::string known;
            for (const std::string& key : definition.options)
                known += (known.empty() ? "" : ", ") + key + "=";
            throw UsageError(context + ": " + definition.name + " has no option " + option.key + "=" +
                             (known.empty() ? " (it takes none)" : " (its options: " + known + ")"));
        }
    }
}

}  // namespace

const TestDefinition& DefinitionFor(const TestSpec& spec) {
    std::vector<const TestDefinition*> found;
    for (const TestDefinition& definition : Definitions()) {
        if (spec.name == definition.name) found.push_back(&definition);
    }
    if (found.empty()) {
        std::vector<std::string> names;
        for (const TestDefinition& definition : Definitions()) {
            if (std::find(names.begin(), names.end(), definition.name) == names.end())
                names.push_back(definition.name);
        }
        throw UsageError("test " + Quoted(spec.text) + ": unknown test " + Quoted(spec.name) +
                         HintAfter(spec.name, names, "npar-report --list-tests lists the tests"));
    }
    const TestDefinition* chosen = found.front();
    if (found.size() > 1) {
        // Names shared across families: "by" picks the independent-samples
        // test, median= the one-sample Wilcoxon test.
        for (const TestDefinition* definition : found) {
            const bool independent = definition->family == Family::Independent;
            if (spec.hasGroup == independent) chosen = definition;
        }
        if (chosen->kind == TestKind::RelatedWilcoxon && spec.Option("median"))
            chosen = &DefinitionOf(TestKind::OneSampleWilcoxon);
        else if (chosen->kind == TestKind::OneSampleWilcoxon && !spec.Option("median"))
            chosen = &DefinitionOf(TestKind::RelatedWilcoxon);
        if (spec.hasGroup && chosen->family != Family::Independent)
            throw UsageError("test \"" + spec.text + "\": " + spec.name +
                             " takes no grouping field; its forms: " + JoinNames(found));
    }
    CheckShape(*chosen, spec, found.size() > 1 ? FormsText(found) : std::string());
    return *chosen;
}

const TestDefinition& DefinitionOf(TestKind kind) {
    for (const TestDefinition& definition : Definitions()) {
        if (definition.kind == kind) return definition;
    }
    return Definitions().front();
}

std::string TestListText() {
    std::string text;
    for (const TestDefinition& definition : Definitions()) {
        std::string line = std::string(definition.name) + " " + definition.usage;
        if (line.size() < 60)
            line.resize(60, ' ');
        else
            line += "  ";
        text += line + definition.purpose + "\n";
    }
    return text;
}

}  // namespace npar::engine
