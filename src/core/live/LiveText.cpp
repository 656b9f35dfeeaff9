// Escaping for the live results (see LiveText.h).
#include "live/LiveText.h"

#include "common/Encoding.h"

#include <cstdio>

namespace caniparc {

std::string HtmlEscape(std::string_view text) {
    const std::string clean = SanitizeUtf8(text);
    std::string out;
    out.reserve(clean.size() + clean.size() / 8);
    for (const char c : clean) {
        if (const char* entity = MarkupEntity(static_cast<unsigned char>(c)))
            out += entity;
        else if (c == '\'')
            out += "&#39;"; // attribute values may be single-quoted too
        else
            out += c;
    }
    return out;
}

std::string JsonEscape(std::string_view text) {
    const std::string clean = SanitizeUtf8(text);
    std::string out;
    out.reserve(clean.size() + clean.size() / 8);
    const auto unicode = [&out](unsigned code) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "\\u%04x", code);
        out += buffer;
    };
    for (std::size_t i = 0; i < clean.size(); ++i) {
        const auto c = static_cast<unsigned char>(clean[i]);
        if (c == '"')
            out += "\\\"";
        else if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (c < 0x20 || c == 0x7F || c == '<' || c == '>' || c == '&')
            unicode(c);
        else if (c == 0xE2 && i + 2 < clean.size() && static_cast<unsigned char>(clean[i + 1]) == 0x80 &&
                 (static_cast<unsigned char>(clean[i + 2]) == 0xA8 ||
                  static_cast<unsigned char>(clean[i + 2]) == 0xA9)) {
            // Line and paragraph separators end a line in older script parsers.
            unicode(static_cast<unsigned char>(clean[i + 2]) == 0xA8 ? 0x2028 : 0x2029);
            i += 2;
        } else
            out += static_cast<char>(c);
    }
    return out;
}

} // namespace caniparc
