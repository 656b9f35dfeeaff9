// Lets the window's command keys win over an input field that has the focus: Ctrl+X aborts the
// run even while the cursor is in a fault field, as the operator expects at the ring.
#pragma once

#include <QObject>

class QWidget;

namespace caniparc::ui {

class ShortcutPriority final : public QObject {
public:
    explicit ShortcutPriority(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
};

} // namespace caniparc::ui
