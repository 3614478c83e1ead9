#include "OutputFixture.h"

#include "BpOutput.h"
#include "FacSTDictionary.h"
#include "NOPRProcCustom.h"
#include "OutputDocument.h"

namespace nopr_test {

RunOutcome RunSplits(const std::vector<SplitSpec>& splits, ProcedureDataSource* dataSource) {
    RunOutcome outcome;
    npar::OutputDocument output;
    npar::Catalogue catalogue;
    catalogue.Load(std::string(NPAR_SOURCE_DIR) + "/resources/catalogue/en.txt");
    PathFactory::SetResourceDirectory(std::string(NPAR_SOURCE_DIR) + "/resources");
    CFTakeCheckReports();

    std::vector<std::unique_ptr<CFSplit>> records;
    std::vector<CFSplit*> pointers;
    for (const SplitSpec& spec : splits) {
        std::vector<const OBS*> values;
        for (const OBS& value : spec.values) values.push_back(&value);
        records.push_back(
            std::make_unique<CFSplit>(spec.document, spec.variables, values, spec.splitHeadings));
        if (spec.search) records.back()->KeepFoundChildren(*spec.search);
        pointers.push_back(records.back().get());
    }
    {
        BpProcedure procedure(output, catalogue);
        procedure.SetDataSource(dataSource);
        NOPRProcCustom plugin(&procedure, dataSource);
        std::vector<std::string> pmml;
        outcome.ok = plugin.ProcessSplits(pmml, pointers, nullptr);
    }
    output.ok = outcome.ok;
    outcome.json = output_query::ToJson(output);
    outcome.checks = CFTakeCheckReports();
    for (const auto& record : records) outcome.textsAfter.push_back(record->DocumentText());
    return outcome;
}

std::vector<output_query::Json> DrawCharts(const std::function<void(FacSTDictionary& dictionary)>& draw,
                                           const std::string& resources) {
    npar::OutputDocument output;
    npar::Catalogue catalogue;
    PathFactory::SetResourceDirectory(resources);
    FacSTDictionary dictionary(PathFactory::getPathInstance(3)->StringTableFile());
    dictionary.SetProcedure("Nonparametric Tests");
    {
        BpProcedure procedure(output, catalogue);
        draw(dictionary);
    }
    PathFactory::SetResourceDirectory(ProjectResources());
    return output_query::Items(output_query::ToJson(output), "chart");
}

RunOutcome RunDocument(const std::string& document, ProcedureDataSource* dataSource) {
    return RunSplits({SplitSpec{document, {}, {}, false}}, dataSource);
}

}  // namespace nopr_test
