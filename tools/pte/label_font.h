// Text labels drawn into RGB24 pictures by the command-line host.
#pragma once

#include <cstdint>
#include <string>

namespace pte {

// Rows of one line of text.
constexpr int kLabelHeight = 12;

// Pixels across `text` drawn with draw_label.
int label_width(const std::string& text);

// Draws `text` with its top-left corner at (x, y) of a packed RGB24 picture
// of width x height in `colour`, clipped to the picture.
void draw_label(uint8_t* rgb, int width, int height, int x, int y, const std::string& text, const uint8_t colour[3]);

}  // namespace pte
