// The formats npar-report writes: one table of format name, file extension
// and writer. A new format is a writer and one row of the table.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "OutputDocument.h"
#include "OutputSink.h"
#include "OutputWriters.h"

namespace report {

struct OutputFormat {
    const char* name;       // as --format takes it
    const char* extension;  // of an -o file written in it
    void (*write)(const npar::OutputDocument& document, npar::OutputSink& out);
    bool chartDocuments;  // whether the writer reads charts' documents (to draw them)
    // The writer that writes the document while it is made (text goes out as
    // it is written; JSON is written into memory on other threads, since its
    // status comes first); null when only the whole document can be written
    // (HTML: an outline comes first).
    std::unique_ptr<npar::DocumentStream> (*stream)(npar::OutputSink& out);
};

// Every format, in the order the help lists them.
const std::vector<OutputFormat>& OutputFormats();
// The format standard output gets when --format is not given.
const OutputFormat& DefaultFormat();
// The format of a name or of an extension (".html"); null for none.
const OutputFormat* FormatNamed(const std::string& name);
const OutputFormat* FormatOfExtension(const std::string& extension);
// The names, or the extensions, of every format joined as a list:
// "html, json or text" with separator ", " and last " or ".
std::string FormatNames(const std::string& separator, const std::string& last);
std::string FormatExtensions(const std::string& separator, const std::string& last);

}  // namespace report
