// A status-bar panel that never pushes the window wider: its text is shortened in the middle to
// the room the bar gives it, and the tool tip always holds the whole text.
#pragma once

#include <QLabel>

namespace caniparc::ui {

class StatusPanel final : public QLabel {
public:
    explicit StatusPanel(QWidget* parent = nullptr);

    // `shown` is what the bar shows when there is room; `whole` goes into the tool tip.
    void SetTexts(const QString& shown, const QString& whole);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Fit();

    QString shown_;
};

} // namespace caniparc::ui
