// The protocol as clipboard text (see ClipboardText.h).
#include "export/ClipboardText.h"

namespace caniparc {
namespace {

void AppendCell(std::string& out, const std::string& cell) {
    if (cell.find(';') == std::string::npos) {
        out += cell;
        return;
    }
    out += '"';
    for (const char c : cell) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

} // namespace

std::string ClipboardText(const ProtocolTable& table) {
    std::string text;
    for (const ProtocolTable::Row& row : table.Rows()) {
        for (int col = 0; col <= ColPlace; ++col) {
            AppendCell(text, row[static_cast<std::size_t>(col)]);
            if (col < ColPlace)
                text += '\t';
        }
        text += "\r\n";
    }
    return text;
}

} // namespace caniparc
