// The keyboard, as far as the engine asks it: whether the Escape key is
// held down at this moment. Where no keyboard can be asked (no display to
// ask it through), the key is never down.
#pragma once

namespace platform {

// May take a round trip to a display server: call it at most every few
// milliseconds, not per pixel.
bool escape_key_down();

}  // namespace platform
