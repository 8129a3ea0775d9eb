-- Threshold: black or white by the top bit of each pixel's grey byte
-- (white from 128 up). Flag 1 swaps black and white.
local swap = flagVal1 and 1 or 0
for y = bound_y0, bound_y1 do
  for x = bound_x0, bound_x1 do
    local grey = bit_and(get_value(x, y) * 255, 255)   -- truncated to a byte
    local white = bit_xor(bit_shfr(grey, 7), swap)      -- the top bit, maybe swapped
    set_value(x, y, white)
  end
end
