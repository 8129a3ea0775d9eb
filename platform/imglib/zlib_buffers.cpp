#include <zlib.h>

#include "platform/imglib/imglib.h"

namespace imglib {

uint32_t IS3ZDeflateBuffer(const void* src, uint32_t srcLength, void* dst, uint32_t dstCapacity, int32_t level) {
    if (src == nullptr || dst == nullptr || dstCapacity == 0) return 0;
    const int zlevel = (level >= 1 && level <= 9) ? level : Z_DEFAULT_COMPRESSION;
    uLongf written = dstCapacity;
    if (compress2(static_cast<Bytef*>(dst), &written, static_cast<const Bytef*>(src), srcLength, zlevel) != Z_OK)
        return 0;
    return static_cast<uint32_t>(written);
}

uint32_t IS3ZInflateBuffer(const void* src, uint32_t srcLength, void* dst, uint32_t dstCapacity, int32_t) {
    if (src == nullptr || dst == nullptr) return 0;
    uLongf written = dstCapacity;
    uLong consumed = srcLength;
    // uncompress2 refuses a stream that is corrupt, truncated or larger than dst.
    if (uncompress2(static_cast<Bytef*>(dst), &written, static_cast<const Bytef*>(src), &consumed) != Z_OK) return 0;
    return static_cast<uint32_t>(written);
}

}  // namespace imglib
