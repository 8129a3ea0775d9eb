-- Records a paint script that repaints the picture with dabs: one dab of
-- the picture's own colour every `step` pixels (slider 1, in pixels; 8
-- when 0). The picture itself is left as it is. The script goes to
-- scripts/luapaint.srp under the host's start folder.
local step = math.floor(sliderVal1 * 1000 + 0.5)
if step < 1 then step = 8 end
paint_open(1234)
paint_select_brush("Round", 1, 0)
paint_brush_size(step)
paint_brush_opacity(1)
for y = bound_y0, bound_y1, step do
  for x = bound_x0, bound_x1, step do
    local r, g, b = get_rgb(x, y)
    paint_brush_color(r, g, b)
    paint_dab(x, y, 1)
  end
end
paint_close()
