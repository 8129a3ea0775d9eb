#include "script/escape_key.h"

#include <utility>

namespace script {

void EscapeKey::look(Clock::time_point now) {
    if (looked_ && now - lastLook_ < kLookInterval) return;
    looked_ = true;
    lastLook_ = now;
    const bool down = keyDown_ != nullptr && keyDown_();
    if (down && !wasDown_ && !pressed_) {
        pressed_ = true;
        pressedAt_ = now;
    }
    wasDown_ = down;
}

bool EscapeKey::take() { return std::exchange(pressed_, false); }

}  // namespace script
