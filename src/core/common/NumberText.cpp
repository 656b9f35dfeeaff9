// Locale-independent number texts (see NumberText.h).
#include "common/NumberText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace caniparc {

std::string_view TrimBlanks(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string FormatFixed(double value, int decimals, char separator) {
    if (!std::isfinite(value))
        value = 0.0;
    if (value == 0.0)
        value = 0.0; // no "-0,00"
    std::array<char, 400> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
    std::string text(buffer.data(), result.ptr);
    if (text.size() > 1 && text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1); // a tiny negative value rounded to zero
    if (const auto dot = text.find('.'); dot != std::string::npos)
        text[dot] = separator;
    return text;
}

std::optional<double> ParseDecimal(std::string_view text, char separator) {
    text = TrimBlanks(text);
    if (text.empty() || text.size() > 64)
        return std::nullopt;
    std::array<char, 64> buffer{};
    std::size_t length = 0;
    bool seenSeparator = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == separator || c == ',') {
            if (seenSeparator)
                return std::nullopt;
            seenSeparator = true;
            c = '.';
        } else if (c == '+' && i == 0) {
            continue;
        } else if (!((c >= '0' && c <= '9') || c == '-' || c == 'e' || c == 'E' || c == '+')) {
            return std::nullopt; // also rejects "nan", "inf" and a '.' that is not the separator
        }
        buffer[length++] = c;
    }
    double value = 0.0;
    const auto result = std::from_chars(buffer.data(), buffer.data() + length, value);
    if (result.ec != std::errc() || result.ptr != buffer.data() + length || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> ParseInteger(std::string_view text) {
    text = TrimBlanks(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    std::int64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::int64_t RoundHalfEven(double value) {
    if (std::isnan(value))
        return 0;
    constexpr double limit = 9.2e18;
    if (value >= limit)
        return std::numeric_limits<std::int64_t>::max();
    if (value <= -limit)
        return std::numeric_limits<std::int64_t>::min();
    const double floorValue = std::floor(value);
    const double fraction = value - floorValue;
    auto result = static_cast<std::int64_t>(floorValue);
    if (fraction > 0.5 || (fraction == 0.5 && (result % 2 != 0)))
        ++result;
    return result;
}

} // namespace caniparc
