// Escaping for HTML, script data and chart expressions.
#include "text/Escapes.h"

#include <cstdio>

#include "text/Utf8.h"

namespace npar {

std::string EscapeHtml(const std::string& text) {
    const std::string clean = SanitizeUtf8(text);
    std::string out;
    out.reserve(clean.size());
    for (char c : clean) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string EscapeScriptJson(const std::string& json) {
    std::string out;
    out.reserve(json.size());
    for (char c : SanitizeUtf8(json)) {
        if (c == '<')
            out += "\\u003c";
        else
            out += c;
    }
    return out;
}

std::string ExpressionString(const std::string& text) {
    std::string out = "'";
    for (unsigned char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\'':
                out += "\\'";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "'";
}

}  // namespace npar
