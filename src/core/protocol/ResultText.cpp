// Result texts of the protocol (see ResultText.h).
#include "protocol/ResultText.h"

#include "common/NumberText.h"
#include "protocol/ProtocolTable.h"

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
    return TrimBlanks(text).empty() || text == TextNone || text == TextDis;
}

std::int64_t SecondsTextToMs(std::string_view text, char separator) {
    const auto seconds = ParseDecimal(text, separator);
    if (!seconds)
        return 0;
    return RoundHalfEven(*seconds * 1000.0);
}

int CompareResultText(std::string_view a, std::string_view b) {
    const std::size_t classA = ResultTextClass(a);
    const std::size_t classB = ResultTextClass(b);
    if (classA != classB)
        return classA < classB ? -1 : 1;
    const int bytes = a.compare(b); // char_traits compares bytes as unsigned
    return (bytes > 0) - (bytes < 0);
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
