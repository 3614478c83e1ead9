// Chart service: templates, the chart document over its DOM, the graph's texts
// and variables, and sending the chart into the output document.
#include "XDocument.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <unordered_map>

#include "BpOutput.h"
#include "FacSTDictionary.h"
#include "OutputDocument.h"
#include "QUOR_DataSource.h"
#include "VarDataProcessor.h"
#include "ViZModel.h"
#include "chart/ChartDocument.h"
#include "chart/ChartUnicode.h"

namespace {

// The template fetched last and not yet taken by a document (the views fetch
// a template and make its document right after), with the name attribute of
// its root, by which the document made from it is recognised.
struct PendingTemplate {
    std::string fileName;
    std::string rootName;
};

PendingTemplate& Pending() {
    static PendingTemplate pending;
    return pending;
}

std::string RootName(const std::string& text) {
    pugi::xml_document dom;
    dom.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
    return dom.document_element().attribute("name").value();
}

// A template file as last read, with its size and time of change then.
struct CachedTemplate {
    off_t size = 0;
    timespec changed{};
    std::string text;
    std::string rootName;  // RootName of the text
};

// The template file at path, read again only when its size or time of
// change differs from the cached one's: every chart fetches its template
// afresh, and a run draws thousands from a few dozen. Null when it is not a
// regular file or cannot be read.
const CachedTemplate* TemplateAt(const std::string& path) {
    static std::unordered_map<std::string, CachedTemplate> templates;
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return nullptr;
    const auto found = templates.find(path);
    if (found != templates.end() && found->second.size == status.st_size &&
        found->second.changed.tv_sec == status.st_mtim.tv_sec &&
        found->second.changed.tv_nsec == status.st_mtim.tv_nsec)
        return &found->second;
    std::ifstream in(path, std::ios::binary);
    if (!in) return nullptr;
    CachedTemplate read{status.st_size, status.st_mtim, std::string(), std::string()};
    read.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) return nullptr;
    if (!read.text.empty()) read.rootName = RootName(read.text);
    return &(templates[path] = std::move(read));
}

// Document-wide elements at the head of the root, in this order.
constexpr const char* kHeadOrder[] = {"extension", "title", "subtitle", "footnote", "frame"};

int HeadRank(const char* tag) {
    for (int i = 0; i < static_cast<int>(std::size(kHeadOrder)); ++i) {
        if (std::strcmp(kHeadOrder[i], tag) == 0) return i;
    }
    return -1;
}

// The root's child element tag, made among the head elements when absent.
pugi::xml_node HeadElement(pugi::xml_node root, const char* tag) {
    if (!root) return {};
    pugi::xml_node found = root.child(tag);
    if (found) return found;
    const int rank = HeadRank(tag);
    pugi::xml_node after;
    for (pugi::xml_node child : root.children()) {
        const int childRank = child.type() == pugi::node_element ? HeadRank(child.name()) : -1;
        if (childRank >= 0 && childRank < rank) after = child;
    }
    return after ? root.insert_child_after(tag, after) : root.prepend_child(tag);
}

// The text of the root's <tag><text>, as the chart shows it.
std::string HeadText(pugi::xml_node root, const char* tag) {
    return root.child(tag).child("text").text().get();
}

// Every line of a head element, one <text> each (a footnote may have more
// than one), joined by line feeds.
std::string HeadLines(pugi::xml_node root, const char* tag) {
    std::string lines;
    for (pugi::xml_node line : root.child(tag).children("text")) {
        if (!lines.empty()) lines += '\n';
        lines += line.text().get();
    }
    return lines;
}

std::string NumberText(double value) { return ChartString().assignDouble(value, 16).toUTF8(); }

std::string FormatTypeName(int type) {
    switch (type) {
        case QUOR_Format::A:
            return "A";
        case QUOR_Format::COMMA:
            return "COMMA";
        case QUOR_Format::DOLLAR:
            return "DOLLAR";
        case QUOR_Format::F:
            return "F";
        case QUOR_Format::E:
            return "E";
        case QUOR_Format::DATE:
            return "DATE";
        case QUOR_Format::TIME:
            return "TIME";
        case QUOR_Format::DATETIME:
            return "DATETIME";
        case QUOR_Format::ADATE:
            return "ADATE";
        case QUOR_Format::JDATE:
            return "JDATE";
        case QUOR_Format::DTIME:
            return "DTIME";
        case QUOR_Format::WKDAY:
            return "WKDAY";
        case QUOR_Format::MONTH:
            return "MONTH";
        case QUOR_Format::MOYR:
            return "MOYR";
        case QUOR_Format::QYR:
            return "QYR";
        case QUOR_Format::WKYR:
            return "WKYR";
        case QUOR_Format::PCT:
            return "PCT";
        case QUOR_Format::DOT:
            return "DOT";
        case QUOR_Format::EDATE:
            return "EDATE";
        case QUOR_Format::SDATE:
            return "SDATE";
        default:
            return "F";
    }
}

std::string TrimTrailingBlanks(std::string text) {
    const size_t end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

std::string TrimBlanks(const std::string& text) {
    const size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return {};
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

// A value as the chart prints it: numbers in their shortest form, strings
// without trailing blanks.
std::string ValueKey(const OBS& value) {
    return value.IsString() ? TrimTrailingBlanks(value.GetString()) : NumberText(value.GetNumber());
}

// The variable's <format> child, made as its first child when absent.
pugi::xml_node FormatElement(pugi::xml_node variable) {
    pugi::xml_node format = variable.child("format");
    return format ? format : variable.prepend_child("format");
}

struct StringWriter : pugi::xml_writer {
    std::string text;
    void write(const void* data, size_t size) override {
        text.append(static_cast<const char*>(data), size);
    }
};

}  // namespace

// ---------------------------------------------------------------------------
// XVariable

XVariable::XVariable(XDocumentData* document, pugi::xml_node_struct* node)
    : fDocument(document), fNode(node) {}

namespace {

// Sets the relabel of key: replaces the label of an existing relabel with the
// same key unless keepExisting is set, else adds one at the end.
void Relabel(pugi::xml_node element, const std::string& key, const std::string& label,
             bool keepExisting) {
    if (!element) return;
    for (pugi::xml_node relabel : element.children("relabel")) {
        if (key == relabel.attribute("from").value()) {
            if (!keepExisting) chart::SetAttribute(relabel, "to", label);
            return;
        }
    }
    pugi::xml_node relabel = element.append_child("relabel");
    chart::SetAttribute(relabel, "from", key);
    chart::SetAttribute(relabel, "to", label);
}

}  // namespace

void XVariable::setQUORVariable(const QUOR_Variable* variable) {
    pugi::xml_node node = chart::Node(fNode);
    if (!node || !variable) return;
    if (fDocument) fDocument->variables[fNode] = variable;
    const QUOR_ValueLabelMap& labels = variable->GetValueLabels();
    chart::SetAttribute(node, "label", chart::XmlText(variable->GetPreferredLabel()));
    chart::SetAttribute(node, "measurement",
                        variable->GetType() != 0 || !labels.Empty() ? "nominal" : "scale");
    // Relabels the views set themselves win over the value labels.
    for (const auto& entry : labels.Entries()) {
        Relabel(node, chart::XmlText(ValueKey(entry.first)), chart::XmlText(entry.second), true);
    }
}

void XVariable::setFormatBasedOnQUORVariable(const QUOR_Variable* variable) {
    pugi::xml_node node = chart::Node(fNode);
    if (!node || !variable) return;
    const QUOR_Format& format = variable->GetFormat();
    pugi::xml_node element = FormatElement(node);
    chart::SetAttribute(element, "type", FormatTypeName(format.GetType()));
    chart::SetAttribute(element, "decimals", std::to_string(format.GetDecimals()));
    chart::SetAttribute(element, "width", std::to_string(format.GetWidth()));
}

void XVariable::setCategorical(bool categorical) {
    chart::SetAttribute(chart::Node(fNode), "categorical", categorical ? "true" : "false");
}

void XVariable::addRelabel(const ChartString& key, const ChartString& label) {
    Relabel(chart::Node(fNode), chart::Clean(key), chart::Clean(label), false);
}

void XVariable::addRelabel(const ChartString& key, const OBS& value) {
    if (!fNode) return;
    std::string label;
    const QUOR_Variable* variable = nullptr;
    if (fDocument) {
        auto found = fDocument->variables.find(fNode);
        if (found != fDocument->variables.end()) variable = found->second;
    }
    if (value.IsString()) {
        label = TrimTrailingBlanks(value.GetString());
    } else if (variable && variable->GetFormat().GetType() != QUOR_Format::A) {
        label = TrimBlanks(ToString(value, variable->GetFormat()));
    } else {
        label = NumberText(value.GetNumber());
    }
    Relabel(chart::Node(fNode), chart::Clean(key), chart::XmlText(label), false);
}

void XVariable::addRelabel(unsigned int key, const ChartString& label) {
    addRelabel(ChartString().assignInteger(key), label);
}

void XVariable::SetFormatPrefix(const ChartString& prefix) {
    pugi::xml_node node = chart::Node(fNode);
    if (!node) return;
    chart::SetAttribute(FormatElement(node), "prefix", chart::Clean(prefix));
}

// ---------------------------------------------------------------------------
// XGraph

XGraph::~XGraph() = default;

void XGraph::setTitle(const ChartString& title) {
    chart::SetTextChild(HeadElement(fDocument->Root(), "title"), chart::Clean(title));
}

void XGraph::setSubtitle(const ChartString& subtitle) {
    pugi::xml_node root = fDocument->Root();
    if (!root) return;
    chart::SetTextChild(HeadElement(root, "subtitle"), chart::Clean(subtitle));
    chart::SetAttribute(HeadElement(root, "extension"), "subtitle", "true");
}

void XGraph::setFootnote(const ChartString& footnote) {
    chart::SetTextChild(HeadElement(fDocument->Root(), "footnote"), chart::Clean(footnote));
}

XVariable XGraph::getVariable(const std::string& name, int) {
    pugi::xml_node root = fDocument->Root();
    if (!root) return XVariable();
    pugi::xml_node found = root.find_node([&](pugi::xml_node node) {
        return node.type() == pugi::node_element && std::strcmp(node.name(), "variable") == 0 &&
               name == node.attribute("id").value();
    });
    return found ? XVariable(fDocument, found.internal_object()) : XVariable();
}

void XGraph::setOuterFrameWidth(double width) {
    chart::SetAttribute(HeadElement(fDocument->Root(), "frame"), "width", NumberText(width));
}

void XGraph::setOuterFrameHeight(double height) {
    chart::SetAttribute(HeadElement(fDocument->Root(), "frame"), "height", NumberText(height));
}

// ---------------------------------------------------------------------------
// XDocument

std::string XDocument::fetchTemplateFile(const std::string& name) {
    // A template is a file of the template folder, never a path.
    if (name.empty() || name.find('/') != std::string::npos || name.find('\\') != std::string::npos ||
        name.find("..") != std::string::npos || name.find('\0') != std::string::npos) {
        return {};
    }
    const std::string& resources = PathFactory::ResourceDirectory();
    const std::string path = (resources.empty() ? std::string() : resources + "/") + "templates/" + name;
    const CachedTemplate* cached = TemplateAt(path);
    if (!cached) return {};
    if (!cached->text.empty()) Pending() = PendingTemplate{name, cached->rootName};
    return cached->text;
}

bool XDocument::useColorsOnly() {
    const char* value = std::getenv("NPAR_COLORS_ONLY");
    return value && std::strcmp(value, "1") == 0;
}

XDocument::XDocument(const std::string& text) : fData(std::make_unique<XDocumentData>()) {
    // Line feeds written into an attribute (a tooltip's lines) stay line feeds;
    // pugixml writes them back as "&#10;".
    const unsigned int options = pugi::parse_default & ~pugi::parse_wconv_attribute;
    const pugi::xml_parse_result result =
        fData->dom.load_buffer(text.data(), text.size(), options, pugi::encoding_utf8);
    if (result.status == pugi::status_ok) {
        // Exactly one element at the top, and it is the <visualization>.
        int elements = 0;
        for (pugi::xml_node child : fData->dom.children()) {
            if (child.type() == pugi::node_element) ++elements;
        }
        fData->valid =
            elements == 1 && std::strcmp(fData->dom.document_element().name(), "visualization") == 0;
    }
    if (!fData->valid) fData->dom.reset();

    // The template file this text was fetched from; a document made from
    // other text is known by its root's name.
    PendingTemplate& pending = Pending();
    const std::string rootName = fData->Root().attribute("name").value();
    fData->templateName =
        !pending.fileName.empty() && pending.rootName == rootName ? pending.fileName : rootName;
    pending = PendingTemplate();

    fGraph.reset(new XGraph(fData.get()));
    fVisualization = std::make_unique<ViZVisualization>(fData.get(), fData->Root().internal_object());
}

XDocument::~XDocument() = default;

bool XDocument::isValid() const { return fData->valid; }

// The document has one editor and one language; both settings change nothing.
void XDocument::setEditor(int) {}
void XDocument::setLanguage() {}

XGraph& XDocument::getExternalGraph() { return *fGraph; }

ViZVisualization& XDocument::getVisualization() { return *fVisualization; }

void XDocument::SetDescription(const ChartString& description) { fData->description = description; }

void XDocument::SetChartData(const VarDataProcessor* data) { fData->data = data; }

bool XDocument::SendChart(bool, bool, bool) {
    if (!fData->valid) return false;
    BpProcedure* procedure = BpLiveProcedure();
    if (!procedure) return false;

    pugi::xml_node root = fData->Root();
    auto chart = std::make_unique<npar::ChartModel>();
    chart->templateName = fData->templateName;
    chart->title = HeadText(root, "title");
    chart->subtitle = HeadText(root, "subtitle");
    chart->footnote = HeadLines(root, "footnote");
    chart->description = fData->description.toUTF8();
    if (fData->data) chart->data = fData->data->Sources();
    if (procedure->KeepsChartDocuments()) {
        StringWriter writer;
        fData->dom.save(writer, "  ", pugi::format_indent | pugi::format_no_declaration,
                        pugi::encoding_utf8);
        chart->document = std::move(writer.text);
    } else {
        chart->valueLabels = chart::ValueLabelsOf(root);
        chart->columnTitles = chart::ColumnTitlesOf(root);
        chart->formattedColumns = chart::FormattedColumnsOf(root);
        chart->labels = chart::LabelTextsOf(root);
        chart->boxPlots = chart::BoxPlotsOf(root);
    }

    auto item = std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Chart, chart->title);
    item->chart = std::move(chart);
    procedure->AddAtCurrent(std::move(item));
    return true;
}
