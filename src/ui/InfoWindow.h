// The information window (F3): product name, version, maker, a short guide to the station, and
// an "OK" that only unlocks after a moment, so that a key still held from the main window does
// not close it before it has been read.
#pragma once

#include <QDialog>
#include <QTimer>
#include <QUrl>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace caniparc::ui {

// Opens a web address in the default browser; the application passes QDesktopServices::openUrl.
using LinkOpener = std::function<void(const QUrl& address)>;

// The maker's web page, opened from the logo and the maker's line.
QUrl MakerPage();

class InfoWindow final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kUnlockDelayMs = 1000;

    explicit InfoWindow(LinkOpener openLink, QWidget* parent = nullptr);

    // Replaces the drawn emblem, e.g. with the decoded "logo.jpg"; a null pixmap keeps the emblem.
    void SetLogo(const QPixmap& logo);
    // Only tests shorten the lock.
    void SetUnlockDelay(int milliseconds) { unlockTimer_.setInterval(milliseconds); }

    QPushButton* OkButton() const { return ok_; }
    QLabel* Logo() const { return logo_; }
    QLabel* MakerLine() const { return maker_; }
    QPlainTextEdit* TextBox() const { return text_; }

public slots:
    // Esc and the title bar's close end up here; both wait for the unlock like "OK" does.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildHeader();
    QLabel* AddLink(QLabel* label);
    bool Locked() const { return unlockTimer_.isActive(); }

    LinkOpener openLink_;
    QTimer unlockTimer_;
    QLabel* logo_ = nullptr;
    QLabel* maker_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
    QPushButton* ok_ = nullptr;
};

} // namespace caniparc::ui
