// DOM edits shared by the chart document's views.
#include "chart/ChartDocument.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "chart/ChartUnicode.h"
#include "render/RenderData.h"
#include "text/Blanks.h"

namespace chart {
namespace {

// Calls visit for every element below root, in document order, without
// recursion.
template <class Visit>
void ForEachElement(pugi::xml_node root, Visit visit) {
    pugi::xml_node node = root.first_child();
    while (node) {
        if (node.type() == pugi::node_element) visit(node);
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && node != root && !node.next_sibling()) node = node.parent();
        if (!node || node == root) break;
        node = node.next_sibling();
    }
}

bool IdInUse(pugi::xml_node root, const std::string& id) {
    bool used = false;
    ForEachElement(root, [&](pugi::xml_node element) {
        if (!used && id == element.attribute("id").value()) used = true;
    });
    return used;
}

// Attributes that name another element by its id.
constexpr const char* kReferences[] = {"style", "target", "aesthetic", "variable", "legend1"};

}  // namespace

std::string Clean(const ChartString& text) { return EncodeUtf8(text.str(), true); }

void SetAttribute(pugi::xml_node node, const char* name, const std::string& value) {
    if (!node) return;
    pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute) attribute = node.append_attribute(name);
    attribute.set_value(value.c_str());
}

void SetTextChild(pugi::xml_node element, const std::string& value) {
    if (!element) return;
    for (pugi::xml_node child = element.first_child(); child;) {
        pugi::xml_node next = child.next_sibling();
        const bool text = child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata ||
                          (child.type() == pugi::node_element && std::strcmp(child.name(), "text") == 0);
        if (text) element.remove_child(child);
        child = next;
    }
    element.append_child("text").text().set(value.c_str());
}

std::string ReferenceId(XDocumentData* document, pugi::xml_node element) {
    if (!element) return {};
    const std::string id = element.attribute("id").value();
    if (!id.empty() || !document) return id;
    const pugi::xml_node root = document->Root();
    std::string made;
    do {
        made = std::string(element.name()) + "_" + std::to_string(document->nextGeneratedId++);
    } while (IdInUse(root, made));
    document->generatedIds.insert(made);
    SetAttribute(element, "id", made);
    return made;
}

void Rename(XDocumentData* document, pugi::xml_node element, const std::string& id) {
    if (!element) return;
    const std::string old = element.attribute("id").value();
    SetAttribute(element, "id", id);
    if (!document || old == id || document->generatedIds.erase(old) == 0) return;
    ForEachElement(document->Root(), [&](pugi::xml_node node) {
        for (const char* name : kReferences) {
            pugi::xml_attribute attribute = node.attribute(name);
            if (attribute && old == attribute.value()) attribute.set_value(id.c_str());
        }
    });
}

std::vector<pugi::xml_node> Descendants(pugi::xml_node root, const char* tag) {
    std::vector<pugi::xml_node> found;
    if (!root) return found;
    ForEachElement(root, [&](pugi::xml_node element) {
        if (std::strcmp(element.name(), tag) == 0) found.push_back(element);
    });
    return found;
}

pugi::xml_node AddBeforeFirstGraph(pugi::xml_node root, const char* tag) {
    if (!root) return {};
    const pugi::xml_node graph = root.child("graph");
    return graph ? root.insert_child_before(tag, graph) : root.append_child(tag);
}

pugi::xml_node AddAfterLastGraph(pugi::xml_node root, const char* tag) {
    if (!root) return {};
    pugi::xml_node last;
    for (pugi::xml_node graph : root.children("graph")) last = graph;
    if (!last) return root.append_child(tag);
    // Behind the elements of the same kind added there before, in order.
    for (pugi::xml_node next = last.next_sibling(); next; next = next.next_sibling()) {
        if (next.type() == pugi::node_element && std::strcmp(next.name(), tag) != 0) break;
        last = next;
    }
    return root.insert_child_after(tag, last);
}

namespace {

// The data source and the <sourceVariable> a variable reads; empty nodes
// when it reads none.
std::pair<pugi::xml_node, pugi::xml_node> ColumnOf(pugi::xml_node root, pugi::xml_node variable) {
    const char* sourceVariable = variable.attribute("sourceVariable").value();
    if (!*sourceVariable) return {};
    for (pugi::xml_node source : root.children("dataSource")) {
        const pugi::xml_node column =
            source.find_child_by_attribute("sourceVariable", "id", sourceVariable);
        if (column) return {source, column};
    }
    return {};
}

// The label of the first element of a graph's group (an axis of its
// <coordinates>, a facet of its <faceting>) that shows the variable id.
std::string GraphLabelOf(pugi::xml_node root, const char* group, const char* element,
                         std::string_view id) {
    for (pugi::xml_node graph : root.children("graph")) {
        for (pugi::xml_node shown : graph.child(group).children(element)) {
            const std::string_view label = shown.attribute("label").value();
            if (id == shown.attribute("variable").value() && !label.empty()) return std::string(label);
        }
    }
    return {};
}

// The titled legends' titles by the variables whose colours they key: a
// legend's target names a <color> element, which names the variable.
std::vector<std::pair<std::string_view, std::string_view>> LegendTitles(pugi::xml_node root) {
    std::vector<std::pair<std::string_view, std::string_view>> titles;
    for (pugi::xml_node legend : root.children("legend")) {
        const std::string_view title = legend.attribute("title").value();
        if (title.empty()) continue;
        for (pugi::xml_node target : legend.children("legendTarget")) {
            const std::string_view aesthetic = target.attribute("aesthetic").value();
            const pugi::xml_node color = root.find_node([&](pugi::xml_node node) {
                return std::string_view(node.name()) == "color" &&
                       aesthetic == node.attribute("id").value();
            });
            if (color) titles.emplace_back(color.attribute("variable").value(), title);
        }
    }
    return titles;
}

// The words a popup writes before the value of the variable id, the token
// that names it or a token mapped to it ("Mean Rank" of "Mean Rank=$[1]$"):
// from the line's start or the token before, without the "=" or ":".
std::string PopupTitleOf(pugi::xml_node root, std::string_view id) {
    for (pugi::xml_node popup : root.children("popup")) {
        const std::string_view text = popup.attribute("tokenTemplate").value();
        std::vector<std::string_view> tokens = {id};
        for (pugi::xml_node mapping : popup.children("tokenMapping"))
            if (id == mapping.attribute("variable").value())
                tokens.push_back(mapping.attribute("valueToken").value());
        for (std::string_view token : tokens) {
            const size_t at = text.find("$[" + std::string(token) + "]$");
            if (token.empty() || at == std::string_view::npos) continue;
            const size_t lineStart = text.rfind('\n', at);
            const size_t tokenEnd = text.rfind("]$", at);
            size_t begin = 0;
            if (lineStart != std::string_view::npos) begin = lineStart + 1;
            if (tokenEnd != std::string_view::npos) begin = std::max(begin, tokenEnd + 2);
            begin = std::min(begin, at);  // "]$" may end just before "$[": "x]$[1]$"
            std::string_view words = text.substr(begin, at - begin);
            while (!words.empty() && (words.back() == ' ' || words.back() == '=' || words.back() == ':'))
                words.remove_suffix(1);
            while (!words.empty() && words.front() == ' ') words.remove_prefix(1);
            if (!words.empty()) return std::string(words);
        }
    }
    return {};
}

// What the chart calls the variable: its axis or facet title, else its own
// label.
std::string ShownTitleOf(pugi::xml_node root, pugi::xml_node variable) {
    const std::string_view id = variable.attribute("id").value();
    for (std::string title :
         {GraphLabelOf(root, "coordinates", "axis", id), GraphLabelOf(root, "faceting", "facet", id)})
        if (!title.empty()) return title;
    return variable.attribute("label").value();
}

}  // namespace

namespace {

// Adds the relabels of labelling to the column that variable reads, unless
// that column has labels already.
void AddColumnLabels(pugi::xml_node root, pugi::xml_node variable, pugi::xml_node labelling,
                     std::vector<npar::ChartModel::ValueLabels>& found) {
    if (!labelling.child("relabel")) return;
    const auto [source, column] = ColumnOf(root, variable);
    if (!column) return;
    npar::ChartModel::ValueLabels labels{
        source.attribute("id").value(), column.attribute("column").value(), {}};
    if (npar::FindColumnEntry(found, labels.source, labels.column)) return;
    for (pugi::xml_node relabel : labelling.children("relabel"))
        labels.labels.emplace(relabel.attribute("from").value(), relabel.attribute("to").value());
    found.push_back(std::move(labels));
}

}  // namespace

std::vector<npar::ChartModel::ValueLabels> ValueLabelsOf(pugi::xml_node root) {
    std::vector<npar::ChartModel::ValueLabels> found;
    for (pugi::xml_node variable : root.children("variable"))
        AddColumnLabels(root, variable, variable, found);
    // A network's edges name their ends by the nodes' values: the ends are
    // labelled as the nodes are.
    for (pugi::xml_node graph : root.children("graph")) {
        for (pugi::xml_node edge : graph.children("edge")) {
            const pugi::xml_node nodes =
                graph.find_child_by_attribute("point", "id", edge.attribute("nodes").value());
            const char* nodeVariable = nodes.child("graphLayoutStatistic").attribute("node").value();
            const pugi::xml_node labelling =
                root.find_child_by_attribute("variable", "id", nodeVariable);
            if (!*nodeVariable || !labelling) continue;
            for (const char* end : {"from", "to"}) {
                const pugi::xml_node variable =
                    root.find_child_by_attribute("variable", "id", edge.attribute(end).value());
                if (variable) AddColumnLabels(root, variable, labelling, found);
            }
        }
    }
    return found;
}

std::vector<npar::ChartModel::FormattedColumn> FormattedColumnsOf(pugi::xml_node root) {
    std::vector<npar::ChartModel::FormattedColumn> found;
    for (pugi::xml_node variable : root.children("variable")) {
        const npar::render::Format format = npar::render::ReadFormat(variable);
        const bool clock = format.type == "TIME" || format.type == "DTIME";
        if (!npar::render::IsDateFormat(format.type) && !clock) continue;
        const auto [source, column] = ColumnOf(root, variable);
        if (!column) continue;
        found.push_back({source.attribute("id").value(), column.attribute("column").value(), format.type,
                         format.decimals});
    }
    return found;
}

std::vector<npar::ChartModel::ColumnTitle> ColumnTitlesOf(pugi::xml_node root) {
    // Every column with the title it is listed under (its name when it has
    // none), and the titles the chart gives columns only in passing, by the
    // column's place in the list: the title of the legend that keys a
    // column's colours, the words before its value in a popup.
    std::vector<npar::ChartModel::ColumnTitle> listed;
    std::vector<std::pair<size_t, std::string>> passing;
    const auto legends = LegendTitles(root);
    const auto list = [&](pugi::xml_node source, pugi::xml_node column, std::string title,
                          std::string_view id) {
        npar::ChartModel::ColumnTitle entry{source.attribute("id").value(),
                                            column.attribute("column").value(), std::move(title)};
        if (npar::FindColumnEntry(listed, entry.source, entry.column)) return;
        if (entry.title.empty()) {
            const auto legend = std::find_if(legends.begin(), legends.end(),
                                             [&](const auto& keyed) { return keyed.first == id; });
            std::string named =
                legend != legends.end() ? std::string(legend->second) : PopupTitleOf(root, id);
            if (!named.empty()) passing.emplace_back(listed.size(), std::move(named));
            entry.title = entry.column;
        }
        listed.push_back(std::move(entry));
    };
    for (pugi::xml_node variable : root.children("variable")) {
        const auto [source, column] = ColumnOf(root, variable);
        if (column) list(source, column, ShownTitleOf(root, variable), variable.attribute("id").value());
    }
    // Columns no variable reads, which marks and popups name directly.
    for (pugi::xml_node source : root.children("dataSource"))
        for (pugi::xml_node column : source.children("sourceVariable"))
            list(source, column, {}, column.attribute("id").value());
    // A passing title names its column unless another column of the source
    // is listed under it already (a legend titled by what the bars count
    // rather than by what their colours tell apart).
    for (auto& named : passing) {
        const std::string& source = listed[named.first].source;
        const bool taken = std::any_of(listed.begin(), listed.end(), [&](const auto& other) {
            return other.source == source && other.title == named.second;
        });
        if (!taken) listed[named.first].title = std::move(named.second);
    }
    std::vector<npar::ChartModel::ColumnTitle> found;
    for (npar::ChartModel::ColumnTitle& title : listed)
        if (title.title != title.column) found.push_back(std::move(title));
    return found;
}

namespace {

// Collects the label texts of label frames and guide lines as the tree is
// walked (without recursion), in document order.
class LabelCollector : public pugi::xml_tree_walker {
public:
    std::vector<std::string> texts;

    bool for_each(pugi::xml_node& node) override {
        const std::string_view tag = node.name();
        if (tag != "labelFrame" && tag != "lineGuide") return true;
        std::string text;
        for (pugi::xml_node label : node.children("label")) {
            for (pugi::xml_node element : label.children("text")) {
                const std::string_view lines = element.text().get();
                for (size_t start = 0; start <= lines.size();) {
                    const size_t end = std::min(lines.find('\n', start), lines.size());
                    AddLine(lines.substr(start, end - start), text);
                    start = end + 1;
                }
            }
        }
        if (!text.empty()) texts.push_back(std::move(text));
        return true;
    }

private:
    // A line of a label, its blanks closed up, after "; " when the label has
    // a line before it: "N = 120; Minimum = 39.1".
    static void AddLine(std::string_view line, std::string& text) {
        const std::string words = npar::CloseUpBlanks(line);
        if (words.empty()) return;
        if (!text.empty()) text += "; ";
        text += words;
    }
};

}  // namespace

std::vector<std::string> LabelTextsOf(pugi::xml_node root) {
    LabelCollector collector;
    root.traverse(collector);
    return std::move(collector.texts);
}

std::vector<npar::ChartModel::BoxPlot> BoxPlotsOf(pugi::xml_node root) {
    const auto variable = [&](const char* id) {
        return *id ? root.find_child_by_attribute("variable", "id", id) : pugi::xml_node();
    };
    const auto columnName = [&](pugi::xml_node of) {
        return std::string(ColumnOf(root, of).second.attribute("column").value());
    };
    std::vector<npar::ChartModel::BoxPlot> boxes;
    for (pugi::xml_node graph : root.children("graph")) {
        for (pugi::xml_node schema : graph.children("schema")) {
            pugi::xml_node x = variable(schema.child("x").attribute("variable").value());
            pugi::xml_node y = variable(schema.child("y").attribute("variable").value());
            if (!x.attribute("categorical").as_bool() && y.attribute("categorical").as_bool())
                std::swap(x, y);
            const pugi::xml_node source = ColumnOf(root, y).first;
            // The labels' variable, or a column of the source named directly.
            const char* labeling = schema.child("labeling").attribute("variable").value();
            std::string label = columnName(variable(labeling));
            if (label.empty() && *labeling)
                label = source.find_child_by_attribute("sourceVariable", "id", labeling)
                            .attribute("column")
                            .value();
            npar::ChartModel::BoxPlot box{source.attribute("id").value(), columnName(y), columnName(x),
                                          std::move(label)};
            if (!box.value.empty() && !box.position.empty()) boxes.push_back(std::move(box));
        }
    }
    return boxes;
}

}  // namespace chart
