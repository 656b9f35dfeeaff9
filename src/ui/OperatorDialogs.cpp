// The operator's dialogs (see OperatorDialogs.h).
#include "OperatorDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace caniparc::ui {

QWidget* OperatorDialogs::Parent() const {
    return window_ ? window_.data() : QApplication::activeWindow();
}

bool OperatorDialogs::Ask(const std::string& question) {
    QMessageBox box(QMessageBox::Question, caption_, QString::fromStdString(question), QMessageBox::NoButton, Parent());
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    auto* yes = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
    auto* no = box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void OperatorDialogs::Inform(const std::string& message) {
    QMessageBox box(QMessageBox::Information, caption_, QString::fromStdString(message), QMessageBox::Ok, Parent());
    box.exec();
}

} // namespace caniparc::ui
