// The Escape key as scripts see it. The keyboard only says whether the key
// is down now; a press is the key going down between two looks, kept until
// someone takes it. The "is_escape" binding takes presses; a run's watch
// stops a script that leaves a press untaken for kAnswerTime.
#pragma once

#include <chrono>

namespace script {

class EscapeKey {
public:
    using Clock = std::chrono::steady_clock;
    using KeyDown = bool (*)();

    // Looks can be round trips to a display server: at most one per interval.
    static constexpr Clock::duration kLookInterval = std::chrono::milliseconds(20);
    // How long a script has to take a press itself before the run stops.
    static constexpr Clock::duration kAnswerTime = std::chrono::milliseconds(150);

    explicit EscapeKey(KeyDown keyDown) : keyDown_(keyDown) {}

    // Asks the keyboard, unless it was asked less than kLookInterval ago.
    void look(Clock::time_point now);
    // Whether a press was seen and not taken since.
    bool pending() const { return pressed_; }
    // True once for each press seen since the previous take.
    bool take();
    // A press seen more than kAnswerTime ago and never taken.
    bool unanswered(Clock::time_point now) const { return pressed_ && now - pressedAt_ >= kAnswerTime; }
    // Drops a press nobody took: a new run starts with none.
    void forget() { pressed_ = false; }
    // Where the key's state comes from (tests put a fake keyboard here).
    void set_keyboard(KeyDown keyDown) { keyDown_ = keyDown; }

private:
    KeyDown keyDown_;
    Clock::time_point lastLook_{};
    Clock::time_point pressedAt_{};
    bool looked_ = false;
    bool wasDown_ = false;
    bool pressed_ = false;
};

}  // namespace script
