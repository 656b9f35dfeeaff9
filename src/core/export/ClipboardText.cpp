// The protocol as clipboard text (see ClipboardText.h).
#include "export/ClipboardText.h"

#include "export/SheetBuilder.h"

namespace caniparc {
namespace {

// A line break or TAB in a cell would split its row: it becomes a blank, as in the protocol file.
void AppendCell(std::string& out, const std::string& raw) {
    const std::string cell = CleanCellText(raw);
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
