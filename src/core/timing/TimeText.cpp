// Time texts (see TimeText.h).
#include "timing/TimeText.h"

#include "common/NumberText.h"

#include <cmath>

namespace caniparc {
namespace {

// Integer quotient rounded half to even, for a positive divisor.
std::int64_t DivideHalfEven(std::int64_t dividend, std::int64_t divisor) {
    std::int64_t quotient = dividend / divisor;
    std::int64_t remainder = dividend % divisor;
    if (remainder < 0) { // floor semantics, so that the tie test below works for negative values
        remainder += divisor;
        --quotient;
    }
    const std::int64_t twice = remainder * 2; // remainder < divisor <= 2^62: no overflow
    if (twice > divisor || (twice == divisor && quotient % 2 != 0))
        ++quotient;
    return quotient;
}

} // namespace

std::int64_t HundredthsOf(std::int64_t counts, double countSpeed) {
    // A whole-numbered rate (nanoseconds on Linux: 1000) allows exact integer rounding; other
    // rates (a performance-counter frequency) go through double arithmetic.
    const double countsPerHundredth = countSpeed * 10000.0;
    if (countSpeed >= 1.0 && countSpeed == std::floor(countSpeed) && countsPerHundredth < 4.0e18)
        return DivideHalfEven(counts, static_cast<std::int64_t>(countsPerHundredth));
    if (countSpeed <= 0.0)
        return 0;
    return RoundHalfEven(static_cast<double>(counts) / countSpeed / 10000.0);
}

std::string HundredthsToTimeText(std::int64_t hundredths, int timeFormatIndex) {
    std::string sign;
    if (hundredths < 0) {
        sign = "-";
        hundredths = hundredths == INT64_MIN ? INT64_MAX : -hundredths;
    }
    std::string fraction;
    if (timeFormatIndex == 0) {
        hundredths = (hundredths / 10) * 10;
        fraction = std::to_string((hundredths % 100) / 10);
    } else {
        const std::int64_t f = hundredths % 100;
        fraction = (f < 10 ? "0" : "") + std::to_string(f);
    }
    std::string seconds = std::to_string(hundredths / 100).substr(0, 4);
    return sign + seconds + "," + fraction;
}

std::string TicksToTimeText(std::int64_t counts, double countSpeed, int timeFormatIndex) {
    return HundredthsToTimeText(HundredthsOf(counts, countSpeed), timeFormatIndex);
}

std::int64_t TimeTextToTicks(std::string_view text, double countSpeed, char localeSeparator) {
    const auto seconds = ParseDecimal(text, localeSeparator);
    if (!seconds)
        return 0;
    return RoundHalfEven(*seconds * countSpeed * 1'000'000.0);
}

std::string TimeFaultsText(std::int64_t ms, int standardSeconds, int timeFormatIndex, char separator) {
    // In whole milliseconds: a binary fraction would decide the tie of 60,35 and 60,45 at random.
    const std::int64_t standardMs = static_cast<std::int64_t>(standardSeconds) * 1000;
    const std::int64_t over = ms > standardMs ? ms - standardMs : 0;
    return FormatThousandths(over, timeFormatIndex == 0 ? 1 : 2, separator);
}

} // namespace caniparc
