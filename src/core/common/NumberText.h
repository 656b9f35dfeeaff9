// Locale-independent number texts: fixed-point formatting with a chosen decimal separator and
// the matching parser. The protocol and the lane fields keep numbers as texts; every decimal
// text the station writes or reads goes through here so that the separator is one parameter.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace caniparc {

// The value of one hexadecimal digit (either case), -1 for any other character.
int HexDigit(char c);

// Formats value with exactly `decimals` digits after the separator ("%1.2f" style: no
// thousands grouping, at least one digit before the separator). Non-finite values are written as zero.
std::string FormatFixed(double value, int decimals, char separator);

// Reads a decimal number written with `separator` (a literal comma is accepted too, since
// time texts always carry one). Surrounding blanks are ignored; anything else that is not
// part of a finite number makes the whole text invalid.
std::optional<double> ParseDecimal(std::string_view text, char separator);

// Reads an optionally signed decimal integer that fits into 64 bits; blanks around it are
// ignored.
std::optional<std::int64_t> ParseInteger(std::string_view text);

// Reads a decimal number as whole thousandths, exactly from its digits (no binary fraction
// decides a tie), rounding half to even. Accepts what ParseDecimal accepts; values beyond the
// 64-bit range saturate.
std::optional<std::int64_t> ParseThousandths(std::string_view text, char separator);

// Writes thousandths with `decimals` (0 to 3) digits after the separator, rounded half to even
// from the integer value.
std::string FormatThousandths(std::int64_t thousandths, int decimals, char separator);

// Rounds to the nearest integer, halves to the even neighbour; values beyond the 64-bit
// range saturate, NaN gives 0.
std::int64_t RoundHalfEven(double value);

std::string_view TrimBlanks(std::string_view text);

} // namespace caniparc
