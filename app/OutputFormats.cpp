// The table of output formats.
#include "OutputFormats.h"

#include "OutputWriters.h"

namespace report {
namespace {

std::string JoinList(const std::string& separator, const std::string& last,
                     const char* OutputFormat::*field) {
    const std::vector<OutputFormat>& formats = OutputFormats();
    std::string joined;
    for (size_t i = 0; i < formats.size(); ++i) {
        if (i > 0) joined += i + 1 == formats.size() ? last : separator;
        joined += formats[i].*field;
    }
    return joined;
}

}  // namespace

const std::vector<OutputFormat>& OutputFormats() {
    static const std::vector<OutputFormat> formats = {
        {"html", ".html", npar::WriteHtml, true, npar::HtmlDocumentStream},
        {"json", ".json", npar::WriteJson, true, npar::JsonDocumentStream},
        {"text", ".txt", npar::WriteText, false, npar::TextStream},
    };
    return formats;
}

const OutputFormat& DefaultFormat() { return *FormatNamed("text"); }

const OutputFormat* FormatNamed(const std::string& name) {
    for (const OutputFormat& format : OutputFormats()) {
        if (name == format.name) return &format;
    }
    return nullptr;
}

const OutputFormat* FormatOfExtension(const std::string& extension) {
    for (const OutputFormat& format : OutputFormats()) {
        if (extension == format.extension) return &format;
    }
    return nullptr;
}

std::string FormatNames(const std::string& separator, const std::string& last) {
    return JoinList(separator, last, &OutputFormat::name);
}

std::string FormatExtensions(const std::string& separator, const std::string& last) {
    return JoinList(separator, last, &OutputFormat::extension);
}

}  // namespace report
