-- Sepia: a warm brown tone from each pixel's colour. Slider 1 is the
-- strength (0 gives the full tone; 1000 keeps the picture as it is).
local keep = sliderVal1
for y = bound_y0, bound_y1 do
  for x = bound_x0, bound_x1 do
    local r, g, b = get_rgb(x, y)
    local sr = 0.393 * r + 0.769 * g + 0.189 * b
    local sg = 0.349 * r + 0.686 * g + 0.168 * b
    local sb = 0.272 * r + 0.534 * g + 0.131 * b
    -- set_rgb holds each channel to 0..1
    set_rgb(x, y, keep * r + (1 - keep) * sr, keep * g + (1 - keep) * sg, keep * b + (1 - keep) * sb)
  end
end
