// The output document as a self-contained HTML page: an outline pane with a
// link to every heading and table beside the report itself. One function per
// item kind; tables are drawn from their shared layout grid.
#include <map>
#include <string>

#include "OutputDocument.h"
#include "TableLayout.h"

namespace npar {
namespace {

constexpr const char* kStyle =
    "body{margin:0;font:14px/1.4 sans-serif;color:#222;display:flex;min-height:100vh}"
    "nav.outline{flex:0 0 18em;background:#f4f5f7;border-right:1px solid #d0d4da;"
    "padding:1em;overflow:auto;position:sticky;top:0;max-height:100vh;box-sizing:border-box}"
    "nav.outline{font-size:13px;line-height:1.35}"
    "nav.outline ul{list-style:none;margin:0;padding-left:1em}"
    "nav.outline li{margin:.1em 0}"
    "nav.outline>ul{padding-left:0}"
    "nav.outline a{color:#1d4f91;text-decoration:none}"
    "nav.outline a:hover{text-decoration:underline}"
    "main.report{flex:1;padding:1em 2em;min-width:0}"
    "section.heading{margin:0 0 1em 0}"
    "section.heading section.heading{margin-left:1em}"
    "h1,h2,h3,h4,h5,h6{margin:.6em 0 .4em 0;color:#1f2a3a}"
    "h1{font-size:1.35em;border-bottom:1px solid #d0d4da;padding-bottom:.15em}"
    "h2{font-size:1.15em}h3,h4,h5,h6{font-size:1em}"
    "p.error{color:#8a1c1c;background:#fbeaea;border-left:3px solid #c0392b;padding:.3em .6em}"
    "p.stopped{color:#8a1c1c;font-weight:bold}"
    "div.item{margin:.5em 0}"
    "nav.outline li.table>a{color:#4a5563;font-size:.92em}"
    "nav.outline li.table>a::before{content:'\\25A4  ';color:#8a94a3}"
    "div.pivot{margin:.8em 0 1.6em 0}"
    "div.pivot div.frame{display:table;max-width:100%}"
    "table.pivot{border-collapse:collapse;font-size:13px;font-variant-numeric:tabular-nums;"
    "border-top:2px solid #3b4452;border-bottom:2px solid #3b4452}"
    "div.pivot p.title{font-weight:bold;font-size:14px;margin:0 0 .1em 0}"
    "div.pivot p.split{color:#3b4452;font-size:13px;margin:0 0 .1em 0}"
    "div.pivot div.frame{margin-top:.3em}"
    "table.pivot th,table.pivot td{border:1px solid #d3d8df;padding:.22em .6em;"
    "vertical-align:top;text-align:left}"
    "table.pivot thead th{background:#eaeef3;font-weight:600;vertical-align:bottom}"
    "table.pivot thead th.span{text-align:center;border-bottom:1px solid #8a94a3}"
    "table.pivot thead th.num{text-align:right}"
    "table.pivot tbody th{background:#f6f7f9;font-weight:normal}"
    "table.pivot .corner{background:#eaeef3}"
    "table.pivot td.num{text-align:right;white-space:nowrap}"
    "table.pivot .short{white-space:nowrap}"
    "table.pivot thead tr:last-child th,table.pivot .corner{border-bottom:1px solid #3b4452}"
    "table.pivot sup{font-size:.72em;line-height:0;margin-left:.12em;color:#1d4f91}"
    "div.pivot div.foot{font-size:12px;color:#333;padding-top:.35em}"
    "div.pivot div.frame>div.foot{display:table-caption;caption-side:bottom}"
    "div.pivot div.foot p{margin:.15em 0}"
    "@media print{body{display:block}nav.outline{display:none}main.report{padding:0}"
    "div.pivot{break-inside:avoid}table.pivot thead th,table.pivot tbody th,table.pivot .corner"
    "{background:none}}";

// Texts up to this many bytes are kept on one line in a table cell.
constexpr size_t kShortText = 32;

constexpr const char* kSecurityPolicy = "default-src 'none'; style-src 'unsafe-inline'";

std::string Escape(const std::string& text) {
    const std::string clean = SanitizeUtf8(text);
    std::string out;
    out.reserve(clean.size());
    for (char c : clean) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default:
                out += c;
        }
    }
    return out;
}

// Anchors of the headings and the tables, each kind numbered in document order.
struct Anchors {
    std::map<const OutputItem*, std::string> ids;
    int headings = 0;
    int tables = 0;
};

void NumberItems(const OutputItem& parent, Anchors& anchors) {
    for (const auto& child : parent.children) {
        if (child->kind == OutputItem::Kind::Heading) {
            anchors.ids.emplace(child.get(), "heading-" + std::to_string(++anchors.headings));
            NumberItems(*child, anchors);
        } else if (child->kind == OutputItem::Kind::Table) {
            anchors.ids.emplace(child.get(), "table-" + std::to_string(++anchors.tables));
        }
    }
}

std::string DisplayText(const OutputItem& item) {
    const std::string& text = item.table ? item.table->title : item.text;
    return text.empty() ? std::string("(untitled)") : text;
}

// ---------------------------------------------------------------------------
// Outline

void WriteOutlineList(const OutputItem& parent, const Anchors& anchors, std::string& out) {
    bool open = false;
    for (const auto& child : parent.children) {
        const auto anchor = anchors.ids.find(child.get());
        if (anchor == anchors.ids.end()) continue;
        if (!open) out += "<ul>";
        open = true;
        const bool table = child->kind == OutputItem::Kind::Table;
        out += std::string(table ? "<li class=\"table\">" : "<li>") + "<a href=\"#" + anchor->second + "\">" +
               Escape(DisplayText(*child)) + "</a>";
        if (!table) WriteOutlineList(*child, anchors, out);
        out += "</li>";
    }
    if (open) out += "</ul>\n";
}

void WriteOutline(const OutputDocument& document, const Anchors& anchors, std::string& out) {
    out += "<nav class=\"outline\">\n<h2>Outline</h2>\n";
    WriteOutlineList(document.Root(), anchors, out);
    out += "</nav>\n";
}

// ---------------------------------------------------------------------------
// Tables, drawn from their layout grid

// Escaped text whose line breaks stay line breaks.
std::string EscapeLines(const std::string& text) {
    std::string out;
    for (char c : Escape(text)) out += c == '\n' ? std::string("<br>") : std::string(1, c);
    return out;
}

std::string Marked(const MarkedText& text) {
    std::string out = EscapeLines(text.text);
    if (text.marks.empty()) return out;
    out += "<sup>";
    for (size_t i = 0; i < text.marks.size(); ++i) out += (i ? "," : "") + Escape(text.marks[i]);
    return out + "</sup>";
}

std::string Spans(const LayoutCell& cell) {
    std::string out;
    if (cell.rowSpan > 1) out += " rowspan=\"" + std::to_string(cell.rowSpan) + "\"";
    if (cell.columnSpan > 1) out += " colspan=\"" + std::to_string(cell.columnSpan) + "\"";
    return out;
}

std::string GridCell(const LayoutCell& cell) {
    switch (cell.kind) {
        case LayoutCell::Kind::Corner:
            if (cell.content.text.empty()) return "<td class=\"corner\"" + Spans(cell) + "></td>";
            return "<th scope=\"col\" class=\"corner\"" + Spans(cell) + ">" + Marked(cell.content) + "</th>";
        case LayoutCell::Kind::ColumnLabel: {
            // Short labels stay on one line, spanning ones centred, those over numbers right-aligned.
            std::string classes = cell.columnSpan > 1 ? "span" : cell.align == CellAlign::Right ? "num" : "";
            if (cell.content.text.size() <= kShortText) classes += classes.empty() ? "short" : " short";
            return std::string("<th scope=\"") + (cell.columnSpan > 1 ? "colgroup" : "col") + "\" class=\"" +
                   classes + "\"" + Spans(cell) + ">" + Marked(cell.content) + "</th>";
        }
        case LayoutCell::Kind::RowLabel:
            return "<th scope=\"" + std::string(cell.rowSpan > 1 ? "rowgroup" : "row") + "\"" + Spans(cell) +
                   ">" + Marked(cell.content) + "</th>";
        case LayoutCell::Kind::Data:
            break;
    }
    // Short texts stay on one line; long ones (hypotheses) wrap.
    const char* type = cell.numeric                             ? "<td class=\"num\""
                       : cell.content.text.empty()              ? "<td"
                       : cell.content.text.size() <= kShortText ? "<td class=\"short\""
                                                                : "<td class=\"text\"";
    return type + Spans(cell) + ">" + Marked(cell.content) + "</td>";
}

void WriteGridRows(const TableLayout& layout, std::string& out) {
    size_t next = 0;
    for (int row = 0; row < layout.rows; ++row) {
        if (row == 0 && layout.headerRows > 0) out += "<thead>\n";
        if (row == layout.headerRows) out += "<tbody>\n";
        out += "<tr>";
        for (; next < layout.cells.size() && layout.cells[next].row == row; ++next)
            out += GridCell(layout.cells[next]);
        out += "</tr>\n";
        if (row + 1 == layout.headerRows) out += "</thead>\n";
    }
    if (layout.rows > layout.headerRows) out += "</tbody>\n";
}

void WriteTableFoot(const TableLayout& layout, std::string& out) {
    if (!layout.hasCaption && layout.footnotes.empty()) return;
    out += "<div class=\"foot\">\n";
    if (layout.hasCaption) out += "<p class=\"caption\">" + EscapeLines(layout.caption) + "</p>\n";
    for (const Footnote& note : layout.footnotes)
        out += "<p class=\"note\"><sup>" + Escape(note.mark) + "</sup> " + EscapeLines(note.text) + "</p>\n";
    out += "</div>\n";
}

void WriteTable(const OutputItem& item, const Anchors& anchors, std::string& out) {
    out += "<div class=\"item pivot\" id=\"" + anchors.ids.at(&item) + "\">\n";
    if (!item.table) {
        out += "<p class=\"title\">" + Escape(item.text) + "</p>\n</div>\n";
        return;
    }
    const TableLayout layout = LayOutTable(*item.table);
    const std::string titleId = anchors.ids.at(&item) + "-title";
    out += "<p class=\"title\" id=\"" + titleId + "\">" + Marked(layout.title) + "</p>\n";
    for (const SplitLine& split : layout.splits) {
        out += "<p class=\"split\">" + (split.title.empty() ? "" : Escape(split.title) + ": ") +
               Marked(split.value) + "</p>\n";
    }
    if (layout.rows == 0 || layout.columns == 0) {
        WriteTableFoot(layout, out);  // a table without categories has nothing to draw
        out += "</div>\n";
        return;
    }
    // The frame is as wide as the table, so the caption and notes wrap under it.
    out += "<div class=\"frame\">\n<table class=\"pivot\" aria-labelledby=\"" + titleId + "\">\n";
    WriteGridRows(layout, out);
    out += "</table>\n";
    WriteTableFoot(layout, out);
    out += "</div>\n</div>\n";
}

// ---------------------------------------------------------------------------
// Items

void WriteItems(const OutputItem& parent, int level, const Anchors& anchors, std::string& out);

void WriteHeading(const OutputItem& item, int level, const Anchors& anchors, std::string& out) {
    const std::string tag = "h" + std::to_string(level < 6 ? level : 6);
    out += "<section class=\"heading\" id=\"" + anchors.ids.at(&item) + "\">\n<" + tag + ">" +
           Escape(DisplayText(item)) + "</" + tag + ">\n";
    WriteItems(item, level + 1, anchors, out);
    out += "</section>\n";
}

void WriteChart(const OutputItem& item, std::string& out) {
    if (item.chart) {
        out += WriteChartHtml(*item.chart);
        return;
    }
    out += "<div class=\"item chart\"><p class=\"title\">" + Escape(item.text) + "</p></div>\n";
}

void WriteError(const OutputItem& item, std::string& out) {
    out += "<p class=\"error\">" + Escape(item.text) + "</p>\n";
}

void WriteItems(const OutputItem& parent, int level, const Anchors& anchors, std::string& out) {
    for (const auto& child : parent.children) {
        switch (child->kind) {
            case OutputItem::Kind::Heading: WriteHeading(*child, level, anchors, out); break;
            case OutputItem::Kind::Table: WriteTable(*child, anchors, out); break;
            case OutputItem::Kind::Chart: WriteChart(*child, out); break;
            case OutputItem::Kind::Error: WriteError(*child, out); break;
        }
    }
}

void WriteHead(std::string& out) {
    out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    out += "<meta http-equiv=\"Content-Security-Policy\" content=\"";
    out += kSecurityPolicy;
    out += "\">\n<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    out += "<title>Nonparametric Tests</title>\n<style>";
    out += kStyle;
    out += "</style>\n</head>\n";
}

}  // namespace

std::string WriteHtml(const OutputDocument& document) {
    Anchors anchors;
    NumberItems(document.Root(), anchors);
    std::string out;
    WriteHead(out);
    out += "<body>\n";
    WriteOutline(document, anchors, out);
    out += "<main class=\"report\">\n";
    WriteItems(document.Root(), 1, anchors, out);
    if (!document.ok)
        out +=
            "<p class=\"stopped\">The run stopped at a split whose result document could not "
            "be read.</p>\n";
    out += "</main>\n</body>\n</html>\n";
    return out;
}

}  // namespace npar
