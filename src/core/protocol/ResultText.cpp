// Result texts of the protocol (see ResultText.h).
#include "protocol/ResultText.h"

#include "common/Encoding.h"
#include "common/NumberText.h"
#include "protocol/ProtocolTable.h"

#include <algorithm>
#include <limits>

namespace caniparc {
namespace {

// The placeholders rank after every text of any length, in the order "DIS", "-", blank. A class
// given by the length alone would let a long text (a contact list, an absurd number) sort among
// or after the placeholders.
constexpr std::size_t ClassDis = std::numeric_limits<std::size_t>::max() - 2;
constexpr std::size_t ClassNone = ClassDis + 1;
constexpr std::size_t ClassBlank = ClassDis + 2;

std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) // not a UTF-8 continuation byte
            ++count;
    return count;
}

bool IsDisInAnyCase(std::string_view text) {
    return text.size() == 3 && (text[0] == 'D' || text[0] == 'd') && (text[1] == 'I' || text[1] == 'i') &&
           (text[2] == 'S' || text[2] == 's');
}

} // namespace

std::size_t ResultTextClass(std::string_view text) {
    if (TrimBlanks(text).empty())
        return ClassBlank;
    if (IsDisInAnyCase(text))
        return ClassDis;
    if (text == TextNone)
        return ClassNone;
    return CharacterCount(text);
}

bool IsNoResult(std::string_view text) {
    // "dis" typed by hand is the same disqualification: as a number it would score 0 and win.
    return TrimBlanks(text).empty() || text == TextNone || IsDisInAnyCase(text);
}

std::int64_t SecondsTextToMs(std::string_view text, char separator) {
    return ParseThousandths(text, separator).value_or(0);
}

int CompareResultText(std::string_view a, std::string_view b) {
    const std::size_t classA = ResultTextClass(a);
    const std::size_t classB = ResultTextClass(b);
    if (classA != classB)
        return classA < classB ? -1 : 1;
    const int bytes = a.compare(b); // char_traits compares bytes as unsigned
    return (bytes > 0) - (bytes < 0);
}

std::string CodePageSortKey(std::string_view text) {
    std::string key;
    key.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        length = std::min(length, text.size() - i);
        const std::string_view character = text.substr(i, length);
        i += length;
        const auto single = Utf8ToWindows1252(character);
        if (!single || single->size() != 1) {
            key += '\xFF'; // no byte in the code page: after every character that has one
            key += character;
            continue;
        }
        auto c = static_cast<unsigned char>(single->front());
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            c = static_cast<unsigned char>(c - 0x20);
        else if (c == 0x9A || c == 0x9C || c == 0x9E) // š, œ, ž
            c = static_cast<unsigned char>(c - 0x10);
        else if (c == 0xFF) // ÿ
            c = 0x9F;
        key += static_cast<char>(c);
    }
    return key;
}

std::string UpperCaseText(std::string_view text) {
    std::string upper(text);
    for (std::size_t i = 0; i < upper.size(); ++i) {
        auto& c = reinterpret_cast<unsigned char&>(upper[i]);
        if (c >= 'a' && c <= 'z') {
            c = static_cast<unsigned char>(c - 0x20);
        } else if (c == 0xC3 && i + 1 < upper.size()) {
            // à..þ (U+00E0..U+00FE, without ÷) become À..Þ: only the second byte changes.
            auto& next = reinterpret_cast<unsigned char&>(upper[i + 1]);
            if (next >= 0xA0 && next <= 0xBE && next != 0xB7)
                next = static_cast<unsigned char>(next - 0x20);
            ++i;
        }
    }
    return upper;
}

} // namespace caniparc
