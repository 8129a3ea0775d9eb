// Picture files and the newRGBA buffer.
#include "exports/guard.h"
#include "io/image_files.h"
#include "io/page_files.h"
#include "io/resized_pictures.h"

using engine::state;
using exports::guarded;
using exports::guarded_step;

extern "C" {

PTE_API int32_t PTE_CALL PTE_GetDPIFromFile(const char* path) {
    return guarded("GetDPIFromFile Excpt", int32_t{72}, [&] { return io::dpi_from_file(path); });
}

PTE_API int32_t PTE_CALL PTE_ReadFromFile(const char* path) {
    return guarded_step<io::NewRGBAError>("CreateNewRGBA Excpt", "ReadFromFile Excpt", int32_t{0},
                                          [&] { return io::read_from_file(state(), path); });
}

PTE_API int32_t PTE_CALL PTE_ReadFromFileRGB24(uint8_t* dst, int32_t width, int32_t height, const char* path) {
    return guarded("ReadFromFileRGB24 Excpt", int32_t{0},
                   [&] { return io::read_from_file_rgb24(state(), dst, width, height, path); });
}

PTE_API int32_t PTE_CALL PTE_ReadFromFileRGBA32(uint8_t* dst, int32_t width, int32_t height, const char* path) {
    return guarded("ReadFromFileRGBA32 Excpt", int32_t{0},
                   [&] { return io::read_from_file_rgba32(state(), dst, width, height, path); });
}

PTE_API int32_t PTE_CALL PTE_WriteToFileRGB24(const uint8_t* src, int32_t width, int32_t height, const char* path,
                                              const char* ext, int32_t dpi) {
    return guarded("WriteToFileRGB24 Excpt", int32_t{0},
                   [&] { return io::write_to_file_rgb24(src, width, height, path, ext, dpi); });
}

PTE_API int32_t PTE_CALL PTE_WriteToFileRGBA32(const uint8_t* src, int32_t width, int32_t height, const char* path,
                                               const char* ext, int32_t dpi) {
    return guarded("WriteToFileRGBA32 Excpt", int32_t{0},
                   [&] { return io::write_to_file_rgba32(src, width, height, path, ext, dpi); });
}

PTE_API void PTE_CALL PTE_SavePageToFileRGB24(const char* path, const char* ext, int32_t dpi) {
    guarded("PTE_SavePageToFileRGB24 Excpt", [&] { io::save_page_rgb24(state(), path, ext, dpi); });
}

PTE_API void PTE_CALL PTE_SavePageToFileRGB32(const char* path, const char* ext, int32_t dpi) {
    guarded("PTE_SavePageToFileRGB32 Excpt", [&] { io::save_page_rgba32(state(), path, ext, dpi); });
}

PTE_API int32_t PTE_CALL PTE_MakeThumbnail(const char* from, const char* to) {
    guarded("MakeThumbnails Excpt", [&] { io::make_thumbnail(from, to); });
    return 0;
}

PTE_API int32_t PTE_CALL PTE_MakeWebPic(const char* from, const char* to, int32_t maxWidth, int32_t maxHeight) {
    guarded("MakeWebPic Excpt", [&] { io::make_web_picture(from, to, maxWidth, maxHeight); });
    return 0;
}

PTE_API int32_t PTE_CALL PTE_GetNewRGBAWidth(void) { return state().io.newRGBAWidth; }
PTE_API int32_t PTE_CALL PTE_GetNewRGBAHeight(void) { return state().io.newRGBAHeight; }

PTE_API void PTE_CALL PTE_GetNewRGBA32(uint8_t* dst) {
    guarded("GetNewRGBA32 Excpt", [&] { io::get_new_rgba32(state(), dst); });
}

PTE_API void PTE_CALL PTE_GetNewRGBA24(uint8_t* dst) {
    guarded("GetNewRGBA24 Excpt", [&] { io::get_new_rgba24(state(), dst); });
}

PTE_API void PTE_CALL PTE_GetResizedNewRGBA24(uint8_t* dst, int32_t width, int32_t height) {
    guarded("GetResizedNewRGB24 Excpt", [&] { io::get_resized_new_rgba24(state(), dst, width, height); });
}

PTE_API void PTE_CALL PTE_SetInNewRGBA(void) {
    guarded("SetInNewRGBA Excpt", [&] { io::set_in_new_rgba(state()); });
}

PTE_API void PTE_CALL PTE_DeleteNewRGBA(void) {
    guarded("DeleteNewRGBA Excpt", [&] { io::delete_new_rgba(state()); });
}

}  // extern "C"
