// The output document as a self-contained HTML page: an outline pane with a
// link to every heading, table and chart beside the report itself. One
// function per item kind; tables are drawn from their shared layout grid,
// charts by the chart library inlined into the page from the resources'
// vendor folder, each from the Vega-Lite specification the chart renderer
// makes of its chart document. Each table and each results line has a button
// that copies it (a table as tab-separated text) by a script of the page.
// Each top-level item is written into an entry of its own as it comes (on a
// worker thread while the procedure runs), and the page is put together at
// the end, when its head (which scripts it allows) and its outline are known.
#include <deque>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ChartListing.h"
#include "ChartRenderer.h"
#include "FacSTDictionary.h"
#include "OutputWriters.h"
#include "ScriptHash.h"
#include "TableLayout.h"
#include "WorkAhead.h"
#include "WorkerStream.h"
#include "text/Blanks.h"
#include "text/Escapes.h"
#include "text/Utf8.h"

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
    "nav.outline li.chart>a{color:#4a5563;font-size:.92em}"
    "nav.outline li.chart>a::before{content:'\\25D4  ';color:#8a94a3}"
    "figure.chart{margin:.8em 0 1.6em 0}"
    "figure.chart p.chart-title{font-weight:bold;margin:0 0 .1em 0}"
    "figure.chart p.chart-subtitle{color:#3b4452;font-size:13px;margin:0 0 .3em 0}"
    "figure.chart p.chart-footnote,figure.chart p.chart-label{font-size:12px;color:#333;margin:.3em 0}"
    "figure.chart p.chart-note{font-size:12px;color:#5a4a00;background:#fdf6dc;"
    "border-left:3px solid #d4a72c;padding:.25em .6em;margin:.3em 0;display:table}"
    "figure.chart p.chart-more{font-size:12px;color:#4a5563;margin:.1em 0}"
    "table.chart-data{border-collapse:collapse;font-size:12px;margin:.3em 0;"
    "font-variant-numeric:tabular-nums}"
    "table.chart-data caption{text-align:left;color:#4a5563;font-size:12px}"
    "table.chart-data th,table.chart-data td{border:1px solid #d3d8df;padding:.1em "
    ".45em;text-align:left}"
    "table.chart-data th{background:#eaeef3;font-weight:600}"
    "figure.chart .chart-view{max-width:100%;overflow-x:auto}"
    "div.pivot-head{display:flex;flex-wrap:wrap;align-items:baseline;column-gap:.6em}"
    "div.results{display:flex;align-items:baseline;column-gap:.6em;margin:.4em 0 1.2em 0}"
    "p.results{margin:0;min-width:0;padding:.3em .6em;background:#f4f7fb;border-left:3px solid #1d4f91}"
    "span.held{white-space:nowrap}"
    "div.results button.copy,div.results span.copy-status{flex:none}"
    "p.text{margin:.4em 0}"
    "p.source{color:#4a5563;font-size:13px;margin:0 0 .6em 0}"
    "button.copy,button.save{font:inherit;font-size:12px;color:#1d4f91;background:#fff;"
    "border:1px solid #8a94a3;"
    "border-radius:3px;padding:.05em .6em;cursor:pointer}"
    "button.copy:hover,button.save:hover{background:#eaeef3}"
    "button.copy:focus-visible,button.save:focus-visible{outline:2px solid #1d4f91;outline-offset:2px}"
    "div.chart-save{display:flex;column-gap:.6em;margin:.2em 0}"
    "span.copy-status{font-size:12px;color:#1e6b34}"
    "textarea.copy-buffer{position:fixed;top:0;left:0;width:1px;height:1px;opacity:0}"
    ".visually-hidden{position:absolute;width:1px;height:1px;overflow:hidden;clip:rect(0 0 0 0);"
    "white-space:nowrap}"
    "@media print{body{display:block}"
    "nav.outline,button.copy,span.copy-status,div.chart-save{display:none}"
    "main.report{padding:0}"
    "div.pivot,figure.chart{break-inside:avoid}"
    // Paper has no scroll bar: a table as wide as its one-line short texts
    // would lose its last columns, so they wrap there.
    "table.pivot{font-size:11px}table.pivot .short{white-space:normal}"
    // A chart wider than the paper is drawn smaller rather than cut off.
    "figure.chart .chart-view svg{max-width:100%;height:auto}"
    "table.pivot thead th,table.pivot tbody th,table.pivot "
    ".corner"
    "{background:none}}";

// Texts up to this many bytes are kept on one line in a table cell.
constexpr size_t kShortText = 32;

// What a report may do: inline styles, and no script but the ones it holds
// (added by their hashes when the report draws charts). No request of any
// kind leaves the page.
constexpr const char* kSecurityPolicy = "default-src 'none'; style-src 'unsafe-inline'";

// The chart library, inlined in this order: the visualization grammar, its
// expression interpreter (so no expression is ever compiled to a function),
// the Vega-Lite compiler and the embedding helper.
constexpr const char* kLibraryFiles[] = {"vega.min.js", "vega-interpreter.min.js", "vega-lite.min.js",
                                         "vega-embed.min.js"};

// Draws every chart placeholder from its inlined specification. Expressions
// are interpreted from their syntax trees (ast), so the page needs no
// 'unsafe-eval'; the loader refuses every request, so nothing is fetched.
// The charts near the window are drawn as they come near, the others one at
// a time in page order when the page is idle, so that a report of many
// charts opens at once and shows the charts one scrolls to. Each
// placeholder ends in data-state "drawn" or "failed", and the root element
// gets data-charts="done" when all are settled. A drawn chart gets buttons
// that save it as an SVG or a PNG picture (twice the size on screen), named
// after its title, for a manuscript or a slide.
constexpr const char* kChartScript = R"JS(
(function () {
  "use strict";
  var root = document.documentElement;
  var views = document.querySelectorAll("div.chart-view[data-spec]");
  var pending = views.length;
  function settle() {
    pending -= 1;
    if (pending <= 0) root.setAttribute("data-charts", "done");
  }
  function refuse() { return Promise.reject(new Error("the report loads nothing")); }
  var loader = { load: refuse, sanitize: refuse, http: refuse, file: refuse };
  function fail(view, reason) {
    view.textContent = "";
    var note = document.createElement("p");
    note.className = "chart-note";
    note.textContent = "The chart could not be drawn: " + reason;
    view.appendChild(note);
    view.setAttribute("data-state", "failed");
    settle();
  }
  if (pending === 0) {
    root.setAttribute("data-charts", "done");
    return;
  }
  if (typeof vegaEmbed !== "function" || typeof vega === "undefined" ||
      !vega.expressionInterpreter) {
    Array.prototype.forEach.call(views, function (view) {
      fail(view, "the chart library did not load.");
    });
    return;
  }
  var options = { ast: true, expr: vega.expressionInterpreter, actions: false, renderer: "svg",
                  loader: loader };
  function draw(view) {
    var spec;
    try {
      spec = JSON.parse(document.getElementById(view.getAttribute("data-spec")).textContent);
    } catch (e) {
      fail(view, "its specification is not valid JSON.");
      return Promise.resolve();
    }
    view.textContent = "";
    var drawing;
    try {
      drawing = vegaEmbed(view, spec, options);
    } catch (e) {
      drawing = Promise.reject(e);
    }
    return drawing.then(function (result) {
      view.setAttribute("data-state", "drawn");
      addSaveButtons(view, result.view);
      settle();
    }, function (error) {
      fail(view, String(error && error.message ? error.message : error));
    });
  }

  // The picture's file name: its title with what file systems refuse left out.
  function fileName(view) {
    var caption = view.parentNode.querySelector("figcaption");
    var title = (caption ? caption.textContent : "").replace(/[\\/:*?"<>|\u0000-\u001f]+/g, " ")
        .replace(/\s+/g, " ").trim().slice(0, 100);
    return title || "chart";
  }
  function download(url, name) {
    var link = document.createElement("a");
    link.href = url;
    link.download = name;
    document.body.appendChild(link);
    link.click();
    document.body.removeChild(link);
  }
  function addSaveButtons(view, picture) {
    var bar = document.createElement("div");
    bar.className = "chart-save";
    var name = fileName(view);
    [["SVG", "svg"], ["PNG", "png"]].forEach(function (kind) {
      var button = document.createElement("button");
      button.type = "button";
      button.className = "save";
      button.textContent = "Save " + kind[0];
      button.setAttribute("aria-label", "Save " + kind[0] + " of " + name);
      button.addEventListener("click", function () {
        var made = kind[1] === "svg"
            ? picture.toSVG().then(function (svg) {
                return "data:image/svg+xml;charset=utf-8," + encodeURIComponent(svg);
              })
            : picture.toImageURL("png", 2);
        made.then(function (url) { download(url, name + "." + kind[1]); });
      });
      bar.appendChild(button);
    });
    view.parentNode.insertBefore(bar, view.nextSibling);
  }

  // The charts near the window are drawn as they come near; the others one
  // at a time, in page order, when the page has nothing else to do.
  var started = new Set();
  function begin(view) {
    if (started.has(view)) return null;
    started.add(view);
    return draw(view);
  }
  var next = 0;  // the first placeholder in page order not yet looked at
  var whenIdle = typeof requestIdleCallback === "function" ? requestIdleCallback
      : function (work) { return setTimeout(work, 0); };
  // Goes on while the idle period lasts, then waits for the next one.
  function drawInBackground(idle) {
    while (next < views.length) {
      var drawing = begin(views[next++]);
      if (drawing !== null) {
        drawing.then(function () {
          if (idle && idle.timeRemaining() > 0) drawInBackground(idle);
          else whenIdle(drawInBackground);
        });
        return;
      }
    }
  }
  if (typeof IntersectionObserver === "function") {
    var observer = new IntersectionObserver(function (entries) {
      entries.forEach(function (entry) {
        if (!entry.isIntersecting) return;
        observer.unobserve(entry.target);
        begin(entry.target);
      });
    }, { rootMargin: "100% 0px" });
    Array.prototype.forEach.call(views, function (view) { observer.observe(view); });
  }
  whenIdle(drawInBackground);
})();
)JS";

// Copies what a copy button stands for: its data-tsv text (a table as
// tab-separated text) or the text of the element its data-copy-from names (a
// results line). The clipboard interface is used where the page may use it,
// else a selection copied by the browser's copy command. The status element
// after the button says "Copied" for a while, or that copying failed.
constexpr const char* kCopyScript = R"JS(
(function () {
  "use strict";
  function textOf(button) {
    var tsv = button.getAttribute("data-tsv");
    if (tsv !== null) return tsv;
    var source = document.getElementById(button.getAttribute("data-copy-from"));
    return source ? source.textContent : "";
  }
  function copyBySelection(text) {
    var buffer = document.createElement("textarea");
    buffer.className = "copy-buffer";
    buffer.setAttribute("readonly", "");
    buffer.setAttribute("aria-hidden", "true");
    buffer.value = text;
    document.body.appendChild(buffer);
    buffer.select();
    var copied = false;
    try { copied = document.execCommand("copy"); } catch (e) { copied = false; }
    document.body.removeChild(buffer);
    return copied ? Promise.resolve() : Promise.reject(new Error("the browser refused to copy"));
  }
  function copy(text) {
    if (navigator.clipboard && navigator.clipboard.writeText) {
      return navigator.clipboard.writeText(text).catch(function () { return copyBySelection(text); });
    }
    return copyBySelection(text);
  }
  var shown = 0;
  function say(button, message) {
    var status = button.nextElementSibling;
    if (!status || status.className !== "copy-status") return;
    var mine = ++shown;
    status.textContent = message;
    window.setTimeout(function () { if (mine === shown) status.textContent = ""; }, 3000);
  }
  document.addEventListener("click", function (event) {
    var button = event.target && event.target.closest ? event.target.closest("button.copy") : null;
    if (!button) return;
    copy(textOf(button)).then(function () { say(button, "Copied"); },
                              function () { say(button, "Copying failed; select the text to copy it."); });
  });
})();
)JS";

// The note a chart shows when the library is not beside the program.
constexpr const char* kNoLibraryNote =
    "The chart library was not found in the resources' vendor folder, so the chart is shown as "
    "its data.";

// Anchors of the headings, tables, charts and results lines, each kind
// numbered in document order: the ids of the items, and how many of each
// kind the page has so far.
using AnchorIds = std::map<const OutputItem*, std::string>;

struct AnchorCounts {
    int headings = 0;
    int tables = 0;
    int charts = 0;
    int results = 0;

    // Tables and results lines have copy buttons, which the copy script serves.
    bool HasCopyButtons() const { return tables > 0 || results > 0; }
};

// Numbers the item and, in a heading, the items under it.
void NumberItem(const OutputItem& item, AnchorCounts& counts, AnchorIds& ids) {
    if (item.kind == OutputItem::Kind::Heading) {
        ids.emplace(&item, "heading-" + std::to_string(++counts.headings));
        for (const auto& child : item.children) NumberItem(*child, counts, ids);
    } else if (item.kind == OutputItem::Kind::Table) {
        ids.emplace(&item, "table-" + std::to_string(++counts.tables));
    } else if (item.kind == OutputItem::Kind::Chart) {
        ids.emplace(&item, "chart-" + std::to_string(++counts.charts));
    } else if (item.kind == OutputItem::Kind::Text && item.role == "results") {
        ids.emplace(&item, "text-" + std::to_string(++counts.results));
    }
}

std::string DisplayText(const OutputItem& item) {
    const std::string& text = item.table   ? item.table->title
                              : item.chart ? item.chart->title
                                           : item.text;
    return text.empty() ? std::string("(untitled)") : text;
}

// ---------------------------------------------------------------------------
// Outline

bool InOutline(const OutputItem& item, const AnchorIds& ids) {
    return item.kind != OutputItem::Kind::Text && ids.count(&item) > 0;
}

void WriteOutlineItem(const OutputItem& item, const AnchorIds& ids, OutputSink& out);

void WriteOutlineList(const OutputItem& parent, const AnchorIds& ids, OutputSink& out) {
    bool open = false;
    for (const auto& child : parent.children) {
        if (!InOutline(*child, ids)) continue;
        if (!open) out += "<ul>";
        open = true;
        WriteOutlineItem(*child, ids, out);
    }
    if (open) out += "</ul>\n";
}

// The item's line in the outline, with, for a heading, the list of the items
// under it (for an item InOutline takes).
void WriteOutlineItem(const OutputItem& item, const AnchorIds& ids, OutputSink& out) {
    const bool heading = item.kind == OutputItem::Kind::Heading;
    const char* line = heading                                ? "<li>"
                       : item.kind == OutputItem::Kind::Table ? "<li class=\"table\">"
                                                              : "<li class=\"chart\">";
    out += std::string(line) + "<a href=\"#" + ids.at(&item) + "\">" + EscapeHtml(DisplayText(item)) +
           "</a>";
    if (heading) WriteOutlineList(item, ids, out);
    out += "</li>";
}

// The outline pane, from the lines of the page's top-level items.
void WriteOutline(const std::vector<const std::string*>& lines, OutputSink& out) {
    out += "<nav class=\"outline\">\n<h2>Outline</h2>\n";
    bool open = false;
    for (const std::string* line : lines) {
        if (line->empty()) continue;
        if (!open) out += "<ul>";
        open = true;
        out += *line;
    }
    if (open) out += "</ul>\n";
    out += "</nav>\n";
}

// ---------------------------------------------------------------------------
// Tables, drawn from their layout grid

// A text for the page (a results line, a table's caption), escaped, each run
// of words its statements hold together (HeldBlanks) kept on one line: "p <
// .001", "ε² = Epsilon-Squared" and "95% CI [−.22, .19]" never break at their
// blanks. A run longer than a short line (an unclosed bracket) is left to
// wrap; a line break stays one. The text itself is unchanged, and so is what
// a copy button copies of it.
std::string HeldHtml(const std::string& text) {
    constexpr size_t kLongestHeldRun = 60;  // columns
    const std::vector<bool> held = HeldBlanks(text);
    std::string html;
    html.reserve(text.size() + text.size() / 2);
    for (size_t start = 0; start <= text.size();) {
        size_t end = start;
        bool holds = false;
        for (; end < text.size() && text[end] != '\n' && (text[end] != ' ' || held[end]); ++end)
            holds = holds || held[end];
        const std::string run = text.substr(start, end - start);
        if (holds && DisplayWidth(run) <= kLongestHeldRun)
            html += "<span class=\"held\">" + EscapeHtml(run) + "</span>";
        else
            html += EscapeHtml(run);
        if (end < text.size()) html += text[end] == '\n' ? "<br>" : " ";
        start = end + 1;
    }
    return html;
}

// Escaped text whose line breaks stay line breaks.
std::string EscapeLines(const std::string& text) {
    std::string out;
    for (char c : EscapeHtml(text)) out += c == '\n' ? std::string("<br>") : std::string(1, c);
    return out;
}

std::string Marked(const MarkedText& text) {
    std::string out = EscapeLines(text.text);
    if (text.marks.empty()) return out;
    out += "<sup>";
    for (size_t i = 0; i < text.marks.size(); ++i) out += (i ? "," : "") + EscapeHtml(text.marks[i]);
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
            return "<th scope=\"col\" class=\"corner\"" + Spans(cell) + ">" + Marked(cell.content) +
                   "</th>";
        case LayoutCell::Kind::ColumnLabel: {
            // Short labels stay on one line, spanning ones centred, those over numbers right-aligned.
            std::string classes = cell.columnSpan > 1              ? "span"
                                  : cell.align == CellAlign::Right ? "num"
                                                                   : "";
            if (cell.content.text.size() <= kShortText) classes += classes.empty() ? "short" : " short";
            return std::string("<th scope=\"") + (cell.columnSpan > 1 ? "colgroup" : "col") +
                   "\" class=\"" + classes + "\"" + Spans(cell) + ">" + Marked(cell.content) + "</th>";
        }
        case LayoutCell::Kind::RowLabel:
            return "<th scope=\"" + std::string(cell.rowSpan > 1 ? "rowgroup" : "row") + "\"" +
                   Spans(cell) + ">" + Marked(cell.content) + "</th>";
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

void WriteGridRows(const TableLayout& layout, OutputSink& out) {
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

void WriteTableFoot(const TableLayout& layout, OutputSink& out) {
    if (!layout.hasCaption && layout.footnotes.empty()) return;
    out += "<div class=\"foot\">\n";
    if (layout.hasCaption) out += "<p class=\"caption\">" + HeldHtml(layout.caption) + "</p>\n";
    for (const Footnote& note : layout.footnotes)
        out += "<p class=\"note\"><sup>" + EscapeHtml(note.mark) + "</sup> " + EscapeLines(note.text) +
               "</p>\n";
    out += "</div>\n";
}

// A button that copies text: the table's tab-separated text when tsv is
// given, else the text of the element named by copyFrom. Its status element
// follows it, where the script confirms the copy.
std::string CopyButton(const std::string& name, const std::string& describedBy, const std::string& tsv,
                       const std::string& copyFrom) {
    std::string out =
        "<button type=\"button\" class=\"copy\" aria-label=\"" + name + "\" title=\"" + name + "\"";
    if (!describedBy.empty()) out += " aria-describedby=\"" + describedBy + "\"";
    if (copyFrom.empty()) {
        out += " data-tsv=\"";
        for (char c : EscapeHtml(tsv))
            out += c == '\t' ? "&#9;" : c == '\n' ? "&#10;" : std::string(1, c);
        out += "\"";
    } else {
        out += " data-copy-from=\"" + copyFrom + "\"";
    }
    return out + ">Copy</button><span class=\"copy-status\" role=\"status\"></span>";
}

void WriteTable(const OutputItem& item, const AnchorIds& ids, OutputSink& out) {
    out += "<div class=\"item pivot\" id=\"" + ids.at(&item) + "\">\n";
    if (!item.table) {
        out += "<p class=\"title\">" + EscapeHtml(item.text) + "</p>\n</div>\n";
        return;
    }
    const TableLayout layout = LayOutTable(*item.table);
    const std::string titleId = ids.at(&item) + "-title";
    const bool hasGrid = layout.rows > 0 && layout.columns > 0;
    out += "<div class=\"pivot-head\"><p class=\"title\" id=\"" + titleId + "\">" +
           Marked(layout.title) + "</p>";
    if (hasGrid)
        out += CopyButton("Copy table as tab-separated text", titleId, TableAsTabSeparated(layout), "");
    out += "</div>\n";
    for (const SplitLine& split : layout.splits) {
        out += "<p class=\"split\">" + (split.title.empty() ? "" : EscapeHtml(split.title) + ": ") +
               Marked(split.value) + "</p>\n";
    }
    if (!hasGrid) {
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

// The chart library as read from the resources: the library files' text,
// empty when one is missing.
struct ChartLibrary {
    std::vector<std::string> scripts;

    bool Available() const { return !scripts.empty(); }
};

// Reads the library files from the resources' vendor folder. A missing or
// unreadable file, or one that could end the script element early, leaves
// the library out: the charts are then shown as their data.
ChartLibrary ReadChartLibrary() {
    ChartLibrary library;
    const std::string folder = PathFactory::ResourceDirectory() + "/vendor/";
    for (const char* name : kLibraryFiles) {
        std::ifstream in(folder + name, std::ios::binary);
        std::string text;
        if (in) text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        std::string lower = text;
        for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (text.empty() || lower.find("</script") != std::string::npos ||
            lower.find("<!--") != std::string::npos) {
            library.scripts.clear();
            return library;
        }
        library.scripts.push_back(std::move(text));
    }
    return library;
}

bool Drawn(const RenderedChart& rendered) { return rendered.drawable && !rendered.vegaLite.empty(); }

// The charts of the items given, drawn ahead on worker threads in page order
// while the items before them are written (but for one drawn already).
class DrawingsAhead {
public:
    // None: every chart is drawn where it stands.
    DrawingsAhead() = default;
    DrawingsAhead(const std::vector<const OutputItem*>& items, const ChartLibrary& library,
                  const OutputItem* drawnAlready, unsigned threads) {
        if (!library.Available() || threads < 2) return;
        for (const OutputItem* item : items) Collect(*item, drawnAlready);
        if (fCharts.size() < 2) return;
        fAhead = std::make_unique<WorkAhead<RenderedChart>>(
            fCharts.size(), [this](size_t index) { return RenderChart(*fCharts[index]->chart); },
            threads - 1);
    }

    RenderedChart Drawing(const OutputItem& item) {
        if (fAhead && fTaken < fCharts.size() && fCharts[fTaken] == &item) return fAhead->Take(fTaken++);
        return RenderChart(*item.chart);
    }

private:
    void Collect(const OutputItem& item, const OutputItem* drawnAlready) {
        if (item.kind == OutputItem::Kind::Heading) {
            for (const auto& child : item.children) Collect(*child, drawnAlready);
        } else if (item.kind == OutputItem::Kind::Chart && item.chart && &item != drawnAlready) {
            fCharts.push_back(&item);
        }
    }

    std::vector<const OutputItem*> fCharts;
    std::unique_ptr<WorkAhead<RenderedChart>> fAhead;
    size_t fTaken = 0;
};

// What writing items needs beyond the items: their anchors, the chart
// library, and where the charts' drawings come from. It notes whether a
// chart was drawn, since only a page that draws one holds the library.
struct ItemContext {
    const AnchorIds& ids;
    const ChartLibrary& library;
    DrawingsAhead& drawings;
    // A chart drawn already (to know that the page draws charts), with its
    // drawing, kept for its place in the page.
    const OutputItem* firstDrawn = nullptr;
    RenderedChart firstDrawing;
    bool drewChart = false;
};

// Finds the first chart of the item, in page order, that the library draws,
// and keeps its drawing. Charts before it are drawn twice, but they are the
// rare ones that cannot be drawn.
bool FindFirstDrawn(const OutputItem& item, const OutputItem*& drawn, RenderedChart& drawing) {
    if (item.kind == OutputItem::Kind::Heading) {
        for (const auto& child : item.children) {
            if (FindFirstDrawn(*child, drawn, drawing)) return true;
        }
        return false;
    }
    if (item.kind != OutputItem::Kind::Chart || !item.chart) return false;
    RenderedChart rendered = RenderChart(*item.chart);
    if (!Drawn(rendered)) return false;
    drawn = &item;
    drawing = std::move(rendered);
    return true;
}

void WriteItem(const OutputItem& item, int level, ItemContext& context, OutputSink& out);

void WriteHeading(const OutputItem& item, int level, ItemContext& context, OutputSink& out) {
    const std::string tag = "h" + std::to_string(level < 6 ? level : 6);
    out += "<section class=\"heading\" id=\"" + context.ids.at(&item) + "\">\n<" + tag + ">" +
           EscapeHtml(DisplayText(item)) + "</" + tag + ">\n";
    for (const auto& child : item.children) WriteItem(*child, level + 1, context, out);
    out += "</section>\n";
}

// A chart where it stands: the picture drawn from its specification, or,
// when it cannot be drawn, its title, texts and data with a note saying why.
void WriteChart(const OutputItem& item, ItemContext& context, OutputSink& out) {
    const std::string id = context.ids.at(&item);
    out += "<figure class=\"item chart\" id=\"" + id + "\">\n";
    if (!item.chart) {
        out += "<p class=\"chart-title\">" + EscapeHtml(DisplayText(item)) + "</p>\n</figure>\n";
        return;
    }
    const ChartModel& chart = *item.chart;
    const bool available = context.library.Available();
    RenderedChart rendered;
    if (&item == context.firstDrawn)
        rendered = std::move(context.firstDrawing);
    else if (available)
        rendered = context.drawings.Drawing(item);
    if (available && Drawn(rendered)) {
        context.drewChart = true;
        // The picture shows the chart's own title; the caption names it for
        // readers that do not see the picture.
        out +=
            "<figcaption class=\"visually-hidden\">" + EscapeHtml(DisplayText(item)) + "</figcaption>\n";
        out += "<div class=\"chart-view\" data-spec=\"" + id + "-spec\"><p class=\"chart-note\">" +
               "The chart is drawn when the page's scripts run.</p></div>\n";
        out += "<script type=\"application/json\" id=\"" + id + "-spec\">";
        out += EscapeScriptJson(rendered.vegaLite);
        out += "</script>\n";
        out += "</figure>\n";
        return;
    }
    const std::string note = !available              ? std::string(kNoLibraryNote)
                             : rendered.note.empty() ? std::string("The chart cannot be drawn.")
                                                     : rendered.note;
    out += WriteChartHtml(chart, note);
    out += "</figure>\n";
}

// A paragraph of text; a results line with its copy button.
void WriteTextItem(const OutputItem& item, const AnchorIds& ids, OutputSink& out) {
    if (item.role != "results") {
        out += "<p class=\"text\">" + EscapeLines(item.text) + "</p>\n";
        return;
    }
    const std::string id = ids.at(&item);
    out += "<div class=\"item results\"><p class=\"results\" id=\"" + id + "\">" + HeldHtml(item.text) +
           "</p>" + CopyButton("Copy results line", "", "", id) + "</div>\n";
}

void WriteError(const OutputItem& item, OutputSink& out) {
    out += "<p class=\"error\">" + EscapeHtml(item.text) + "</p>\n";
}

void WriteItem(const OutputItem& item, int level, ItemContext& context, OutputSink& out) {
    switch (item.kind) {
        case OutputItem::Kind::Heading:
            WriteHeading(item, level, context, out);
            break;
        case OutputItem::Kind::Table:
            WriteTable(item, context.ids, out);
            break;
        case OutputItem::Kind::Chart:
            WriteChart(item, context, out);
            break;
        case OutputItem::Kind::Text:
            WriteTextItem(item, context.ids, out);
            break;
        case OutputItem::Kind::Error:
            WriteError(item, out);
            break;
    }
}

void WriteHead(const std::string& securityPolicy, const OutputDocument& document, OutputSink& out) {
    out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    if (!document.generator.empty())
        out += "<meta name=\"generator\" content=\"" + EscapeHtml(document.generator) + "\">\n";
    out += "<meta http-equiv=\"Content-Security-Policy\" content=\"";
    out += securityPolicy;
    out += "\">\n<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    out += "<title>";
    if (!document.name.empty()) out += EscapeHtml(document.name) + " \u2014 ";
    out += "Nonparametric Tests</title>\n<style>";
    out += kStyle;
    out += "</style>\n</head>\n";
}

// A top-level item of the page: the item until it is written, its anchors,
// and then its line in the outline and its part of the report.
struct PageEntry {
    std::unique_ptr<OutputItem> item;      // an item handed over, until written
    const OutputItem* document = nullptr;  // or a document's own item
    AnchorIds ids;
    std::string outline;
    std::string body;
    bool drewChart = false;

    const OutputItem& Item() const { return item ? *item : *document; }
};

// The page: its top-level items numbered as they come, each written into its
// entry, and at the end the page put together, its head (whose policy allows
// the scripts only on a page that draws a chart or copies) first.
class HtmlPage {
public:
    // Numbers the entry's item in page order; the first item with a chart
    // reads the chart library.
    void Number(PageEntry& entry) {
        const int charts = fCounts.charts;
        NumberItem(entry.Item(), fCounts, entry.ids);
        if (fCounts.charts > charts && !fLibraryRead) {
            fLibrary = ReadChartLibrary();
            fLibraryRead = true;
        }
    }

    // Writes the entry's outline line and its part of the report, by itself
    // (its charts drawn where they stand); the item may then go.
    void Write(PageEntry& entry) const {
        DrawingsAhead none;
        ItemContext context{entry.ids, fLibrary, none, nullptr, {}};
        OutputSink outline(entry.outline);
        if (InOutline(entry.Item(), entry.ids)) WriteOutlineItem(entry.Item(), entry.ids, outline);
        OutputSink body(entry.body);
        WriteItem(entry.Item(), 1, context, body);
        entry.drewChart = context.drewChart;
        entry.ids.clear();
    }

    // The page of the entries: the first `written` hold their outline line
    // and report part, the rest their items, written here with their charts
    // drawn ahead on every thread. Each entry's text and item go once on the
    // page.
    void End(std::deque<PageEntry>& entries, size_t written, const OutputDocument& document,
             unsigned threads, OutputSink& out) const {
        bool drawsCharts = false;
        for (size_t i = 0; i < written; ++i) drawsCharts = drawsCharts || entries[i].drewChart;
        std::vector<const OutputItem*> rest;
        AnchorIds restIds;
        for (size_t i = written; i < entries.size(); ++i) {
            const OutputItem& item = entries[i].Item();
            rest.push_back(&item);
            OutputSink outline(entries[i].outline);
            if (InOutline(item, entries[i].ids)) WriteOutlineItem(item, entries[i].ids, outline);
            restIds.merge(entries[i].ids);
        }
        // The head's policy says whether the page draws charts, so the first
        // chart that draws is known before the page is written.
        const OutputItem* firstDrawn = nullptr;
        RenderedChart firstDrawing;
        if (!drawsCharts && fLibrary.Available()) {
            for (const OutputItem* item : rest) {
                if (FindFirstDrawn(*item, firstDrawn, firstDrawing)) break;
            }
            drawsCharts = firstDrawn != nullptr;
        }
        DrawingsAhead drawings(rest, fLibrary, firstDrawn, threads);
        ItemContext context{restIds, fLibrary, drawings, firstDrawn, std::move(firstDrawing)};

        WriteHead(SecurityPolicy(drawsCharts), document, out);
        out += "<body>\n";
        std::vector<const std::string*> lines;
        for (const PageEntry& entry : entries) lines.push_back(&entry.outline);
        WriteOutline(lines, out);
        out += "<main class=\"report\">\n";
        if (!document.source.empty())
            out += "<p class=\"source\">" + EscapeHtml(document.source) + "</p>\n";
        for (const std::string& note : document.notes)
            out += "<p class=\"source run-note\">Note: " + EscapeHtml(note) + "</p>\n";
        for (size_t i = 0; i < entries.size(); ++i) {
            if (i < written) {
                out += entries[i].body;
                std::string().swap(entries[i].body);
            } else {
                WriteItem(entries[i].Item(), 1, context, out);
                entries[i].item.reset();
            }
        }
        if (!document.ok)
            out +=
                "<p class=\"stopped\">The run stopped at a split whose result document could not "
                "be read.</p>\n";
        out += "</main>\n";
        for (const std::string* script : Scripts(drawsCharts))
            out += "<script>" + *script + "</script>\n";
        out += "</body>\n</html>\n";
    }

private:
    // Only a page that draws charts or copies holds scripts.
    std::vector<const std::string*> Scripts(bool drawsCharts) const {
        std::vector<const std::string*> scripts;
        if (drawsCharts) {
            for (const std::string& script : fLibrary.scripts) scripts.push_back(&script);
            scripts.push_back(&fChartScript);
        }
        if (fCounts.HasCopyButtons()) scripts.push_back(&fCopyScript);
        return scripts;
    }

    // The page's policy allows exactly its scripts, by their hashes.
    std::string SecurityPolicy(bool drawsCharts) const {
        const std::vector<const std::string*> scripts = Scripts(drawsCharts);
        std::string policy = kSecurityPolicy;
        if (!scripts.empty()) policy += "; script-src";
        for (const std::string* script : scripts) policy += " 'sha256-" + Sha256Base64(*script) + "'";
        return policy;
    }

    AnchorCounts fCounts;
    ChartLibrary fLibrary;
    bool fLibraryRead = false;
    const std::string fChartScript = kChartScript;
    const std::string fCopyScript = kCopyScript;
};

// The page written while the procedure runs: each top-level item handed over
// is numbered, then written into its entry by a worker thread and freed,
// while the procedure makes the next. The page is put together at the end,
// when the head's policy is known; the items no worker has begun are written
// then, with every thread drawing their charts.
class HtmlDocumentStreamWriter final : public DocumentStream {
public:
    HtmlDocumentStreamWriter(OutputSink& out, unsigned threads)
        : fOut(out),
          fThreads(threads),
          fEntries(threads - 1, [this](PageEntry& entry) { fPage.Write(entry); }) {}

    std::unique_ptr<OutputItem> Item(std::unique_ptr<OutputItem> item) override {
        PageEntry entry;
        entry.item = std::move(item);
        fPage.Number(entry);
        fEntries.Add(std::move(entry));
        return nullptr;  // the items written since the last one came are freed here
    }

    void End(const OutputDocument& document) override {
        const size_t written = fEntries.Finish();
        fPage.End(fEntries.Entries(), written, document, fThreads, fOut);
    }

private:
    OutputSink& fOut;
    const unsigned fThreads;
    HtmlPage fPage;  // before the entries: their workers use it
    EntriesWrittenAhead<PageEntry> fEntries;
};

}  // namespace

void WriteHtml(const OutputDocument& document, OutputSink& out) {
    HtmlPage page;
    std::deque<PageEntry> entries;
    for (const auto& child : document.Root().children) {
        entries.emplace_back();
        entries.back().document = child.get();
        page.Number(entries.back());
    }
    page.End(entries, 0, document, WorkThreads(), out);
}

std::unique_ptr<DocumentStream> HtmlDocumentStream(OutputSink& out) {
    return std::make_unique<HtmlDocumentStreamWriter>(out, WorkThreads());
}

std::string WriteHtml(const OutputDocument& document) {
    return WrittenText([&document](OutputSink& out) { WriteHtml(document, out); });
}

}  // namespace npar
