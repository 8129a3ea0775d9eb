// Scanner, PDF documents and AVI videos.
#include "exports/guard.h"
#include "io/documents.h"
#include "io/image_files.h"

using engine::state;
using exports::guarded_quietly;
using exports::guarded_step;

extern "C" {

PTE_API int32_t PTE_CALL PTE_IsTwain(void) {
    return guarded_quietly(int32_t{0}, [] { return io::scanner_available(); });
}

PTE_API int32_t PTE_CALL PTE_TwainSelectSource(void) {
    return guarded_quietly(int32_t{0}, [] { return io::select_scan_source(); });
}

PTE_API const char* PTE_CALL PTE_TwainGetSourceName(int32_t index) {
    return guarded_quietly(static_cast<const char*>(""), [&] { return io::scan_source_name(state(), index); });
}

PTE_API int32_t PTE_CALL PTE_TwainChooseSource(const char* name) {
    return guarded_quietly(int32_t{0}, [&] { return io::choose_scan_source(name); });
}

PTE_API int32_t PTE_CALL PTE_TwainAcquire(void) {
    return guarded_step<io::NewRGBAError>("CreateNewRGBA Excpt", "TwainAcquire Excpt", int32_t{0},
                                          [] { return io::acquire_scan(state()); });
}

PTE_API int32_t PTE_CALL PTE_I2PDF_Reset(void) {
    return guarded_quietly(int32_t{0}, [] { return io::pdf_reset(); });
}

PTE_API int32_t PTE_CALL PTE_I2PDF_AddImage(const char* path) {
    return guarded_quietly(int32_t{0}, [&] { return io::pdf_add_image(path); });
}

PTE_API int32_t PTE_CALL PTE_I2PDF_MakePDF(const char* path) {
    return guarded_quietly(int32_t{0}, [&] { return io::pdf_make(path); });
}

PTE_API int32_t PTE_CALL PTE_I2PDF_MakePDFSlideshow(const char* path) {
    return guarded_quietly(int32_t{0}, [&] { return io::pdf_make_slideshow(path); });
}

PTE_API void* PTE_CALL PTE_CreateAVI(const char* path, int32_t frameMs) {
    return guarded_quietly(static_cast<void*>(nullptr), [&] { return io::create_avi(state(), path, frameMs); });
}

PTE_API int32_t PTE_CALL PTE_WriteAVI(const char* framePath) {
    return guarded_quietly(int32_t{0}, [&] { return io::write_avi(state(), framePath); });
}

PTE_API int32_t PTE_CALL PTE_CloseAVI(void) {
    return guarded_quietly(io::kVideoError, [] { return io::close_avi(state()); });
}

}  // extern "C"
