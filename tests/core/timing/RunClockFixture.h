// A run clock in simulated time with recording hooks, shared by the run clock tests.
#pragma once

#include "ManualClock.h"
#include "settings/Settings.h"
#include "timing/RunClock.h"
#include "timing/SoundPlayer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace caniparc::testing {

struct RecordingSound final : SoundPlayer {
    std::vector<std::string> played;
    void Play(const std::string& path) override { played.push_back(path); }
};

struct RecordingHooks final : RunHooks {
    std::vector<RunEntry> entries;
    std::vector<int> disqualified;
    bool refuse = false;
    bool EnterRun(const RunEntry& entry) override {
        if (refuse)
            return false;
        entries.push_back(entry);
        return true;
    }
    bool Disqualify(int lane) override {
        disqualified.push_back(lane);
        return true;
    }
};

class RunClockTest : public ::testing::Test {
protected:
    static constexpr std::int64_t kCountsPerMs = 1'000'000; // nanosecond counts

    RunClockTest() { settings.TimeFormatIndex = 1; }

    // Builds the clock for the current settings and makes the ready state.
    RunClock& Ready() {
        run = std::make_unique<RunClock>(clock, clock, settings, &sound);
        run->SetHooks(&hooks);
        run->SetSoundPaths({"start.wav", "stopp.wav"});
        run->MakeReady();
        return *run;
    }
    // The counter value `ms` after the run's start (for barrier contacts stamped in the past).
    std::int64_t StampAt(std::int64_t ms) const { return run->Model().StartStamp + ms * kCountsPerMs; }
    std::string Digits(int lane) const {
        const auto& d = run->Lane(lane).digits.value;
        return std::to_string(d[0]) + std::to_string(d[1]) + std::to_string(d[2]) + "," + std::to_string(d[3]) +
               std::to_string(d[4]);
    }
    bool On(Command c) const { return run->Enabled(c); }

    ManualClock clock;
    Settings settings;
    RecordingSound sound;
    RecordingHooks hooks;
    std::unique_ptr<RunClock> run;
};

} // namespace caniparc::testing
