// Asynchronous sound playback (see QtSoundPlayer.h).
#include "QtSoundPlayer.h"

#include <QUrl>

namespace caniparc::ui {

void QtSoundPlayer::Play(const std::string& path) {
    if (!effect_)
        effect_ = std::make_unique<QSoundEffect>();
    effect_->stop(); // a new sound cuts off one still playing
    if (path != loadedPath_) {
        effect_->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
        loadedPath_ = path;
    }
    // A missing or unreadable file simply stays silent.
    effect_->play();
}

} // namespace caniparc::ui
