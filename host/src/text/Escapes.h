// Texts escaped for the places the writers and the renderer put them: HTML
// text and attributes, JSON inside a script element, and string literals of
// the chart library's expressions. Each also makes invalid UTF-8 valid where
// the place needs it.
#pragma once

#include <string>

namespace npar {

// Text for HTML element content or a quoted attribute: invalid UTF-8
// replaced, & < > " ' written as references.
std::string EscapeHtml(const std::string& text);
// JSON text for the content of a <script> element: invalid UTF-8 replaced,
// every "<" written as \u003c so nothing in it can close the element.
std::string EscapeScriptJson(const std::string& json);
// A single-quoted string literal of a Vega expression holding text
// (backslash, quote and control characters escaped).
std::string ExpressionString(const std::string& text);

}  // namespace npar
