// Where phones reach the live results: the status bar's short text for the addresses, and the
// window with the QR code of one of them. A station on a wired and a wireless network has an
// address on each, and only the operator knows which one the spectators' phones are on.
#pragma once

#include <QDialog>
#include <QImage>
#include <QStringList>

class QComboBox;
class QLabel;

namespace caniparc::ui {

// The QR code of `text`, each module `scale` pixels, with the quiet zone of four modules; a null
// image when the text does not fit a code.
QImage QrCodeImage(const QString& text, int scale);

// "Live: <first>" and how many more there are, e.g. "Live: http://192.168.1.20:8080/ (+1)".
QString LivePanelText(const QStringList& addresses);
// Every address, one a line, and what a click does.
QString LivePanelTip(const QStringList& addresses);

class LiveCodeWindow final : public QDialog {
    Q_OBJECT
public:
    // `addresses` must not be empty; the first is shown first.
    explicit LiveCodeWindow(const QStringList& addresses, QWidget* parent = nullptr);

    QString Shown() const;
    void Show(int index);

private:
    QStringList addresses_;
    QComboBox* choice_ = nullptr;
    QLabel* picture_ = nullptr;
    QLabel* text_ = nullptr;
};

} // namespace caniparc::ui
