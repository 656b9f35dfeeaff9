// The contact log (see ContactLog.h).
#include "timing/ContactLog.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace caniparc {
namespace {

struct CivilDate {
    int year;
    int month;
    int day;
};

// Days since 1970-01-01 to a Gregorian date (H. Hinnant's algorithm).
CivilDate CivilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shifted = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    const int month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
    return {static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0)), month, day};
}

std::int64_t FloorDiv(std::int64_t value, std::int64_t divisor) {
    return value / divisor - ((value % divisor != 0) && ((value < 0) != (divisor < 0)) ? 1 : 0);
}

std::string DateText(std::int64_t localMilliseconds) {
    const CivilDate date = CivilFromDays(FloorDiv(localMilliseconds, 86'400'000));
    char text[40]; // room for any int, though dates have four-digit years
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

std::string RecordText(const ContactRecord& record) {
    const std::string count = record.countKnown ? std::to_string(record.count) : "-";
    return std::string(record.line) + '\t' + (record.level ? "an" : "aus") + '\t' + std::to_string(record.edges) +
           '\t' + count + '\t' + std::to_string(record.stamp) + '\t' + (record.imitation ? "Imitation" : "LS") + '\t' +
           record.outcome;
}

class SystemWallClock final : public WallClock {
public:
    std::int64_t LocalMilliseconds() const override {
        const auto now = std::chrono::system_clock::now();
        const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
        std::tm local{};
#ifdef _WIN32
        localtime_s(&local, &seconds);
        const std::int64_t offset = static_cast<std::int64_t>(_mkgmtime(&local)) - seconds;
#else
        localtime_r(&seconds, &local);
        const std::int64_t offset = local.tm_gmtoff;
#endif
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
        return ms + offset * 1000;
    }
};

} // namespace

std::unique_ptr<WallClock> MakeSystemWallClock() {
    return std::make_unique<SystemWallClock>();
}

std::string FormatLocalTime(std::int64_t localMilliseconds) {
    const std::int64_t ofDay = localMilliseconds - FloorDiv(localMilliseconds, 86'400'000) * 86'400'000;
    char text[48];
    std::snprintf(text, sizeof text, " %02d:%02d:%02d.%03d", static_cast<int>(ofDay / 3'600'000),
                  static_cast<int>(ofDay / 60'000 % 60), static_cast<int>(ofDay / 1000 % 60),
                  static_cast<int>(ofDay % 1000));
    return DateText(localMilliseconds) + text;
}

ContactLog::ContactLog(const Settings& settings, const TimeSource& time, const WallClock& wall, Scheduler& scheduler)
    : settings_(settings), time_(time), wall_(wall),
      flushTimer_(scheduler.CreateTimer(Scheduler::Mode::SingleShot, [this] { Flush(); })) {}

ContactLog::~ContactLog() {
    Flush();
}

std::string ContactLog::FileNameFor(std::int64_t localMilliseconds) const {
    return settings_.RezervDir + settings_.ProgramTitle + "-Kontakte-" + DateText(localMilliseconds) + ".txt";
}

std::int64_t ContactLog::WallTimeOf(std::int64_t stamp) const {
    // The record is written after the hand-over; go back to the moment of the contact itself.
    const double ageUs = static_cast<double>(time_.GetCount() - stamp) / time_.CountSpeed();
    return wall_.LocalMilliseconds() - std::llround(ageUs / 1000.0);
}

void ContactLog::Record(const ContactRecord& record) {
    Add(WallTimeOf(record.stamp), RecordText(record));
}

void ContactLog::Note(const std::string& text) {
    Add(wall_.LocalMilliseconds(), text);
}

void ContactLog::Add(std::int64_t when, std::string text) {
    if (pending_.size() >= kMaxBuffered)
        pending_.erase(pending_.begin());
    pending_.push_back({when, FormatLocalTime(when) + '\t' + text});
    if (!flushTimer_->IsActive())
        flushTimer_->Start(kFlushDelayMs);
}

bool ContactLog::Flush() {
    std::vector<Pending> failed;
    for (const Pending& line : pending_) {
        const std::string name = FileNameFor(line.when);
        std::error_code ignored;
        const bool fresh = !std::filesystem::exists(name, ignored);
        std::ofstream file(name, std::ios::binary | std::ios::app);
        if (fresh)
            file << "Zeit\tLeitung\tPegel\tFlanken\tZaehler\tZeitstempel\tQuelle\tErgebnis\r\n";
        file << line.text << "\r\n";
        if (!file.flush())
            failed.push_back(line);
    }
    pending_ = std::move(failed);
    return pending_.empty();
}

} // namespace caniparc
