// Escaping for HTML, script data and chart expressions.
#include "text/Escapes.h"

#include <cstdio>

#include "text/Utf8.h"

namespace npar {

namespace {

// Text as valid UTF-8, without a copy when it is valid already.
const std::string& ValidUtf8(const std::string& text, std::string& sanitized) {
    if (IsValidUtf8(text)) return text;
    sanitized = SanitizeUtf8(text);
    return sanitized;
}

}  // namespace

std::string EscapeHtml(const std::string& text) {
    std::string sanitized;
    const std::string& clean = ValidUtf8(text, sanitized);
    std::string out;
    out.reserve(clean.size());
    // The runs between the characters HTML reserves go over whole.
    size_t from = 0;
    for (size_t at = clean.find_first_of("&<>\"'"); at != std::string::npos;
         from = at + 1, at = clean.find_first_of("&<>\"'", from)) {
        out.append(clean, from, at - from);
        switch (clean[at]) {
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
            default:
                out += "&#39;";
        }
    }
    out.append(clean, from, std::string::npos);
    return out;
}

std::string EscapeScriptJson(const std::string& json) {
    std::string sanitized;
    const std::string& clean = ValidUtf8(json, sanitized);
    std::string out;
    out.reserve(clean.size());
    size_t from = 0;
    for (size_t at = clean.find('<'); at != std::string::npos;
         from = at + 1, at = clean.find('<', from)) {
        out.append(clean, from, at - from);
        out += "\\u003c";
    }
    out.append(clean, from, std::string::npos);
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
