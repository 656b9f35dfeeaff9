// Plays the start and stop sounds asynchronously through Qt Multimedia.
#pragma once

#include "timing/SoundPlayer.h"

#include <QSoundEffect>

#include <memory>

namespace caniparc::ui {

class QtSoundPlayer final : public SoundPlayer {
public:
    void Play(const std::string& path) override;

private:
    std::unique_ptr<QSoundEffect> effect_;
    std::string loadedPath_;
};

} // namespace caniparc::ui
