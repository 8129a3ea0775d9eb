// The RGBA32 working buffers of the image, allocated directly.
#pragma once

#include <cstdint>
#include <vector>

// Allocates iplSrc32 and iplDst32 at the image's size and fills the source
// with `picture` (W * H * 4 bytes) and the destination with `dst_fill`.
void make_working_buffers(const std::vector<uint8_t>& picture, uint8_t dst_fill = 0);

std::vector<uint8_t> working_src();
std::vector<uint8_t> working_dst();

// A W x H RGBA32 picture of pseudo-random bytes from `seed`, made of runs
// so that neighbours are sometimes alike and sometimes far apart.
std::vector<uint8_t> random_picture(int32_t w, int32_t h, uint32_t seed);
