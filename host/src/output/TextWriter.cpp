// The output document as plain text: headings as a numbered outline.
#include <string>

#include "OutputDocument.h"

namespace npar {
namespace {

void WriteItems(const OutputItem& parent, const std::string& number, int depth, std::string& out) {
    int position = 0;
    for (const auto& child : parent.children) {
        const std::string indent(static_cast<size_t>(depth) * 2, ' ');
        switch (child->kind) {
            case OutputItem::Kind::Heading: {
                const std::string childNumber = number + std::to_string(++position) + ".";
                out += indent + childNumber + " " + SanitizeUtf8(child->text) + "\n";
                WriteItems(*child, childNumber, depth + 1, out);
                break;
            }
            case OutputItem::Kind::Error:
                out += indent + "[error] " + SanitizeUtf8(child->text) + "\n";
                break;
            case OutputItem::Kind::Table:
            case OutputItem::Kind::Chart:
                out += indent + SanitizeUtf8(child->text) + "\n";
                break;
        }
    }
}

}  // namespace

std::string WriteText(const OutputDocument& document) {
    std::string out;
    WriteItems(document.Root(), "", 0, out);
    if (!document.ok) out += "\nThe run stopped at a split whose result document could not be read.\n";
    return out;
}

}  // namespace npar
