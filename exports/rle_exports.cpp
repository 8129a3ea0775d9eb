// Run-length codecs.
#include "exports/guard.h"
#include "undo/rle.h"

extern "C" {

PTE_API int32_t PTE_CALL PTE_RLECompressRGBA64ToRGBA32(const uint16_t* src, uint8_t* dst, int32_t count) {
    return rle::compress_rgba64(src, dst, count);
}

PTE_API uint16_t* PTE_CALL PTE_RLEUncompressRGBA32ToRGBA64(const uint8_t* src, uint16_t* dst, int32_t count) {
    return rle::uncompress_rgba64(src, dst, count);
}

PTE_API int32_t PTE_CALL PTE_RLECompressG16ToG8(const uint16_t* src, uint8_t* dst, int32_t count) {
    return rle::compress_g16(src, dst, count);
}

PTE_API void PTE_CALL PTE_RLEUncompressG8ToG16(const uint8_t* src, uint16_t* dst, int32_t count) {
    rle::uncompress_g16(src, dst, count);
}

}  // extern "C"
