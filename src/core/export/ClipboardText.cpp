// The protocol as clipboard text (see ClipboardText.h).
#include "export/ClipboardText.h"

namespace caniparc {

std::string ClipboardText(const ProtocolTable& table) {
    std::string text;
    for (int row = 0; row < table.RowCount(); ++row) {
        for (int col = 0; col < ColPlace + 1; ++col) {
            const std::string& cell = table.Cell(col, row);
            if (cell.find(';') != std::string::npos)
                text += '"' + cell + '"';
            else
                text += cell;
            if (col < ColPlace)
                text += '\t';
        }
        text += "\r\n";
    }
    return text;
}

} // namespace caniparc
