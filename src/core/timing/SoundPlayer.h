// Asynchronous playback of a wave file; the platform layer implements it.
#pragma once

#include <string>

namespace caniparc {

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Starts playing and returns at once; a new sound cuts off one still playing. A path that
    // cannot be played gives silence, never an error.
    virtual void Play(const std::string& path) = 0;
};

} // namespace caniparc
