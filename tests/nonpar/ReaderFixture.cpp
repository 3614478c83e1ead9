#include "ReaderFixture.h"

namespace nopr_test {

const char* const kDictionary = R"(<DataDictionary>
  <DataField index="0" name="score" displayName="Test score" optype="continuous" dataType="double"/>
  <DataField index="1" name="group" displayName="Group" optype="categorical" dataType="integer">
    <Value index="0" value="1" displayValue="Control"/>
    <Value index="1" value="2" displayValue="Treatment"/>
  </DataField>
  <DataField index="2" name="region" displayName="" optype="categorical" dataType="string">
    <Value index="0" value="North" displayValue="North"/>
    <Value index="1" value="South" displayValue="South"/>
  </DataField>
  <DataField index="3" name="id" displayName="Case" optype="continuous" dataType="integer"/>
</DataDictionary>)";

std::string MakeDocument(const std::string& algorithms, const std::string& dictionary,
                         const std::string& fieldInfos) {
    return R"(<StatXML><PMMLModel modelType="NonParametricTests"/>
<DescriptiveModel><DescriptiveSummary><Counts totalFreq="40" totalCount="38" droppedCount="2" badWeightCount="1" droppedFreq="3"/></DescriptiveSummary></DescriptiveModel>
<Extension><NPAROutput>)" +
           dictionary +
           R"(<NonParametricTests number="3" sigLevel="0.05" confidenceLevel="0.95" missingTreatment="listwise">)" +
           algorithms + "</NonParametricTests>" + fieldInfos + "</NPAROutput></Extension></StatXML>";
}

std::string Algorithm(const std::string& name, const std::string& family, const std::string& tables,
                      const std::string& decision) {
    return "<Algorithm name=\"" + name + "\" classification=\"" + family + "\" decision=\"" + decision +
           "\">" + tables + "</Algorithm>";
}

std::string Table(const std::string& name, const std::string& content) {
    return "<StructuredTable name=\"" + name + "\">" + content + "</StructuredTable>";
}

std::string Attribute(const std::string& name, const std::string& value) {
    return "<Attribute name=\"" + name + "\" value=\"" + value + "\"/>";
}

std::string Simple(const std::string& name, const std::string& rowNames, const std::string& columnNames,
                   const std::vector<std::string>& rows) {
    std::string text = "<SimpleTable name=\"" + name + "\"><RowNames>" + rowNames +
                       "</RowNames><ColumnNames>" + columnNames + "</ColumnNames>";
    for (const auto& row : rows) text += "<Row>" + row + "</Row>";
    return text + "</SimpleTable>";
}

std::unique_ptr<ProcedureDataSource> MakeDataSource() {
    auto dataSource = std::make_unique<ProcedureDataSource>();
    dataSource->AddVariable(QUOR_Variable("score", "Test score", 0, QUOR_Format(5, 8, 2)));
    QUOR_Variable group("group", "Group", 0, QUOR_Format(5, 8, 0));
    group.ValueLabels().Add(OBS(1.0), "Control");
    group.ValueLabels().Add(OBS(2.0), "Treatment");
    dataSource->AddVariable(group);
    dataSource->AddVariable(QUOR_Variable("region", "", 8, QUOR_Format(1, 8, 0)));
    dataSource->AddVariable(QUOR_Variable("id", "Case", 0, QUOR_Format(5, 8, 0)));
    return dataSource;
}

ReadOutcome Read(const std::string& document, const QUOR_DataSource* dataSource) {
    ReadOutcome outcome;
    npar::OutputDocument output;
    npar::Catalogue catalogue;
    CFTakeCheckReports();
    {
        BpProcedure procedure(output, catalogue);
        outcome.results->fDataSource = dataSource;
        NOPRParseOutXML reader(dataSource, outcome.results.get(), &document);
        outcome.ok = reader.Parse();
    }
    for (const auto& item : output.Root().children) {
        if (item->kind == npar::OutputItem::Kind::Error) outcome.errors.push_back(item->text);
    }
    outcome.checks = CFTakeCheckReports();
    return outcome;
}

}  // namespace nopr_test
