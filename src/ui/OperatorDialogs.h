// The operator's dialogs: the yes/no question window ("Ja", "Nein" and Esc; only "Ja"
// consents) and plain messages.
#pragma once

#include "station/Dialogs.h"

#include <QString>

namespace caniparc::ui {

class OperatorDialogs final : public Dialogs {
public:
    explicit OperatorDialogs(QString caption) : caption_(std::move(caption)) {}
    bool Ask(const std::string& question) override;
    void Inform(const std::string& message) override;

private:
    QString caption_;
};

} // namespace caniparc::ui
