// What the core asks of or tells the operator: yes/no questions ("Beenden?", "DIS?") and
// messages (a refused entry). The Qt layer shows windows; tests answer in advance.
#pragma once

#include <string>

namespace caniparc {

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // True only when the operator answered yes.
    virtual bool Ask(const std::string& question) = 0;
    virtual void Inform(const std::string& message) = 0;
};

} // namespace caniparc
