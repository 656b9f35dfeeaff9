// The operator's dialogs: the yes/no question window ("Ja", "Nein" and Esc; only "Ja"
// consents) and plain messages, centred on the main window, so that they open on the
// operator's screen even while the spectators' display has the focus.
#pragma once

#include "station/Dialogs.h"

#include <QPointer>
#include <QString>
#include <QWidget>

namespace caniparc::ui {

class OperatorDialogs final : public Dialogs {
public:
    explicit OperatorDialogs(QString caption) : caption_(std::move(caption)) {}
    bool Ask(const std::string& question) override;
    void Inform(const std::string& message) override;
    // The window the questions belong to; before it exists (start-up) they open on their own.
    void SetWindow(QWidget* window) { window_ = window; }

private:
    QWidget* Parent() const;

    QString caption_;
    QPointer<QWidget> window_;
};

} // namespace caniparc::ui
