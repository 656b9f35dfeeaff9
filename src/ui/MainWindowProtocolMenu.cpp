// The protocol grid's context menu and its keys, and typing into cells: every entry hands the
// selected row to the station, which changes, recomputes and backs up the protocol.
#include "MainWindow.h"

#include "ProtocolGrid.h"
#include "export/ClipboardText.h"
#include "protocol/ProtocolEdit.h"
#include "settings/Settings.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QTableView>

namespace caniparc::ui {

int MainWindow::CurrentRow() const {
    return grid_->SelectedRow();
}

void MainWindow::BuildProtocolMenu() {
    protocolMenu_ = new QMenu(this);
    protocolMenu_->setObjectName(QStringLiteral("protocolMenu"));
    const auto add = [this](const QString& caption, std::initializer_list<QKeySequence> keys, auto handler) {
        auto* action = protocolMenu_->addAction(caption);
        if (keys.size() > 0) {
            action->setShortcuts(QList<QKeySequence>(keys));
            action->setShortcutContext(Qt::WindowShortcut);
            addAction(action); // the keys work without the menu
        }
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    const auto copy = [this] {
        QGuiApplication::clipboard()->setText(QString::fromStdString(ClipboardText(station_.Protocol())));
    };
    copyAll_ = add(QStringLiteral("Alles kopieren    (Strg+A)"), {}, copy);
    // Ctrl+C and Ctrl+A copy the protocol from anywhere in the window.
    for (const auto& [caption, key] : {std::pair{"Copy", Qt::Key_C}, std::pair{"Copy2", Qt::Key_A}}) {
        auto* hidden = new QAction(QString::fromLatin1(caption), this);
        hidden->setShortcut(QKeySequence(Qt::CTRL | key));
        addAction(hidden);
        connect(hidden, &QAction::triggered, this, copy);
    }
    disqualifyRow_ = add(QStringLiteral("Disqualifizieren"), {}, [this] { station_.DisqualifyRow(CurrentRow()); });
    bonusOn_ =
        add(QStringLiteral("Bonus  \"+\"         (Strg+B)"), {}, [this] { station_.SetBonus(CurrentRow(), true); });
    bonusOff_ =
        add(QStringLiteral("Bonus   \"-\"         (Strg+B)"), {}, [this] { station_.SetBonus(CurrentRow(), false); });
    add(QStringLiteral("Ergebnisse löschen"), {}, [this] { station_.DeleteResults(CurrentRow()); });
    places_ = add(QStringLiteral("Neu berechnen"), {}, [this] {
        station_.Recalculate(CurrentRow());
        grid_->ApplyLayout();
    });
    add(QStringLiteral("Neue Zeile         (Strg +)"),
        // The window system drops the keypad flag before matching, so Ctrl + keypad plus arrives as
        // Ctrl++; the keypad sequence stays for platforms that keep the flag.
        {QKeySequence(Qt::CTRL | Qt::Key_Plus),
         QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus))},
        [this] {
            const int row = station_.AddRow();
            grid_->ApplyLayout();
            grid_->EditCell(ColStartNr, row);
            grid_->View()->setFocus();
        });
    add(QStringLiteral("Zeile entfernen (Strg - )"),
        {QKeySequence(Qt::CTRL | Qt::Key_Minus),
         QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Minus))},
        [this] { station_.RemoveRow(CurrentRow()); });
    auto* classes = protocolMenu_->addAction(QStringLiteral("Sortieren Klassen+Zeit"));
    classes->setVisible(false);
    classes->setEnabled(false);

    auto* toggle = new QAction(QStringLiteral("Bonus"), this);
    toggle->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    addAction(toggle);
    connect(toggle, &QAction::triggered, this, [this] { station_.ToggleBonus(CurrentRow()); });
    undo_ = new QAction(QStringLiteral("Rückgängig"), this);
    undo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    addAction(undo_);
    connect(undo_, &QAction::triggered, this, [this] { station_.Undo(); });

    QTableView* view = grid_->View();
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) { ShowProtocolMenu(at); });
    connect(grid_, &ProtocolGrid::CellEdited, this, &MainWindow::CommitCell);
}

void MainWindow::ShowProtocolMenu(const QPoint& at) {
    ProtocolCommandsChanged();
    disqualifyRow_->setEnabled(station_.MayDisqualifyRow());
    bonusOn_->setVisible(settings_.Bonus);
    bonusOff_->setVisible(settings_.Bonus);
    protocolMenu_->popup(grid_->View()->viewport()->mapToGlobal(at));
}

void MainWindow::CommitCell(int col, int row, const QString& text) {
    const int shown = station_.CommitCell(col, row, text.toStdString());
    // On to the next cell of the same row, or the whole row after the last one.
    if (col + 1 < ColPlace)
        grid_->EditCell(col + 1, shown);
    else
        grid_->SelectProtocolRow(shown);
}

} // namespace caniparc::ui
