#include "io/documents.h"

#include <memory>
#include <string>
#include <vector>

#include "io/clipboard.h"
#include "io/image_files.h"
#include "platform/pdf.h"
#include "platform/scanner.h"

namespace io {

using engine::EngineState;

// ---- Scanner ----

int32_t scanner_available() { return platform::scanner().available() ? 1 : 0; }

int32_t select_scan_source() {
    platform::Scanner& scanner = platform::scanner();
    return scanner.available() && scanner.select_source() ? 1 : 0;
}

const char* scan_source_name(EngineState& s, int32_t index) {
    platform::Scanner& scanner = platform::scanner();
    s.io.scanSourceName = scanner.available() ? scanner.source_name(index) : std::string();
    return s.io.scanSourceName.c_str();
}

int32_t choose_scan_source(const char* name) {
    platform::Scanner& scanner = platform::scanner();
    return name != nullptr && scanner.available() && scanner.choose_source(name) ? 1 : 0;
}

int32_t acquire_scan(EngineState& s) {
    platform::Scanner& scanner = platform::scanner();
    if (!scanner.available()) return 0;
    return dib_to_new_rgba(s, scanner.acquire());
}

// ---- PDF ----

namespace {
constexpr int32_t kPdfDpi = 96;
constexpr int32_t kPdfBorder = 20;
constexpr int32_t kPdfBorderGrey = 196;
constexpr int32_t kMessageCapacity = 1024;
}  // namespace

int32_t pdf_reset() { return platform::pdf_writer().reset(); }

int32_t pdf_add_image(const char* path) { return path == nullptr ? 0 : platform::pdf_writer().add_image(path); }

int32_t pdf_make(const char* path) {
    platform::PdfWriter& pdf = platform::pdf_writer();
    pdf.silent_running();
    pdf.set_dpi(kPdfDpi);
    pdf.delete_images_on_convert();
    pdf.set_border(kPdfBorder, kPdfBorder, kPdfBorder, kPdfBorder);
    pdf.set_border_color(kPdfBorderGrey, kPdfBorderGrey, kPdfBorderGrey);
    char message[kMessageCapacity] = {};
    const int32_t made = path == nullptr ? 0 : pdf.make_pdf(path, 0, message, kMessageCapacity);
    pdf.reset();
    return made;
}

int32_t pdf_make_slideshow(const char* path) {
    platform::pdf_writer().slide_show(9, 1, 4);
    return pdf_make(path);
}

// ---- Video ----

namespace {

constexpr uint32_t kMillisecondsPerSecond = 1000;

uint64_t dib_row_bytes(int32_t width) { return (uint64_t(width) * 24 + 31) / 32 * 4; }

// The frame as the rows of a 24-bit bitmap: blue, green, red, bottom row
// first, rows padded to four bytes.
void dib_rows(const RGBAPicture& frame, std::vector<uint8_t>& out) {
    const uint64_t stride = dib_row_bytes(int32_t(frame.width()));
    out.resize(size_t(stride * frame.height()));
    const uint32_t padding = uint32_t(stride - uint64_t(frame.width()) * 3);
    for (uint32_t y = 0; y < frame.height(); ++y) {
        const uint8_t* in = frame.pixels() + uint64_t(y) * frame.width() * 4;
        uint8_t* row = out.data() + uint64_t(frame.height() - 1 - y) * stride;
        for (uint32_t x = 0; x < frame.width(); ++x, in += 4, row += 3) {
            row[0] = in[2];
            row[1] = in[1];
            row[2] = in[0];
        }
        for (uint32_t i = 0; i < padding; ++i) row[i] = 0;
    }
}

bool write_frame(VideoWriter& v, const RGBAPicture& frame) {
    if (!frame) return false;
    if (!v.streamStarted) {
        v.format = {int32_t(frame.width()), int32_t(frame.height()), 24, v.frameDuration, kMillisecondsPerSecond,
                    dib_row_bytes(int32_t(frame.width())) * frame.height()};
        if (!v.file->start_stream(v.format)) return false;
        v.streamStarted = true;
    }
    // Every frame of a stream has the size of the first.
    if (int64_t(frame.width()) != v.format.width || int64_t(frame.height()) != v.format.height) return false;
    dib_rows(frame, v.rows);
    return v.file->write_frame(v.frameCount, v.rows.data(), v.rows.size());
}

}  // namespace

void* create_avi(EngineState& s, const char* path, int32_t frameMs) {
    if (path == nullptr || frameMs <= 0) return nullptr;
    close_avi(s);  // a video still open is finished, not abandoned
    auto writer = std::make_unique<VideoWriter>();
    writer->file = platform::video_files().create(path);
    if (!writer->file) return nullptr;
    writer->frameDuration = uint32_t(frameMs);
    s.io.video = std::move(writer);
    return s.io.video.get();
}

int32_t write_avi(EngineState& s, const char* framePath) {
    VideoWriter* v = s.io.video.get();
    if (v == nullptr || v->failed) return 0;
    if (!write_frame(*v, RGBAPicture(framePath))) {
        v->failed = true;
        return 0;
    }
    ++v->frameCount;
    return 1;
}

int32_t close_avi(EngineState& s) {
    std::unique_ptr<VideoWriter> v = std::move(s.io.video);
    if (!v) return 0;
    if (v->failed) {
        v->file->discard();
        return kVideoError;
    }
    return v->file->close() ? 0 : kVideoError;
}

}  // namespace io
