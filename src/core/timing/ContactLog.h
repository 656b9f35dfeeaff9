// A per-day text log of every barrier line change and what the station made of it, kept in the
// backup folder so that a disputed time can be checked afterwards. Lines are buffered and written
// on the main thread after the contact has been handled, never while the worker waits.
#pragma once

#include "settings/Settings.h"
#include "timing/Scheduler.h"
#include "timing/TimeSource.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace caniparc {

// Local wall-clock time in milliseconds since 1970-01-01 00:00 local time.
class WallClock {
public:
    virtual ~WallClock() = default;
    virtual std::int64_t LocalMilliseconds() const = 0;
};

std::unique_ptr<WallClock> MakeSystemWallClock();

struct ContactRecord {
    std::int64_t stamp = 0;  // counter value of the contact
    const char* line = "";   // "CTS (7+8)", ...
    bool level = false;      // the line's level after the change
    std::uint32_t edges = 0; // edges since the previous wake-up
    std::uint32_t count = 0; // the driver's running count of the line
    bool countKnown = false;
    bool imitation = false;
    std::string outcome; // what the routing made of it
};

class ContactLog {
public:
    static constexpr int kFlushDelayMs = 500;
    static constexpr std::size_t kMaxBuffered = 5000; // kept while the folder cannot be written

    ContactLog(const Settings& settings, const TimeSource& time, const WallClock& wall, Scheduler& scheduler);
    ~ContactLog();

    void Record(const ContactRecord& record);
    void Note(const std::string& text); // port opened, closed, failing
    // Appends the buffered lines to the day's files; false when a file could not be written
    // (the lines stay buffered for the next attempt).
    bool Flush();
    std::size_t Buffered() const { return pending_.size(); }

    // RezervDir + ProgramTitle + "-Kontakte-" + date + ".txt".
    std::string FileNameFor(std::int64_t localMilliseconds) const;

private:
    struct Pending {
        std::int64_t when; // local wall-clock milliseconds of the contact
        std::string text;
    };
    std::int64_t WallTimeOf(std::int64_t stamp) const;
    void Add(std::int64_t when, std::string text);

    const Settings& settings_;
    const TimeSource& time_;
    const WallClock& wall_;
    std::unique_ptr<Timer> flushTimer_;
    std::vector<Pending> pending_;
};

// "2026-12-08 14:03:12.345"
std::string FormatLocalTime(std::int64_t localMilliseconds);

} // namespace caniparc
