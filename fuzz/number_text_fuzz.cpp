// Feeds arbitrary texts to the readers of numbers and times that every typed field, protocol
// cell and sheet cell goes through. Besides not crashing: a number read back from what was
// written of it is the same number, and a time text of whole hundredths reads back to them.
#include "common/NumberText.h"
#include "timing/TimeText.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

using namespace caniparc;

namespace {

void Check(bool holds) {
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const char separator = data[0] % 2 == 0 ? ',' : '.';
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

    if (const auto whole = ParseInteger(text))
        Check(ParseInteger(std::to_string(*whole)) == whole);

    if (const auto thousandths = ParseThousandths(text, separator))
        Check(ParseThousandths(FormatThousandths(*thousandths, 3, separator), separator) == thousandths);

    if (const auto value = ParseDecimal(text, separator); value && std::isfinite(*value) && std::fabs(*value) < 1e12) {
        const auto back = ParseDecimal(FormatFixed(*value, 2, separator), separator);
        Check(back && std::fabs(*back - *value) <= 0.005 + 1e-9 * std::fabs(*value));
    }

    // Times: any text reads without harm; whole hundredths under 10 000 s survive the text.
    constexpr double kCountSpeed = 1.0;
    TimeTextToTicks(text, kCountSpeed, separator);
    if (size >= 9) {
        std::int64_t raw = 0;
        std::memcpy(&raw, data + 1, sizeof raw);
        const std::int64_t hundredths = (raw < 0 ? -(raw + 1) : raw) % 1000000;
        const std::string timeText = HundredthsToTimeText(hundredths, 1);
        Check(HundredthsOf(TimeTextToTicks(timeText, kCountSpeed, separator), kCountSpeed) == hundredths);
    }
    return 0;
}
