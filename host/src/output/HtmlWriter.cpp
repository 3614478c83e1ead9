// The output document as a self-contained HTML page: an outline pane with a
// link to every heading beside the report itself. One function per item kind.
#include <map>
#include <string>

#include "OutputDocument.h"

namespace npar {
namespace {

constexpr const char* kStyle =
    "body{margin:0;font:14px/1.4 sans-serif;color:#222;display:flex;min-height:100vh}"
    "nav.outline{flex:0 0 16em;background:#f4f5f7;border-right:1px solid #d0d4da;"
    "padding:1em;overflow:auto;position:sticky;top:0;max-height:100vh;box-sizing:border-box}"
    "nav.outline ul{list-style:none;margin:0;padding-left:1em}"
    "nav.outline>ul{padding-left:0}"
    "nav.outline a{color:#1d4f91;text-decoration:none}"
    "nav.outline a:hover{text-decoration:underline}"
    "main.report{flex:1;padding:1em 2em;min-width:0}"
    "section.heading{margin:0 0 1em 0}"
    "section.heading section.heading{margin-left:1em}"
    "h1,h2,h3,h4,h5,h6{margin:.6em 0 .4em 0}"
    "p.error{color:#8a1c1c;background:#fbeaea;border-left:3px solid #c0392b;padding:.3em .6em}"
    "p.stopped{color:#8a1c1c;font-weight:bold}"
    "div.item{margin:.5em 0}";

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
            default: out += c;
        }
    }
    return out;
}

// Anchors of the headings, numbered in document order.
using Anchors = std::map<const OutputItem*, std::string>;

void NumberHeadings(const OutputItem& parent, Anchors& anchors) {
    for (const auto& child : parent.children) {
        if (child->kind != OutputItem::Kind::Heading) continue;
        anchors.emplace(child.get(), "heading-" + std::to_string(anchors.size() + 1));
        NumberHeadings(*child, anchors);
    }
}

std::string DisplayText(const OutputItem& item) {
    return item.text.empty() ? std::string("(untitled)") : item.text;
}

// ---------------------------------------------------------------------------
// Outline

void WriteOutlineList(const OutputItem& parent, const Anchors& anchors, std::string& out) {
    bool open = false;
    for (const auto& child : parent.children) {
        if (child->kind != OutputItem::Kind::Heading) continue;
        if (!open) out += "<ul>";
        open = true;
        out += "<li><a href=\"#" + anchors.at(child.get()) + "\">" + Escape(DisplayText(*child)) +
               "</a>";
        WriteOutlineList(*child, anchors, out);
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
// Items

void WriteItems(const OutputItem& parent, int level, const Anchors& anchors, std::string& out);

void WriteHeading(const OutputItem& item, int level, const Anchors& anchors, std::string& out) {
    const std::string tag = "h" + std::to_string(level < 6 ? level : 6);
    out += "<section class=\"heading\" id=\"" + anchors.at(&item) + "\">\n<" + tag + ">" +
           Escape(DisplayText(item)) + "</" + tag + ">\n";
    WriteItems(item, level + 1, anchors, out);
    out += "</section>\n";
}

// For now a table shows its title; its cells come with the table layout.
void WriteTable(const OutputItem& item, std::string& out) {
    const std::string& title = item.table ? item.table->title : item.text;
    out += "<div class=\"item table\"><p class=\"title\">" + Escape(title) + "</p></div>\n";
}

void WriteChart(const OutputItem& item, std::string& out) {
    out += "<div class=\"item chart\"><p class=\"title\">" + Escape(item.text) + "</p></div>\n";
}

void WriteError(const OutputItem& item, std::string& out) {
    out += "<p class=\"error\">" + Escape(item.text) + "</p>\n";
}

void WriteItems(const OutputItem& parent, int level, const Anchors& anchors, std::string& out) {
    for (const auto& child : parent.children) {
        switch (child->kind) {
            case OutputItem::Kind::Heading: WriteHeading(*child, level, anchors, out); break;
            case OutputItem::Kind::Table: WriteTable(*child, out); break;
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
    NumberHeadings(document.Root(), anchors);
    std::string out;
    WriteHead(out);
    out += "<body>\n";
    WriteOutline(document, anchors, out);
    out += "<main class=\"report\">\n";
    WriteItems(document.Root(), 1, anchors, out);
    if (!document.ok)
        out += "<p class=\"stopped\">The run stopped at a split whose result document could not "
               "be read.</p>\n";
    out += "</main>\n</body>\n</html>\n";
    return out;
}

}  // namespace npar
