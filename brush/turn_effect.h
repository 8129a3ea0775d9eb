// Turning a brush picture with the imaging library's rotation effect.
#pragma once

#include <cstdint>

namespace brush {

// Turns a packed RGBA32 picture of width x height in place about its
// centre by `degrees`, keeping its size; what comes from outside it is
// transparent. False (picture untouched) when the effect is unavailable or
// fails.
bool turn_picture(uint8_t* rgba, int32_t width, int32_t height, int32_t degrees);

}  // namespace brush
