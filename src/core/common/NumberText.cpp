// Locale-independent number texts (see NumberText.h).
#include "common/NumberText.h"

#include <algorithm>
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

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
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

std::optional<std::int64_t> ParseThousandths(std::string_view text, char separator) {
    const auto value = ParseDecimal(text, separator);
    if (!value)
        return std::nullopt;
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const std::size_t sep = text.find_first_of(std::string{separator, ','});
    const std::string_view whole = text.substr(0, sep);
    const std::string_view fraction = sep == std::string_view::npos ? std::string_view{} : text.substr(sep + 1);
    const auto digitsOnly = [](std::string_view part) {
        return part.find_first_not_of("0123456789") == std::string_view::npos;
    };
    // Exponents and huge values are rare enough to take the binary way.
    if (!digitsOnly(whole) || !digitsOnly(fraction) || whole.size() > 15)
        return RoundHalfEven(*value * 1000.0);
    std::int64_t result = 0;
    for (const char c : whole)
        result = result * 10 + (c - '0');
    for (std::size_t i = 0; i < 3; ++i)
        result = result * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
    if (fraction.size() > 3) {
        const std::string_view rest = fraction.substr(3);
        const bool aboveHalf =
            rest.front() > '5' || (rest.front() == '5' && rest.find_first_not_of('0', 1) != std::string_view::npos);
        const bool half = rest.front() == '5' && !aboveHalf;
        if (aboveHalf || (half && result % 2 != 0))
            ++result;
    }
    return negative ? -result : result;
}

std::string FormatThousandths(std::int64_t thousandths, int decimals, char separator) {
    decimals = std::clamp(decimals, 0, 3);
    std::int64_t divisor = 1;
    for (int i = decimals; i < 3; ++i)
        divisor *= 10;
    const bool negative = thousandths < 0;
    // Magnitude in 64 bits without overflow for the most negative value.
    const std::uint64_t magnitude =
        negative ? std::uint64_t(0) - static_cast<std::uint64_t>(thousandths) : static_cast<std::uint64_t>(thousandths);
    const auto d = static_cast<std::uint64_t>(divisor);
    std::uint64_t units = magnitude / d;
    const std::uint64_t rest = magnitude % d;
    if (rest * 2 > d || (rest * 2 == d && units % 2 != 0))
        ++units;
    std::uint64_t scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    std::string text = std::to_string(units / scale);
    if (decimals > 0) {
        std::string digits = std::to_string(units % scale);
        text += separator;
        text += std::string(static_cast<std::size_t>(decimals) - digits.size(), '0') + digits;
    }
    if (negative && units != 0)
        text.insert(0, 1, '-');
    return text;
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
