// Command keys before input fields (see ShortcutPriority.h).
#include "ShortcutPriority.h"

#include <QAction>
#include <QKeyEvent>
#include <QWidget>

namespace caniparc::ui {

ShortcutPriority::ShortcutPriority(QWidget* window) : QObject(window), window_(window) {}

bool ShortcutPriority::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window_)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const QKeySequence pressed(key->keyCombination());
    for (QAction* action : window_->actions()) {
        // Swallowing the override (without accepting it) hands the key to the shortcut; every
        // shortcut of a command counts (Ctrl+End as well as Ctrl+1).
        if (action->isEnabled() && action->shortcuts().contains(pressed))
            return true;
    }
    return false;
}

} // namespace caniparc::ui
