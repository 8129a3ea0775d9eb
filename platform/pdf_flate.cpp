#include "platform/pdf_flate.h"

#include <zlib.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/pdf_pictures.h"

namespace platform {

namespace {

// A PDF file written object by object: each object's offset is noted for
// the cross-reference table, and stream lengths are objects of their own,
// written once the stream is done.
class PdfFile {
public:
    explicit PdfFile(const std::string& path) : f_(std::fopen(path.c_str(), "wb")), ok_(f_ != nullptr) {
        if (f_ == nullptr) return;
        offsets_.push_back(0);  // object 0 is the head of the free list
        put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    }
    PdfFile(const PdfFile&) = delete;
    PdfFile& operator=(const PdfFile&) = delete;
    ~PdfFile() {
        if (f_ != nullptr) std::fclose(f_);
    }
    bool ok() const { return ok_; }

    // A new object number; the object is written later with begin().
    uint32_t reserve() {
        offsets_.push_back(0);
        return uint32_t(offsets_.size() - 1);
    }
    void begin(uint32_t object) {
        offsets_[object] = position_;
        put(std::to_string(object) + " 0 obj\n");
    }
    void end() { put("\nendobj\n"); }
    void object(uint32_t number, const std::string& body) {
        begin(number);
        put(body);
        end();
    }

    // A stream object with the dictionary entries given, its data made by
    // fill(deflate) (raw when not compressed), and its length after it.
    template <class Fill>
    void stream(uint32_t number, const std::string& entries, bool compressed, Fill&& fill) {
        const uint32_t length = reserve();
        begin(number);
        put("<< " + entries + (compressed ? " /Filter /FlateDecode" : "") + " /Length " + std::to_string(length) +
            " 0 R >>\nstream\n");
        const uint64_t start = position_;
        if (compressed) {
            Deflater d(*this);
            fill([&](const uint8_t* bytes, size_t n) { d.add(bytes, n); });
            d.finish();
        } else {
            fill([&](const uint8_t* bytes, size_t n) { put(bytes, n); });
        }
        const uint64_t bytes = position_ - start;
        put("\nendstream");
        end();
        object(length, std::to_string(bytes));
    }

    // The cross-reference table and the trailer naming the catalogue.
    void finish(uint32_t catalogue) {
        const uint64_t xref = position_;
        put("xref\n0 " + std::to_string(offsets_.size()) + "\n0000000000 65535 f \n");
        for (size_t i = 1; i < offsets_.size(); ++i) {
            char entry[32];
            std::snprintf(entry, sizeof entry, "%010" PRIu64 " 00000 n \n", offsets_[i]);
            put(entry);
        }
        put("trailer\n<< /Size " + std::to_string(offsets_.size()) + " /Root " + std::to_string(catalogue) +
            " 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n");
        if (f_ != nullptr && std::fclose(f_) != 0) ok_ = false;
        f_ = nullptr;
    }

    void put(const std::string& text) { put(reinterpret_cast<const uint8_t*>(text.data()), text.size()); }
    void put(const uint8_t* bytes, size_t n) {
        if (f_ == nullptr || !ok_ || n == 0) return;
        if (std::fwrite(bytes, 1, n, f_) != n) ok_ = false;
        position_ += n;
    }

private:
    // zlib's deflate into the file, a buffer at a time.
    class Deflater {
    public:
        explicit Deflater(PdfFile& file) : file_(file) {
            ok_ = deflateInit(&z_, Z_DEFAULT_COMPRESSION) == Z_OK;
            if (!ok_) file_.ok_ = false;
        }
        Deflater(const Deflater&) = delete;
        Deflater& operator=(const Deflater&) = delete;
        ~Deflater() {
            if (ok_) deflateEnd(&z_);
        }
        void add(const uint8_t* bytes, size_t n) {
            while (n > 0) {
                const uInt part = uInt(std::min<size_t>(n, 1u << 30));
                run(bytes, part, Z_NO_FLUSH);
                bytes += part;
                n -= part;
            }
        }
        void finish() { run(nullptr, 0, Z_FINISH); }

    private:
        void run(const uint8_t* bytes, uInt n, int flush) {
            if (!ok_ || !file_.ok()) return;
            z_.next_in = const_cast<Bytef*>(bytes);
            z_.avail_in = n;
            int r;
            do {
                z_.next_out = out_;
                z_.avail_out = sizeof out_;
                r = deflate(&z_, flush);
                if (r == Z_STREAM_ERROR) {
                    file_.ok_ = false;
                    return;
                }
                file_.put(out_, sizeof out_ - z_.avail_out);
            } while (z_.avail_out == 0 || (flush == Z_FINISH && r != Z_STREAM_END));
        }

        PdfFile& file_;
        z_stream z_{};
        bool ok_ = false;
        uint8_t out_[64 * 1024];
    };

    std::FILE* f_;
    bool ok_;
    uint64_t position_ = 0;
    std::vector<uint64_t> offsets_;
};

// A number of points with four decimals and no trailing zeros.
std::string points(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", v);
    std::string s = text;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}

// The page of one picture: its size at the resolution plus the border, the
// border filled in its colour, the picture in the frame.
uint32_t write_page(PdfFile& file, uint32_t pages, const PdfPicture& p, const PdfSettings& s) {
    const uint32_t page = file.reserve(), contents = file.reserve(), image = file.reserve();
    const uint32_t mask = p.opaque() ? 0 : file.reserve();
    const double unit = 72.0 / s.dpi;
    const double w = double(p.width), h = double(p.height);
    const double pageW = w + s.border[0] + s.border[2], pageH = h + s.border[1] + s.border[3];
    const std::string left = points(s.border[0]), bottom = points(s.border[3]);
    const std::string frame = left + " " + bottom + " " + points(w) + " " + points(h);

    file.object(page, "<< /Type /Page /Parent " + std::to_string(pages) + " 0 R /MediaBox [0 0 " +
                          points(pageW * unit) + " " + points(pageH * unit) + "] /Resources << /XObject << /Im0 " +
                          std::to_string(image) + " 0 R >> >> /Contents " + std::to_string(contents) + " 0 R >>");
    const std::string drawing = "q " + points(unit) + " 0 0 " + points(unit) + " 0 0 cm " +
                                points(s.colour[0] / 255.0) + " " + points(s.colour[1] / 255.0) + " " +
                                points(s.colour[2] / 255.0) + " rg 0 0 " + points(pageW) + " " + points(pageH) +
                                " re " + frame + " re f* " + points(w) + " 0 0 " + points(h) + " " + left + " " +
                                bottom + " cm /Im0 Do Q\n";
    file.stream(contents, "", false, [&](auto&& put) {
        put(reinterpret_cast<const uint8_t*>(drawing.data()), drawing.size());
    });

    const std::string size = "/Type /XObject /Subtype /Image /Width " + std::to_string(p.width) + " /Height " +
                             std::to_string(p.height) + " /BitsPerComponent 8";
    std::vector<uint8_t> row(size_t(p.width) * 3);
    file.stream(image, size + " /ColorSpace /DeviceRGB" + (mask ? " /SMask " + std::to_string(mask) + " 0 R" : ""),
                true, [&](auto&& put) {
                    for (uint32_t y = 0; y < p.height; ++y) {
                        const uint8_t* in = p.rgba.get() + uint64_t(y) * p.width * 4;
                        for (uint32_t x = 0; x < p.width; ++x)
                            row[x * 3] = in[x * 4], row[x * 3 + 1] = in[x * 4 + 1], row[x * 3 + 2] = in[x * 4 + 2];
                        put(row.data(), row.size());
                    }
                });
    if (mask)
        file.stream(mask, size + " /ColorSpace /DeviceGray", true, [&](auto&& put) {
            for (uint32_t y = 0; y < p.height; ++y) {
                const uint8_t* in = p.rgba.get() + uint64_t(y) * p.width * 4;
                for (uint32_t x = 0; x < p.width; ++x) row[x] = in[x * 4 + 3];
                put(row.data(), p.width);
            }
        });
    return page;
}

class FlatePdf final : public PictureListPdf {
private:
    bool write_document(const std::string& path, const std::vector<std::string>& pages, const PdfSettings& settings,
                        std::string& error) override {
        PdfFile file(path);
        if (!file.ok()) return error = "cannot create the file", false;
        const uint32_t catalogue = file.reserve(), tree = file.reserve();
        std::string kids;
        for (const std::string& path : pages) {
            PdfPicture p;
            if (!read_pdf_picture(path, p)) return error = "cannot read " + path, false;
            kids += std::to_string(write_page(file, tree, p, settings)) + " 0 R ";
        }
        file.object(tree, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>");
        file.object(catalogue, "<< /Type /Catalog /Pages " + std::to_string(tree) + " 0 R >>");
        file.finish(catalogue);
        if (!file.ok()) return error = "cannot write the document", false;
        return true;
    }
};

}  // namespace

PdfWriter& flate_pdf_writer() {
    static FlatePdf writer;
    return writer;
}

}  // namespace platform
