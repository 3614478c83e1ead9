#!/usr/bin/env python3
"""Checks the chart templates and the chart string table.

For every template in resources/templates:
  - it is well-formed XML and uses only the elements and attributes of the
    chart template language (docs/chart-templates.md), each under an allowed
    parent, with valid enumeration values;
  - every reference (variables, styles, targets, legend aesthetics, popup
    tokens) names something the document defines;
  - its data sources declare exactly the columns the plug-in's views write;
  - after the text edits and object-model edits that the views make (applied
    here with sample values, including texts that hold markup characters,
    "x" and "3%"), it is still well-formed, still valid, the placeholders
    were replaced at the intended places and no replaced token is left.

For resources/strings/en.txt: every key the chart views look up is present
in the "[Nonparametric Tests]" section, keys are unique, keys whose text
takes an argument keep "^1", and the texts that views continue without a
blank end in one.

Usage: check_templates.py [RESOURCES_DIR]   (default: ../../resources)
Exit status 0 when everything holds, 1 otherwise (each problem is printed).
"""

import os
import re
import sys
import xml.dom.minidom as minidom
from xml.parsers.expat import ExpatError

# ---------------------------------------------------------------------------
# The language: element -> allowed attributes, and element -> allowed parents.

ATTRIBUTES = {
    "visualization": {"name", "version"},
    "extension": {"legend1", "subtitle"},
    "title": set(), "subtitle": set(), "footnote": set(), "text": set(),
    "frame": {"width", "height"},
    "dataSource": {"id"},
    "sourceVariable": {"id", "column", "type"},
    "variable": {"id", "sourceVariable", "label", "measurement", "categorical", "categoryOrder"},
    "format": {"type", "width", "decimals", "prefix", "suffix"},
    "relabel": {"from", "to"},
    "categorize": {"variable"},
    "when": {"greaterThan", "lessThan", "equal", "category"},
    "derivedVariable": {"id", "value"},
    "style": {"id", "color", "fill", "width", "dash", "fontWeight", "fontSize", "symbol", "size",
              "visible"},
    "graph": {"id", "style"},
    "location": {"part", "method", "value", "target", "specifiedByUser"},
    "coordinates": set(),
    "axis": {"dimension", "variable", "label", "oppositeLabel", "invert", "style"},
    "range": {"min", "max"},
    "faceting": {"alternating", "dimension"},
    "facet": {"dimension", "variable", "label", "panelLabel", "style"},
    "facetLayout": {"columns"},
    "interval": {"id", "style", "orientation", "scalingFactor"},
    "schema": {"id", "style"},
    "line": {"id", "style"},
    "point": {"id", "style"},
    "edge": {"id", "style", "nodes", "from", "to", "weight"},
    "x": {"variable"}, "y": {"variable"},
    "binStatistic": {"binCount", "binWidth"},
    "summaryStatistic": {"method"},
    "distributionStatistic": {"distribution", "parameter", "secondaryParameter"},
    "graphLayoutStatistic": {"method", "node"},
    "move": set(),
    "color": {"id", "variable"}, "pattern": {"id", "variable"},
    "colorMapping": {"key", "color"},
    "stack": set(), "cluster": set(),
    "labeling": {"variable", "style"},
    "lineGuide": {"x", "y", "style"},
    "labelFrame": {"id", "style"},
    "label": {"id", "style"},
    "legend": {"id", "title"},
    "legendTarget": {"id", "aesthetic"},
    "popup": {"part", "target", "tokenTemplate"},
    "tokenMapping": {"valueToken", "variable"},
}

MARKS = {"interval", "schema", "line", "point", "edge"}
TOP = {"extension", "title", "subtitle", "footnote", "frame", "dataSource", "variable",
       "derivedVariable", "style", "graph", "labelFrame", "legend", "popup"}
PARENTS = {name: {"visualization"} for name in TOP}
PARENTS.update({
    "visualization": {None},
    "text": {"title", "subtitle", "footnote", "label"},
    "sourceVariable": {"dataSource"},
    "format": {"variable", "derivedVariable", "axis"},
    "relabel": {"variable", "format"},
    "categorize": {"variable"},
    "when": {"categorize"},
    "location": {"graph", "labelFrame"},
    "coordinates": {"graph"}, "faceting": {"graph"}, "facetLayout": {"graph"},
    "lineGuide": {"graph"},
    "axis": {"coordinates"}, "range": {"axis"},
    "facet": {"faceting"},
    "x": {"interval", "schema", "line", "point"}, "y": {"interval", "schema", "line", "point"},
    "binStatistic": {"interval"}, "summaryStatistic": {"interval"},
    "stack": {"interval"}, "cluster": {"interval"},
    "distributionStatistic": {"line"},
    "graphLayoutStatistic": {"point"}, "move": {"graphLayoutStatistic"},
    "color": MARKS, "pattern": MARKS, "labeling": MARKS,
    "colorMapping": {"color", "pattern"},
    "label": {"labelFrame", "lineGuide"},
    "legendTarget": {"legend"},
    "tokenMapping": {"popup"},
})
for mark in MARKS:
    PARENTS[mark] = {"graph"}

ENUMS = {
    ("location", "part"): {"left", "right", "top", "bottom", "width", "height"},
    ("location", "method"): {"fixed", "sizeToContent", "attach", "same"},
    ("location", "specifiedByUser"): {"true", "false"},
    ("sourceVariable", "type"): {"number", "string"},
    ("variable", "measurement"): {"scale", "nominal", "ordinal"},
    ("variable", "categorical"): {"true", "false"},
    ("axis", "dimension"): {"x", "y"},
    ("axis", "invert"): {"true", "false"},
    ("faceting", "alternating"): {"true", "false"},
    ("faceting", "dimension"): {"x", "y"},
    ("facet", "dimension"): {"column", "row"},
    ("interval", "orientation"): {"vertical", "horizontal"},
    ("summaryStatistic", "method"): {"sum"},
    ("distributionStatistic", "distribution"): {"normal", "uniform", "poisson", "exponential"},
    ("graphLayoutStatistic", "method"): {"circle"},
    ("style", "fontWeight"): {"normal", "light", "bold"},
    ("style", "visible"): {"true", "false"},
    ("style", "symbol"): {"circle", "square", "diamond", "none"},
    ("extension", "subtitle"): {"true", "false"},
    ("popup", "part"): {"bar", "box", "median", "point", "line", "node", "edge"},
}

PERCENT = re.compile(r"^-?[0-9]+(\.[0-9]+)?(%|px)$")

# Columns that each template's data table carries (empty: no data table).
COLUMNS = {
    "NPARHistogram.viztemplate": {"graphSource": {"value", "count"}},
    "NPARBoxplot.viztemplate": {"boxplotSource": {"Value", "Label", "Category", "Tooltips"}},
    "NPARChiSquareTest.viztemplate": {"graphSource": {"Category", "Frequency", "Observed",
                                                      "Hypothesized", "Type", "Residual"}},
    "NPARKolmogorovSmirnov.viztemplate": {"graphSource": {"COUNTS", "MEANS", "LABELNAME", "TYPES"}},
    "NPARRelatedSamplesHistogram.viztemplate": {"graphSource": {"COUNTS", "MEANS", "LABELNAME",
                                                                "TYPES"}},
    "FacetBarChart.viztemplate": {"graphSource": {"CellText", "Column", "Row", "Category", "CellValue",
                                                  "ObservedTooltip", "HypothesizedTooltip"}},
    "NPARStackedBar.viztemplate": {"graphSource": {"categories", "type", "value", "tooltip"}},
    "NPAROneSampleRunsTest.viztemplate": {},
    "GLMMPairwiseContrasts.viztemplate": {
        "nodeSource_1": {"node", "facet1", "facet2"},
        "edgeSource_1": {"from", "to", "weight", "weightInPopup", "type", "facet1", "facet2",
                         "tooltip"}},
    "NPARWilcoxonPairSignedRank.viztemplate": {"graphSource": {"count", "value"}},
}


class Problems:
    def __init__(self):
        self.items = []

    def add(self, where, message):
        self.items.append("%s: %s" % (where, message))


# ---------------------------------------------------------------------------
# Text edits, as the views make them.

def replace_token(text, token, value):
    """The first occurrence of token becomes value."""
    p = text.find(token)
    return text if p < 0 else text[:p] + value + text[p + len(token):]


def replace_after(text, token, count, value, skip=None):
    """The `count` characters after the first `token` (or after `skip` characters of it) become value."""
    p = text.find(token)
    if p < 0:
        return text
    start = p + (len(token) if skip is None else skip)
    return text[:start] + value + text[start + count:]


def insert_at(text, token, offset, value):
    p = text.find(token)
    return text if p < 0 else text[:p + offset] + value + text[p + offset:]


def erase_element(text, opening, closing):
    """From the first `opening` through the end of the first `closing` (both must occur)."""
    p, q = text.find(opening), text.find(closing)
    if p < 0 or q < 0:
        return text
    return text[:p] + text[q + len(closing):]


def escape(text):
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace('"', "&quot;").replace("'", "&apos;"))


# Sample texts: a data label with markup characters, an "x" and a "3%", and
# string-table texts.
LABEL_A = 'Index x 3% & <Score> "A"'
LABEL_B = "Before"
LABEL_C = "After"
E = escape


# ---------------------------------------------------------------------------
# Document checks.

def parse(text, where, problems):
    try:
        return minidom.parseString(text.encode("utf-8"))
    except ExpatError as error:
        problems.add(where, "not well-formed XML: %s" % error)
        return None


def elements(node):
    for child in node.childNodes:
        if child.nodeType == child.ELEMENT_NODE:
            yield child
            yield from elements(child)


def children(node, name=None):
    return [c for c in node.childNodes
            if c.nodeType == c.ELEMENT_NODE and (name is None or c.tagName == name)]


def namespace(tag):
    if tag == "sourceVariable":
        return "source"
    return "variable" if tag in ("variable", "derivedVariable") else "element"


def check_document(doc, where, problems, template):
    root = doc.documentElement
    if root.tagName != "visualization":
        problems.add(where, "root element is <%s>, not <visualization>" % root.tagName)
    ids = {"source": {}, "variable": {}, "element": {}}
    for el in [root] + list(elements(root)):
        name = el.tagName
        if name not in ATTRIBUTES:
            problems.add(where, "unknown element <%s>" % name)
            continue
        parent = el.parentNode.tagName if el.parentNode.nodeType == el.ELEMENT_NODE else None
        if parent not in PARENTS[name]:
            problems.add(where, "<%s> may not stand under <%s>" % (name, parent))
        for attr, value in el.attributes.items():
            if attr not in ATTRIBUTES[name]:
                problems.add(where, "<%s> has unknown attribute %s" % (name, attr))
            allowed = ENUMS.get((name, attr))
            if allowed is not None and value not in allowed:
                problems.add(where, '<%s %s="%s">: not one of %s' % (name, attr, value,
                                                                    sorted(allowed)))
        if name == "location":
            method = el.getAttribute("method")
            if method in ("attach", "same") and not el.getAttribute("target"):
                problems.add(where, "<location method=%s> without a target" % method)
            if method == "fixed" and not PERCENT.match(el.getAttribute("value")):
                problems.add(where, "<location method=fixed> value %r is no position"
                             % el.getAttribute("value"))
        if name == "lineGuide" and el.hasAttribute("x") == el.hasAttribute("y"):
            problems.add(where, "<lineGuide> needs exactly one of x and y")
        if el.hasAttribute("id"):
            # Three name spaces: source variables, graph variables (with the
            # derived ones), and every other element.
            space = namespace(name)
            ident = el.getAttribute("id")
            if ident in ids[space]:
                problems.add(where, 'id "%s" is defined twice' % ident)
            ids[space][ident] = el

    def defined(kind_names, ident):
        for space in ids.values():
            el = space.get(ident)
            if el is not None and el.tagName in kind_names:
                return True
        return False

    variables = {"variable", "derivedVariable", "sourceVariable"}

    def need(el, attr, kinds):
        if el.hasAttribute(attr) and not defined(kinds, el.getAttribute(attr)):
            problems.add(where, '<%s %s="%s"> names no %s' % (el.tagName, attr,
                                                              el.getAttribute(attr),
                                                              "/".join(sorted(kinds))))

    for el in elements(root):
        name = el.tagName
        if name == "variable":
            need(el, "sourceVariable", {"sourceVariable"})
            if not el.hasAttribute("sourceVariable") and not children(el, "categorize"):
                problems.add(where, 'variable "%s" has neither a source nor <categorize>'
                             % el.getAttribute("id"))
        if name in ("x", "y", "color", "pattern", "labeling", "categorize", "facet", "axis",
                    "tokenMapping"):
            need(el, "variable", variables)
        if name == "facet":
            need(el, "panelLabel", variables)
        if name == "derivedVariable":
            need(el, "value", variables)
        if name == "edge":
            for attr in ("from", "to", "weight"):
                need(el, attr, variables)
            need(el, "nodes", {"point"})
        if name == "graphLayoutStatistic":
            need(el, "node", variables)
        need(el, "style", {"style"})
        if name == "location":
            need(el, "target", {"graph", "labelFrame"} | MARKS)
        if name == "legendTarget":
            need(el, "aesthetic", {"color", "pattern"})
        if name == "extension":
            need(el, "legend1", {"legend"})
        if name == "popup":
            need(el, "target", MARKS)
            mapped = {t.getAttribute("valueToken") for t in children(el, "tokenMapping")}
            for token in re.findall(r"\$\[([^\]]*)\]\$", el.getAttribute("tokenTemplate")):
                if token.isdigit():
                    if token not in mapped:
                        problems.add(where, "popup token $[%s]$ has no tokenMapping" % token)
                elif not defined(variables, token):
                    problems.add(where, "popup token $[%s]$ names no variable" % token)
    if len(children(root, "graph")) == 0:
        problems.add(where, "no <graph>")

    expected = COLUMNS.get(template)
    if expected is not None:
        declared = {}
        for source in children(root, "dataSource"):
            declared[source.getAttribute("id")] = {
                v.getAttribute("column") for v in children(source, "sourceVariable")}
        if declared != expected:
            problems.add(where, "data sources declare %s, the views write %s"
                         % (sorted((k, sorted(v)) for k, v in declared.items()),
                            sorted((k, sorted(v)) for k, v in expected.items())))
    return ids


def graph_variable(doc, ident):
    return [v for v in doc.getElementsByTagName("variable") if v.getAttribute("id") == ident]


# ---------------------------------------------------------------------------
# Object-model edits, as the chart service writes them (docs/chart-templates.md).

def add(parent, tag, **attributes):
    el = parent.ownerDocument.createElement(tag)
    for key, value in attributes.items():
        el.setAttribute(key, value)
    parent.appendChild(el)
    return el


def set_text(doc, tag, text):
    root = doc.documentElement
    holder = children(root, tag)
    holder = holder[0] if holder else add(root, tag)
    for c in list(holder.childNodes):
        holder.removeChild(c)
    add(holder, "text").appendChild(doc.createTextNode(text))


def set_subtitle(doc, text):
    set_text(doc, "subtitle", text)
    root = doc.documentElement
    extension = children(root, "extension")
    extension = extension[0] if extension else add(root, "extension")
    extension.setAttribute("subtitle", "true")


def relabel(doc, ident, key, label, where, problems):
    found = graph_variable(doc, ident)
    if not found:
        problems.add(where, 'the view edits graph variable "%s", which the template lacks' % ident)
        return
    add(found[0], "relabel", **{"from": key, "to": label})


# ---------------------------------------------------------------------------
# The views' edits, one function per view: (text edits, document edits, checks).

def first_graph(doc):
    return children(doc.documentElement, "graph")[0]


def locations(el, part):
    return [l for l in children(el, "location") if l.getAttribute("part") == part]


def expect(cond, where, problems, message):
    if not cond:
        problems.add(where, message)


def view_field_information(categorical):
    def text_edits(t):
        t = replace_token(t, "xAxisLabel", E(LABEL_A))
        if categorical:
            t = t.replace("<binStatistic/>", "", 1)
            t = t.replace('<summaryStatistic method="sum"/>', "", 1)
            t = replace_token(t, "yAxisLabel", "Frequency")
            t = replace_token(t, "labelText", "Total N =  42")
        else:
            t = replace_token(t, "yAxisLabel", "Frequency")
            t = replace_token(t, "labelText",
                              "N = 42&#10;Minimum = 1&#10;Maximum = 9&#10;Mean = 4.52"
                              "&#10;Std. Deviation = 1 12:00:00")
        return t

    def doc_edits(doc, where, problems):
        relabel(doc, "value", "1", "Female", where, problems)
        if categorical:
            add(graph_variable(doc, "value")[0], "format", type="F", decimals="0")
            set_text(doc, "footnote", E(LABEL_A) + " is ordinal")

    def checks(doc, where, problems):
        graph = first_graph(doc)
        bars = children(graph, "interval")
        expect(len(bars) == 1, where, problems, "one bar element expected")
        stats = [c.tagName for c in children(bars[0])]
        if categorical:
            expect("binStatistic" not in stats and "summaryStatistic" not in stats, where,
                   problems, "categorical bars keep a statistic")
        else:
            expect(stats.index("binStatistic") < stats.index("summaryStatistic"), where, problems,
                   "continuous bars need binStatistic then summaryStatistic sum")
        axes = graph.getElementsByTagName("axis")
        expect(axes[0].getAttribute("label") == LABEL_A, where, problems, "x axis label not set")
    return text_edits, doc_edits, checks


def view_kolmogorov_smirnov(distribution, dates):
    def text_edits(t):
        if dates:
            p1, p2 = "2024-10-14", "P1DT12H00M00S"
        else:
            p1, p2 = "4.5", "1.25"
        second = distribution in ("normal", "uniform")
        fragment = ('<line><distributionStatistic distribution="%s" parameter="%s" ' % (distribution, p1)
                    + ('secondaryParameter="%s"' % p2 if second else "")
                    + '/><x variable="value"/><y variable="count"/></line>')
        t = insert_at(t, "</graph>", 0, fragment)
        t = replace_token(t, "xAxisLabel", E(LABEL_A))
        t = replace_token(t, "yAxisLabel", "Frequency")
        t = replace_token(t, "labelText", "Normal Parameters&#10;Mean 4.50&#10;Std. Deviation 1.250")
        return t

    def checks(doc, where, problems):
        lines = children(first_graph(doc), "line")
        expect(len(lines) == 1 and children(lines[0], "distributionStatistic"), where, problems,
               "the fitted line is missing")
    return text_edits, None, checks


def view_one_sample_wilcoxon():
    def text_edits(t):
        t = replace_token(t, "xAxisLabel", E(LABEL_A))
        t = replace_token(t, "yAxisLabel", "Frequency")
        return replace_token(t, "labelText", "")

    def doc_edits(doc, where, problems):
        root = doc.documentElement
        graph = first_graph(doc)
        s1 = add(root, "style", color="green", id="lineGuide1Style")
        s2 = add(root, "style", color="blue", id="lineGuide2Style")
        add(graph, "lineGuide", x="5", style=s1.getAttribute("id"))
        add(graph, "lineGuide", x="6.5", style=s2.getAttribute("id"))
        add(graph, "location", part="right", method="fixed", value="80%", specifiedByUser="true")
        add(graph, "location", part="top", method="fixed", value="10%", specifiedByUser="true")
        frames = []
        for ident, color, steps in (
                ("frameHypotheticalMedian", "green",
                 [("top", "attach", "graph1"), ("left", "same", "graph1"), ("height", "sizeToContent", None),
                  ("right", "fixed", "100%")]),
                ("frameObservedMedian", "blue",
                 [("top", "same", "frameHypotheticalMedian"), ("left", "attach", "frameHypotheticalMedian"),
                  ("height", "sizeToContent", None), ("right", "attach", "frameHypotheticalMedian")])):
            frame = add(root, "labelFrame", id=ident)
            for part, method, target in steps:
                loc = add(frame, "location", part=part, method=method)
                if method == "fixed":
                    loc.setAttribute("value", target)
                elif target:
                    loc.setAttribute("target", target)
            style = add(root, "style", color=color, fontWeight="bold", id=ident + "Style")
            label = add(frame, "label", style=style.getAttribute("id"))
            add(label, "text").appendChild(doc.createTextNode("Hypothetical Median = 5"))
            frames.append(frame)
        expect(graph.getAttribute("id") == "graph1", where, problems,
               'label frames target the graph by its id "graph1"')
    return text_edits, doc_edits, None


def view_boxplot(kind):
    def text_edits(t):
        t = replace_token(t, "yAxisText", E(LABEL_A))
        t = replace_token(t, "xAxisText", E(LABEL_B))
        if kind == "kruskal":
            t = insert_at(t, "</visualization>", 0,
                          '<popup part="median" target="schema" tokenTemplate="Mean Rank=$[1]$">'
                          '<tokenMapping valueToken="1" variable="Tooltips"/></popup>')
        if kind == "median":
            m = "12.35"
            t = insert_at(t, "</graph>", 0, '<lineGuide y="%s"/>' % m)
            t = insert_at(t, "</graph>", len("</graph>"),
                          '<labelFrame><location method="sizeToContent" part="width"/>'
                          '<location method="fixed" part="bottom" value="35%"/>'
                          '<location method="same" part="right" target="graph1"/><label><text>'
                          'Grand Median = ' + m + '</text></label></labelFrame>')
        return t

    def doc_edits(doc, where, problems):
        relabel(doc, "Category", "0", E(LABEL_B), where, problems)
        if kind != "moses":
            return
        root = doc.documentElement
        sources = {v.getAttribute("id") for v in doc.getElementsByTagName("sourceVariable")}
        expect({"Label", "Category"} <= sources, where, problems,
               'source variables "Label" and "Category" are needed')
        schemas = children(first_graph(doc), "schema")
        expect(bool(schemas), where, problems, "the first graph needs a <schema>")
        if not schemas:
            return
        add(schemas[0], "labeling", variable="Label")
        derived = add(root, "derivedVariable", id="Category_Derived", value="Category")
        add(schemas[0], "color", id="color1", variable="Category_Derived")
        legend = add(root, "legend", id="legend1")
        add(legend, "legendTarget", id="legend1_target", aesthetic="color1")
        add(root, "extension", legend1="legend1")
        fmt = add(derived, "format")
        add(fmt, "relabel", **{"from": "1", "to": "Control Group\nN = 12"})
        add(fmt, "relabel", **{"from": "2", "to": "Experimental Group\nN = 9"})

    def checks(doc, where, problems):
        expect(first_graph(doc).getAttribute("id") == "graph1", where, problems,
               'the first graph must have id "graph1"')
        if kind == "median":
            expect(first_graph(doc).getElementsByTagName("lineGuide"), where, problems,
                   "grand-median line missing")
    return text_edits, doc_edits, checks


def view_chi_square():
    axis = E(LABEL_A)

    def text_edits(t):
        t = replace_token(t, "titleText", "One-Sample Chi-Square Test")
        t = replace_token(t, "xAxisText", axis)
        t = replace_token(t, "yAxisText", "Frequency")
        t = replace_token(t, "legendTitle", "Frequency")
        return insert_at(t, "<popup", 7,
                         'tokenTemplate="' + axis + "=$[category]$\nObserved=$[observed]$\n"
                         "Hypothesized=$[hypothesized]$\nResidual=$[residual]$\" ")

    def doc_edits(doc, where, problems):
        relabel(doc, "Type", "a", "Observed", where, problems)
        relabel(doc, "Type", "b", "Hypothesized", where, problems)

    def checks(doc, where, problems):
        popups = doc.getElementsByTagName("popup")
        expect(len(popups) == 1 and "$[residual]$" in popups[0].getAttribute("tokenTemplate"),
               where, problems, "the popup did not take the tokenTemplate")
    return text_edits, doc_edits, checks


def view_facet(kind, colors_only=False):
    def text_edits(t):
        title = ("Related-Samples McNemar Change Test" if kind == "mcnemar"
                 else "Related-Samples Marginal Homogeneity Test")
        t = replace_token(t, "TitleText", title)
        t = replace_token(t, "Facet1Text", E(LABEL_C))
        t = replace_token(t, "Facet2Text", E(LABEL_A))
        if kind == "mcnemar":
            t = replace_token(t, "tooltipText", "Observed=$[0]$ &#10;Hypothesized=$[1]$")
            if not colors_only and "<color" in t:
                p = t.find("<color")
                t = t[:p + 1] + "pattern" + t[p + 6:]
        else:
            t = replace_token(t, "tooltipText", "Observed=$[0]$")
            if "<legend" in t and "</legend>" in t:
                t = erase_element(t, "<legend", "</legend>")
            first = t.find("<tokenMapping")
            second = t.find("<tokenMapping", first + 1) if first >= 0 else -1
            if second >= 0:
                end = t.find("/>", second)
                t = t[:second] + t[end + 2:]
        return t

    def doc_edits(doc, where, problems):
        cell = graph_variable(doc, "celltext")
        expect(bool(cell), where, problems, 'graph variable "celltext" missing')
        if cell:
            add(cell[0], "format", prefix="Observed\nFrequency = ")
        for ident in ("Row", "Column"):
            relabel(doc, ident, "0", E(LABEL_A), where, problems)
            relabel(doc, ident, "1", "No", where, problems)
        if kind == "mcnemar":
            relabel(doc, "category", "0", "Observed", where, problems)
            relabel(doc, "category", "1", "Hypothesized", where, problems)

    def checks(doc, where, problems):
        if kind == "mcnemar":
            legend_targets = doc.getElementsByTagName("legendTarget")
            expect(len(legend_targets) == 1, where, problems, "the legend is missing")
            marks = doc.getElementsByTagName("color" if colors_only else "pattern")
            expect(len(marks) == 1 and marks[0].getAttribute("variable") == "category", where,
                   problems, "the bars must be told apart by category")
            expect(len(doc.getElementsByTagName("tokenMapping")) == 2, where, problems,
                   "two tooltip values expected")
        else:
            expect(not doc.getElementsByTagName("legend"), where, problems, "legend not removed")
            mappings = doc.getElementsByTagName("tokenMapping")
            expect(len(mappings) == 1 and mappings[0].getAttribute("valueToken") == "0", where,
                   problems, "the observed tooltip value must stay, the other go")
    return text_edits, doc_edits, checks


def view_stacked(kind, factor):
    def text_edits(t):
        p = t.find("scalingFactor=")
        if p >= 0:
            t = t[:p + 15] + factor + t[p + 16:]
        t = replace_token(t, "yAxisLabel", "Frequency")
        if kind == "binomial":
            t = replace_token(t, "LegendLabel", E(LABEL_A))
            t = replace_token(t, "CategoryOrderText", " &lt;= 5.5; &gt; 5.5")
        else:
            t = replace_token(t, "LegendLabel", "")
        return t

    def checks(doc, where, problems):
        bars = first_graph(doc).getElementsByTagName("interval")
        expect(bars and bars[0].getAttribute("scalingFactor") == factor, where, problems,
               "scaling factor not in place: %r" % (bars[0].getAttribute("scalingFactor")
                                                     if bars else None))
        if kind == "binomial":
            order = graph_variable(doc, "type")[0].getAttribute("categoryOrder")
            expect(order == " <= 5.5; > 5.5", where, problems, "category order %r" % order)
    return text_edits, None, checks


def view_runs(mean, sd, runs, split):
    range_text = str(int(2 * mean))
    mean_text, sd_text, runs_text = "%.16g" % mean, "%.16g" % sd, "%.16g" % runs

    def text_edits(t):
        t = replace_after(t, '<range max="', 3, range_text)
        t = replace_after(t, 'parameter="', 2, mean_text)
        t = replace_after(t, 'secondaryParameter="', 1, sd_text)
        t = replace_after(t, '<lineGuide x="20', 2, runs_text, skip=14)
        t = replace_token(t, "ObservedRunsText", "Observed Number of Runs = " + runs_text)
        t = replace_after(t, '<lineGuide x="500', 3, mean_text, skip=14)
        t = replace_token(t, "TooFewRuns", "Too few runs")
        t = replace_token(t, "TooManyRuns", "Too many runs")
        if split:
            t = replace_after(t, "10%", 2, "15", skip=0)
        return t

    def checks(doc, where, problems):
        graph = first_graph(doc)
        rng = graph.getElementsByTagName("range")[0]
        expect(rng.getAttribute("max") == range_text and rng.parentNode.getAttribute("dimension") == "x",
               where, problems, "x range maximum not set")
        stat = graph.getElementsByTagName("distributionStatistic")[0]
        expect(stat.getAttribute("parameter") == mean_text
               and stat.getAttribute("secondaryParameter") == sd_text, where, problems,
               "curve parameters not set: %r %r" % (stat.getAttribute("parameter"),
                                                   stat.getAttribute("secondaryParameter")))
        guides = {g.getAttribute("x"): g for g in children(graph, "lineGuide")}
        expect(set(guides) == {mean_text, runs_text} or (mean_text == runs_text and len(guides) == 1),
               where, problems, "guide lines at %s" % sorted(guides))
        labelled = [g for g in children(graph, "lineGuide") if children(g, "label")]
        expect(len(labelled) == 1 and labelled[0].getAttribute("x") == runs_text, where, problems,
               "the observed-runs label must stand on the observed line")
        top = locations(graph, "top")
        expect(top and top[-1].getAttribute("value") == ("15%" if split else "10%"), where,
               problems, "graph top not moved for the subtitle")
    return text_edits, None, checks


def view_network(grouping):
    def text_edits(t):
        t = erase_element(t, "<faceting", "</faceting>")
        t = erase_element(t, "<facetLayout", "</facetLayout>")
        t = erase_element(t, "<legend", "</legend>")
        title = ("Pairwise Comparisons of " + E(LABEL_A)) if grouping else "Pairwise Comparisons"
        t = replace_token(t, "TitleText", title)
        t = insert_at(t, 'id="style7"', 0, ' visible="false" ')
        t = replace_token(t, "FootnoteText", "Each node shows the sample number of successes.")
        t = insert_at(t, "</graphLayoutStatistic>", 0, "<move/>")
        return insert_at(t, "$[1]$", 0, "Adj.Sig. = ")

    def doc_edits(doc, where, problems):
        relabel(doc, "node", "1", E(LABEL_A) + "\n12.50", where, problems)

    def checks(doc, where, problems):
        for gone in ("faceting", "facetLayout", "legend"):
            expect(not doc.getElementsByTagName(gone), where, problems, "<%s> not removed" % gone)
        styles = [s for s in doc.getElementsByTagName("style") if s.getAttribute("id") == "style7"]
        expect(styles and styles[0].getAttribute("visible") == "false", where, problems,
               "style7 not hidden")
        layout = doc.getElementsByTagName("graphLayoutStatistic")
        expect(layout and children(layout[0], "move"), where, problems, "<move/> not added")
        popup = doc.getElementsByTagName("popup")
        expect(popup and popup[0].getAttribute("tokenTemplate") == "Adj.Sig. = $[1]$", where,
               problems, "edge popup text")
    return text_edits, doc_edits, checks


def view_related_histogram():
    def text_edits(t):
        t = replace_token(t, "xTitle", "Frequency")
        t = replace_token(t, "yTitle0", "Rank")
        t = replace_token(t, "yTitle1", "Rank")
        p = t.find('<label id="subLabel">')
        q = t.find("</label>", p) if p >= 0 else -1
        if p >= 0 and q >= 0:
            t = t[:p] + t[q + 8:]
        return replace_token(t, "categoryOrder1", "0;1;2")

    def doc_edits(doc, where, problems):
        for ident, key, label in (("types", "0", E(LABEL_A)), ("labelname", "2.5", "Mean Rank = 2.50")):
            relabel(doc, ident, key, label, where, problems)

    def checks(doc, where, problems):
        expect(not [l for l in doc.getElementsByTagName("label") if l.getAttribute("id") == "subLabel"],
               where, problems, "sub-label not removed")
        expect(graph_variable(doc, "types")[0].getAttribute("categoryOrder") == "0;1;2", where,
               problems, "category order not set")
    return text_edits, doc_edits, checks


def view_two_groups(mirrored):
    def text_edits(t):
        t = replace_token(t, "xTitle", "Frequency")
        t = replace_token(t, "subTitle", E(LABEL_A))
        t = replace_token(t, "yTitle0", E(LABEL_A))
        t = replace_token(t, "yTitle1", E(LABEL_A))
        if mirrored:
            p = t.find("alternating=")
            if p >= 0:
                t = t[:p + 13] + "true" + t[p + 18:]
                x = t.find("x", p + 13)
                if x >= 0:
                    t = t[:x] + "y" + t[x + 1:]
            p = t.find('invert="')
            if p >= 0:
                t = t[:p + 8] + "false" + t[p + 12:]
            p = t.find("3%")
            if p >= 0:
                t = t[:p] + "18" + t[p + 1:]
        return t

    def doc_edits(doc, where, problems):
        relabel(doc, "labelname", LABEL_A, "N = 20\nMean Rank = 12.50", where, problems)
        if mirrored:
            relabel(doc, "types", "0", E(LABEL_B), where, problems)
            means = graph_variable(doc, "means")
            expect(bool(means), where, problems, 'graph variable "means" missing')

    def checks(doc, where, problems):
        graph = first_graph(doc)
        faceting = graph.getElementsByTagName("faceting")[0]
        y_axis = [a for a in graph.getElementsByTagName("axis") if a.getAttribute("dimension") == "y"][0]
        labels = [l for l in doc.getElementsByTagName("label") if l.getAttribute("id") == "subLabel"]
        expect(labels and labels[0].firstChild.firstChild.data == LABEL_A, where, problems,
               "the grouping field's label must stand unchanged in the sub-label")
        expect(y_axis.getAttribute("label") == LABEL_A and y_axis.getAttribute("oppositeLabel") == LABEL_A,
               where, problems, "y axis titles changed by later edits")
        if mirrored:
            expect(faceting.getAttribute("alternating") == "true"
                   and faceting.getAttribute("dimension") == "y", where, problems,
                   "panels not set back to back")
            expect(y_axis.getAttribute("invert") == "false", where, problems, "axis still inverted")
            expect(locations(graph, "top")[0].getAttribute("value") == "18%", where, problems,
                   "graph top not moved below the sub-label")
    return text_edits, doc_edits, checks


def view_pair_differences():
    def text_edits(t):
        t = replace_token(t, "LegendLabel", "Number of Ties = 3")
        t = replace_token(t, "XAxis Text", E(LABEL_C + " - " + LABEL_A))
        return replace_token(t, "YAxis Text", "Frequency")

    def doc_edits(doc, where, problems):
        relabel(doc, "type", "0positive", "Positive Differences\n(12)", where, problems)
        relabel(doc, "type", "1negative", "Negative Differences\n(7)", where, problems)
        expect(bool(graph_variable(doc, "value")), where, problems, 'graph variable "value" missing')

    def checks(doc, where, problems):
        cats = doc.getElementsByTagName("categorize")
        keys = {w.getAttribute("category") for w in doc.getElementsByTagName("when")}
        expect(cats and keys == {"0positive", "1negative"}, where, problems,
               'the "type" variable must give the categories 0positive and 1negative')
    return text_edits, doc_edits, checks


VIEWS = [
    ("NPARHistogram.viztemplate", "field information, categorical", view_field_information(True),
     ["xAxisLabel", "yAxisLabel", "labelText"]),
    ("NPARHistogram.viztemplate", "field information, continuous", view_field_information(False),
     ["xAxisLabel", "yAxisLabel", "labelText"]),
    ("NPARHistogram.viztemplate", "one-sample K-S, normal", view_kolmogorov_smirnov("normal", False),
     ["xAxisLabel", "yAxisLabel", "labelText"]),
    ("NPARHistogram.viztemplate", "one-sample K-S, normal, dates",
     view_kolmogorov_smirnov("normal", True), ["xAxisLabel", "yAxisLabel", "labelText"]),
    ("NPARHistogram.viztemplate", "one-sample K-S, Poisson", view_kolmogorov_smirnov("poisson", False),
     ["xAxisLabel", "yAxisLabel", "labelText"]),
    ("NPARHistogram.viztemplate", "one-sample Wilcoxon", view_one_sample_wilcoxon(),
     ["xAxisLabel", "yAxisLabel", "labelText"]),
    ("NPARBoxplot.viztemplate", "Kruskal-Wallis", view_boxplot("kruskal"), ["xAxisText", "yAxisText"]),
    ("NPARBoxplot.viztemplate", "median test", view_boxplot("median"), ["xAxisText", "yAxisText"]),
    ("NPARBoxplot.viztemplate", "Moses", view_boxplot("moses"), ["xAxisText", "yAxisText"]),
    ("NPARChiSquareTest.viztemplate", "chi-square", view_chi_square(),
     ["titleText", "xAxisText", "yAxisText", "legendTitle"]),
    ("FacetBarChart.viztemplate", "marginal homogeneity", view_facet("homogeneity"),
     ["TitleText", "Facet1Text", "Facet2Text", "tooltipText"]),
    ("FacetBarChart.viztemplate", "McNemar, patterns", view_facet("mcnemar"),
     ["TitleText", "Facet1Text", "Facet2Text", "tooltipText"]),
    ("FacetBarChart.viztemplate", "McNemar, colours only", view_facet("mcnemar", colors_only=True),
     ["TitleText", "Facet1Text", "Facet2Text", "tooltipText"]),
    ("NPARStackedBar.viztemplate", "binomial", view_stacked("binomial", "1.1111111111111112"),
     ["yAxisLabel", "LegendLabel", "CategoryOrderText"]),
    ("NPARStackedBar.viztemplate", "Cochran's Q", view_stacked("cochran", "0.5"),
     ["yAxisLabel", "LegendLabel"]),
    ("NPARStackedBar.viztemplate", "binomial, no cases", view_stacked("binomial", "inf"),
     ["yAxisLabel", "LegendLabel", "CategoryOrderText"]),
    ("NPAROneSampleRunsTest.viztemplate", "runs", view_runs(10.6, 2.25, 7, False),
     ["ObservedRunsText", "TooFewRuns", "TooManyRuns", "___", "__", "_\""]),
    ("NPAROneSampleRunsTest.viztemplate", "runs, split, observed 500", view_runs(250.5, 11.1, 500, True),
     ["ObservedRunsText", "TooFewRuns", "TooManyRuns", "___", "__", "_\""]),
    ("GLMMPairwiseContrasts.viztemplate", "network, grouping field", view_network(True),
     ["TitleText", "FootnoteText"]),
    ("GLMMPairwiseContrasts.viztemplate", "network, related fields", view_network(False),
     ["TitleText", "FootnoteText"]),
    ("NPARRelatedSamplesHistogram.viztemplate", "Friedman / Kendall", view_related_histogram(),
     ["xTitle", "yTitle0", "yTitle1", "categoryOrder1", "subTitle"]),
    ("NPARRelatedSamplesHistogram.viztemplate", "Mann-Whitney / runs", view_two_groups(True),
     ["xTitle", "subTitle", "yTitle0", "yTitle1"]),
    ("NPARKolmogorovSmirnov.viztemplate", "two-sample K-S", view_two_groups(False),
     ["xTitle", "subTitle", "yTitle0", "yTitle1"]),
    ("NPARWilcoxonPairSignedRank.viztemplate", "sign / Wilcoxon pairs", view_pair_differences(),
     ["LegendLabel", "XAxis Text", "YAxis Text"]),
]

# Tokens each template must hold exactly once (a token replaced at its first
# occurrence must not occur a second time).
TOKENS = {}
for template, _, _, tokens in VIEWS:
    TOKENS.setdefault(template, set()).update(t for t in tokens if not set(t) <= set('_"'))


def check_templates(directory, problems):
    names = sorted(f for f in os.listdir(directory) if f.endswith(".viztemplate"))
    expect(set(names) == set(COLUMNS), directory, problems,
           "templates found %s, expected %s" % (names, sorted(COLUMNS)))
    texts = {}
    for name in names:
        with open(os.path.join(directory, name), encoding="utf-8") as f:
            texts[name] = f.read()
        doc = parse(texts[name], name, problems)
        if doc is not None:
            check_document(doc, name, problems, name)
        for token in sorted(TOKENS.get(name, ())):
            count = texts[name].count(token)
            expect(count == 1, name, problems, "token %r occurs %d times" % (token, count))
    for template, what, (text_edits, doc_edits, checks), tokens in VIEWS:
        if template not in texts:
            continue
        where = "%s (%s)" % (template, what)
        edited = text_edits(texts[template])
        for token in tokens:
            if token in edited:
                problems.add(where, "placeholder %r left after the edits" % token)
        doc = parse(edited, where, problems)
        if doc is None:
            continue
        set_text(doc, "title", "Title & <more>")
        set_subtitle(doc, "Region = North")
        if doc_edits:
            doc_edits(doc, where, problems)
        check_document(doc, where, problems, template)
        if checks:
            checks(doc, where, problems)
        # What the service sends must parse again.
        parse(doc.toxml(), where + " written out", problems)


# ---------------------------------------------------------------------------
# The string table.

# Keys the chart views look up, by chart.
STRING_KEYS = [
    # box plots
    "Independent-Samples Jonckheere-Terpstra Test for Ordered Alternatives",
    "Independent-Samples Median Test", "Independent-Samples Moses Test of Extreme Reaction",
    "Independent-Samples Kruskal-Wallis Test", "Mean Rank", "Grand Median",
    "NPAR_BOXPLOT_CONTROLGROUP", "NPAR_BOXPLOT_EXPERIMENTALGROUP",
    # histograms
    "Categorical Field Information", "Continuous Field Information", "E60352", "Frequency",
    "TotalN", "histoN", "histoMin", "histoMax", "histoMean", "histoStdDev", "ORDINAL_AS_CON",
    "One-Sample Kolmogorov-Smirnov Uniform Test", "One-Sample Kolmogorov-Smirnov Normal Test",
    "One-Sample Kolmogorov-Smirnov Poisson Test", "One-Sample Kolmogorov-Smirnov Exponential Test",
    "One-Sample Kolmogorov-Smirnov Test", "Normal Parameters", "Mean", "Std. Deviation",
    "Uniform Parameters", "Minimum", "Maximum", "Poisson Parameter", "Exponential Parameter",
    # chi-square, facet bars, stacked bars
    "One-Sample Chi-Square Test", "Observed", "Hypothesized", "E61605",
    "Related-Samples Marginal Homogeneity Test", "Related-Samples McNemar Change Test",
    "ObservedFrequency", "One-Sample Binomial Test", "Related-Samples Cochran's Q Test", "E60564",
    # runs, one-sample Wilcoxon
    "Observed Number of Runs = ^1", "Too few runs", "Too many runs", "One-Sample Runs Test",
    "One-Sample Wilcoxon Signed Rank Test", "OWilcoxonSignedRanksHypotheticalMedian",
    "OWilcoxonSignedRanksObservedMedian",
    # network
    "Pairwise Comparisons of ^1", "Each node shows the sample average rank of ^1.",
    "Pairwise Comparisons", "Each node shows the sample number of successes.", "Adj.Sig.",
    "Each node shows the sample average rank.", "Each node shows the sample median of ^1.",
    "Each node shows the sample median.",
    # related-samples histograms, differences, two-group histograms
    "Rank", "Related-Samples Kendall's Coefficient of Concordance",
    "Related-Samples Friedman's Two-Way Analysis of Variance by Ranks", "Number of Ties = ^1",
    "Related-Samples Sign Test", "Related-Samples Wilcoxon Signed Rank Test",
    "Positive Differences", "Negative Differences", "N",
    "Independent-Samples Mann-Whitney U Test", "Independent-Samples Kolmogorov-Smirnov Test",
    "Independent-Samples Wald-Wolfowitz Runs Test",
]
TAKES_ARGUMENT = {"ORDINAL_AS_CON", "Observed Number of Runs = ^1", "Pairwise Comparisons of ^1",
                  "Each node shows the sample average rank of ^1.",
                  "Each node shows the sample median of ^1.", "Number of Ties = ^1"}
# Texts that a view continues directly with a number.
ENDS_IN_BLANK = {"NPAR_BOXPLOT_CONTROLGROUP", "NPAR_BOXPLOT_EXPERIMENTALGROUP",
                 "OWilcoxonSignedRanksHypotheticalMedian", "OWilcoxonSignedRanksObservedMedian"}
SECTION = "Nonparametric Tests"


def check_strings(path, problems):
    sections, section = {}, None
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\r\n")
            if not line or line.startswith("#"):
                continue
            if line.startswith("[") and line.endswith("]"):
                section = line[1:-1]
                sections.setdefault(section, {})
                continue
            if "\t" not in line:
                problems.add(path, "line %d has no tab" % number)
                continue
            key, text = line.split("\t", 1)
            entries = sections.setdefault(section, {})
            if key in entries:
                problems.add(path, "key %r is defined twice (line %d)" % (key, number))
            entries[key] = text
            if not text.strip():
                problems.add(path, "key %r has an empty text" % key)
    entries = sections.get(SECTION, {})
    for key in STRING_KEYS:
        if key not in entries:
            problems.add(path, "key %r is missing from [%s]" % (key, SECTION))
    for key in TAKES_ARGUMENT:
        if key in entries and "^1" not in entries[key]:
            problems.add(path, "the text of %r lost its ^1" % key)
    for key in ENDS_IN_BLANK:
        if key in entries and not entries[key].endswith(" "):
            problems.add(path, "the text of %r must end in a blank" % key)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    resources = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "resources")
    problems = Problems()
    check_templates(os.path.join(resources, "templates"), problems)
    check_strings(os.path.join(resources, "strings", "en.txt"), problems)
    for item in problems.items:
        print(item)
    print("%d problem(s)" % len(problems.items))
    return 1 if problems.items else 0


if __name__ == "__main__":
    sys.exit(main())
