// The operator's dialogs for tests: every question answered with `answer`, and what was asked
// and told kept in order.
#pragma once

#include "station/Dialogs.h"

#include <string>
#include <vector>

namespace caniparc::testing {

struct RecordingDialogs final : Dialogs {
    std::vector<std::string> asked;
    std::vector<std::string> told;
    bool answer = true;
    bool Ask(const std::string& question) override {
        asked.push_back(question);
        return answer;
    }
    void Inform(const std::string& message) override { told.push_back(message); }
};

} // namespace caniparc::testing
