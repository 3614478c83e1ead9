// What the host alone can tell about a split's result document that the
// plug-in could not read: where its XML syntax breaks. Every other cause is
// the plug-in's to say (CFReportReadFailure), for it alone knows its format.
#pragma once

#include <string>

namespace report {

// "XML syntax error at line L, column C: DESCRIPTION" (columns count
// characters) for a text that is no well-formed XML; for one that does not
// begin with markup (a data table given without tests), that it is no XML,
// with a pointer to --test and --analysis; otherwise "the document's content
// could not be read".
std::string DiagnoseSplit(const std::string& documentText);

}  // namespace report
