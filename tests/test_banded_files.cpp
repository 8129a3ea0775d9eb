// Picture files whose image data is compressed in bands on the task pool:
// the banded zlib stream itself, PNG files against libpng's, TIFF strips
// against libtiff's, and the same bytes at every thread count.
#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/imglib/deflate_bands.h"
#include "platform/imglib/files.h"
#include "platform/imglib/png_filters.h"
#include "platform/parallel.h"
#include "support/temp_dir.h"

namespace {

using Bytes = std::vector<uint8_t>;

class PoolAt {
public:
    explicit PoolAt(int32_t threads) { parallel::set_thread_count(threads); }
    ~PoolAt() { parallel::set_thread_count(0); }
};

// Inflates a whole zlib stream (header and Adler-32 checked); empty when it
// is not one.
Bytes inflate_all(const Bytes& stream) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return {};
    Bytes out;
    uint8_t buffer[1 << 15];
    z.next_in = const_cast<uint8_t*>(stream.data());
    z.avail_in = uInt(stream.size());
    int ret = Z_OK;
    while (ret == Z_OK) {
        z.next_out = buffer;
        z.avail_out = sizeof buffer;
        ret = inflate(&z, Z_NO_FLUSH);
        out.insert(out.end(), buffer, buffer + (sizeof buffer - z.avail_out));
    }
    const bool whole = ret == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    return whole ? out : Bytes{};
}

// Input that compresses the way pictures do: runs, repeats from far back
// (past a band and past the window) and noise.
Bytes sample_input(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes b;
    while (b.size() < n) {
        switch (rng() % 3) {
            case 0: b.insert(b.end(), 1 + rng() % 300, uint8_t(rng())); break;
            case 1:
                if (b.size() > 40000) {
                    const size_t from = rng() % (b.size() - 1000);
                    b.insert(b.end(), b.begin() + ptrdiff_t(from), b.begin() + ptrdiff_t(from + 1 + rng() % 900));
                }
                break;
            default:
                for (uint32_t i = rng() % 200; i-- > 0;) b.push_back(uint8_t(rng()));
        }
    }
    b.resize(n);
    return b;
}

// The stream of `input` fed in batches of the given sizes (the last batch
// takes what is left and finishes).
Bytes banded_stream(const Bytes& input, size_t band, const std::vector<size_t>& batches) {
    imglib::detail::DeflateBands bands(Z_DEFAULT_COMPRESSION, Z_FILTERED, band);
    Bytes out;
    size_t at = 0;
    for (size_t i = 0;; ++i) {
        const bool last = i >= batches.size() || at + batches[i] >= input.size();
        const size_t n = last ? input.size() - at : batches[i];
        uint8_t* room = bands.input(n);
        EXPECT_NE(room, nullptr);
        if (room == nullptr) return {};
        std::copy_n(input.begin() + ptrdiff_t(at), n, room);
        at += n;
        EXPECT_TRUE(bands.compress(last));
        for (size_t p = 0; p < bands.pieces(); ++p) out.insert(out.end(), bands.piece(p).begin(), bands.piece(p).end());
        if (last) return out;
    }
}

TEST(DeflateBands, OneStreamWhateverTheCutsAndTheThreads) {
    const Bytes input = sample_input(300000, 1);
    for (const size_t band : {size_t(1), size_t(999), size_t(32768), size_t(70001), size_t(1) << 20}) {
        const PoolAt one(1);
        const Bytes single = banded_stream(Bytes(input.begin(), input.begin() + (band == 1 ? 3000 : 300000)),
                                           band, {});
        ASSERT_GE(single.size(), 2u);
        EXPECT_EQ(single[0], 0x78);
        EXPECT_EQ(single[1], 0x9C) << "level 6's flags and check bits";
        const Bytes want(input.begin(), input.begin() + (band == 1 ? 3000 : 300000));
        EXPECT_TRUE(inflate_all(single) == want) << "band " << band;
        // Other batches and thread counts give the very same bytes.
        for (const int32_t threads : {2, 3, 8}) {
            const PoolAt pool(threads);
            const std::vector<size_t> batches = band == 1 ? std::vector<size_t>{5, 0, 1000}
                                                          : std::vector<size_t>{band * 3, band, 0, band * 2};
            EXPECT_TRUE(banded_stream(want, band, batches) == single) << "band " << band << " at " << threads;
        }
    }
}

TEST(DeflateBands, EmptyAndTinyStreams) {
    for (const size_t n : {size_t(0), size_t(1), size_t(2)}) {
        const Bytes input(n, 7);
        const Bytes stream = banded_stream(input, 1, {});
        EXPECT_TRUE(inflate_all(stream) == input) << n;
    }
}

TEST(DeflateBands, CostsLittleOverOneStream) {
    const Bytes input = sample_input(2 << 20, 2);
    uLongf plain_size = compressBound(uLong(input.size()));
    Bytes plain(plain_size);
    ASSERT_EQ(compress2(plain.data(), &plain_size, input.data(), uLong(input.size()), 6), Z_OK);
    const Bytes banded = banded_stream(input, 256 << 10, {});
    EXPECT_LE(double(banded.size()), double(plain_size) * 1.01);
}

// ---- PNG ----

struct Chunk {
    std::string type;
    Bytes data;
};

std::vector<Chunk> chunks_of(const Bytes& file) {
    std::vector<Chunk> out;
    size_t at = 8;
    while (at + 12 <= file.size()) {
        const uint32_t n = uint32_t(file[at]) << 24 | uint32_t(file[at + 1]) << 16 | uint32_t(file[at + 2]) << 8 |
                           file[at + 3];
        if (at + 12 + n > file.size()) break;
        Chunk c{std::string(file.begin() + ptrdiff_t(at + 4), file.begin() + ptrdiff_t(at + 8)),
                Bytes(file.begin() + ptrdiff_t(at + 8), file.begin() + ptrdiff_t(at + 8 + n))};
        uLong crc = crc32(0, file.data() + at + 4, 4);
        if (n > 0) crc = crc32(crc, c.data.data(), uInt(n));  // (a null buffer would restart the sum)
        const uint32_t stored = uint32_t(file[at + 8 + n]) << 24 | uint32_t(file[at + 9 + n]) << 16 |
                                uint32_t(file[at + 10 + n]) << 8 | file[at + 11 + n];
        EXPECT_EQ(stored, uint32_t(crc)) << c.type;
        out.push_back(std::move(c));
        at += 12 + n;
    }
    EXPECT_EQ(at, file.size()) << "chunks end where the file ends";
    return out;
}

// The image data of a PNG file: its IDAT chunks joined and inflated.
Bytes image_data(const Bytes& file) {
    Bytes stream;
    for (const Chunk& c : chunks_of(file))
        if (c.type == "IDAT") stream.insert(stream.end(), c.data.begin(), c.data.end());
    return inflate_all(stream);
}

void to_memory(png_structp png, png_bytep data, size_t n) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

// libpng's file of the same rows: its defaults, or one filter when asked.
Bytes libpng_file(const Bytes& pixels, uint32_t w, uint32_t h, uint32_t channels, int filters = 0) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, to_memory, nullptr);
    png_set_IHDR(png, info, w, h, 8, channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (filters != 0) png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
    png_write_info(png, info);
    for (uint32_t y = 0; y < h; ++y) png_write_row(png, pixels.data() + size_t(y) * w * channels);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Our file of the rows, through the row writer.
Bytes our_png(const TempDir& dir, const Bytes& pixels, uint32_t w, uint32_t h, uint32_t channels,
              uint32_t filters = 0) {
    const std::string path = dir.path("ours.png");
    imglib::HISDEST d = imglib::IS3OpenFileDest(path.c_str(), 0);
    imglib::HISLINES lines =
        imglib::IS40_InitWritePNGLines(d, w, h, w * channels, 8, 0, nullptr, channels == 4 ? 6 : 2, 0, filters, nullptr);
    EXPECT_NE(lines, nullptr);
    for (uint32_t y = 0; y < h; ++y) imglib::IS40_WriteNextPNGLine(lines, pixels.data() + size_t(y) * w * channels);
    EXPECT_TRUE(imglib::IS40_DestroyPNGLines(lines));
    EXPECT_TRUE(imglib::IS3CloseDest(d));
    return read_file(path);
}

// Pictures where different filters win: noise, ramps, flat areas, edges.
Bytes png_picture(uint32_t w, uint32_t h, uint32_t channels, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes p(size_t(w) * h * channels);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* px = &p[(size_t(y) * w + x) * channels];
            const uint32_t region = (x / 16 + y / 8) % 4;
            for (uint32_t c = 0; c < channels; ++c)
                px[c] = region == 0   ? uint8_t(rng())
                        : region == 1 ? uint8_t(x * 3 + y * (c + 1))
                        : region == 2 ? uint8_t(200 - c)
                                      : uint8_t((x ^ y) & 8 ? 250 : 3);
        }
    return p;
}

TEST(PngBands, FiltersChosenAsLibpngChoosesThem) {
    const TempDir dir("png_filters");
    for (const uint32_t channels : {3u, 4u}) {
        for (const auto& [w, h] : {std::pair{1u, 41u}, std::pair{2u, 41u}, std::pair{7u, 41u}, std::pair{64u, 41u},
                                   std::pair{257u, 41u}, std::pair{33u, 1u}, std::pair{1u, 1u}}) {
            const Bytes pixels = png_picture(w, h, channels, w * 7 + channels);
            const Bytes ours = image_data(our_png(dir, pixels, w, h, channels));
            const Bytes theirs = image_data(libpng_file(pixels, w, h, channels));
            ASSERT_FALSE(theirs.empty());
            EXPECT_TRUE(ours == theirs) << w << "x" << h << ", " << channels << " channels";
            // One filter asked for: that one on every row.
            for (const int filter : {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH,
                                     PNG_FILTER_UP | PNG_FILTER_PAETH}) {
                const Bytes one = image_data(our_png(dir, pixels, w, h, channels, uint32_t(filter)));
                EXPECT_TRUE(one == image_data(libpng_file(pixels, w, h, channels, filter)))
                    << "filter mask " << filter << ", " << w << "x" << h;
            }
        }
    }
}

TEST(PngBands, PredictorsAndTheirTies) {
    // One-byte pixels, a two-byte row: the second byte is predicted from
    // a (the first byte), b (the byte above it) and c (the byte above a).
    struct Row {
        uint8_t a, b, c;
        uint8_t sub, up, average, paeth;  // the predictor each filter takes
    };
    for (const Row& r : {
             Row{110, 80, 100, 110, 80, 95, 80},   // Paeth: b and c tie nearest, b wins
             Row{120, 90, 100, 120, 90, 105, 120}, // a and c tie nearest, a wins
             Row{90, 110, 100, 90, 110, 100, 100}, // c alone is nearest
             Row{0, 255, 0, 0, 255, 127, 255},     // the average truncates
             Row{255, 255, 255, 255, 255, 255, 255},
             Row{255, 0, 128, 255, 0, 127, 128},
         }) {
        const uint8_t row[2] = {r.a, 7}, above[2] = {r.c, r.b};
        uint8_t out[3], scratch[3];
        for (const auto& [mask, predicted] : {std::pair{imglib::detail::kPngFilterSub, r.sub},
                                              std::pair{imglib::detail::kPngFilterUp, r.up},
                                              std::pair{imglib::detail::kPngFilterAverage, r.average},
                                              std::pair{imglib::detail::kPngFilterPaeth, r.paeth}}) {
            imglib::detail::filter_png_row(row, above, 2, 1, mask, out, scratch);
            EXPECT_EQ(out[2], uint8_t(7 - predicted)) << "mask " << mask << " a " << int(r.a) << " b " << int(r.b)
                                                      << " c " << int(r.c);
        }
    }
    // The first pixel's a and c are 0: sub leaves it, average halves b.
    const uint8_t row[2] = {200, 9}, above[2] = {101, 0};
    uint8_t out[3], scratch[3];
    imglib::detail::filter_png_row(row, above, 2, 1, imglib::detail::kPngFilterAverage, out, scratch);
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(out[1], uint8_t(200 - 50));
    imglib::detail::filter_png_row(row, above, 2, 1, imglib::detail::kPngFilterSub, out, scratch);
    EXPECT_EQ(out[1], 200);
}

TEST(PngBands, TheSmallestSumWinsAndTiesGoToTheEarlierFilter) {
    uint8_t out[5], scratch[5];
    // A row equal to the one above: up gives all zeros.
    const uint8_t above[4] = {9, 200, 31, 77}, same[4] = {9, 200, 31, 77};
    imglib::detail::filter_png_row(same, above, 4, 1, 0, out, scratch);
    EXPECT_EQ(out[0], 2);
    // A row of zeros under a row of zeros: every filter sums to 0, none wins.
    const uint8_t zeros[4] = {};
    imglib::detail::filter_png_row(zeros, zeros, 4, 1, 0, out, scratch);
    EXPECT_EQ(out[0], 0);
    // Bytes near 256 count as small negative differences: unfiltered
    // 255, 254, 1, 2 sums to 6, less than any filter gives.
    const uint8_t wrap[4] = {255, 254, 1, 2}, far[4] = {100, 100, 100, 100};
    imglib::detail::filter_png_row(wrap, far, 4, 1, 0, out, scratch);
    EXPECT_EQ(out[0], 0);
    // Without "none" allowed, the best of the rest: sub (1, 0, 1, 0 after the first byte).
    const uint8_t steps[4] = {10, 11, 12, 13};
    imglib::detail::filter_png_row(steps, far, 4, 1, imglib::detail::kPngAllFilters & ~imglib::detail::kPngFilterNone,
                                   out, scratch);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[2], 1);
}

TEST(PngBands, VectorFiltersGiveThePlainBytesAndChoice) {
    // Row lengths around the 16-byte vectors and the 256-byte checks, every
    // pixel size, every mask; rows of noise with many bytes at the ends of
    // the range, near copies of the row above, and ramps, so that each
    // filter wins somewhere and sums cross the best so far mid-row.
    std::mt19937 rng(77);
    auto extreme = [&] {
        const uint32_t r = rng() % 4;
        return r == 0 ? uint8_t(0) : r == 1 ? uint8_t(255) : uint8_t(rng());
    };
    int chosen[5] = {};
    for (const size_t bytes : {size_t(1), size_t(15), size_t(16), size_t(17), size_t(33), size_t(255), size_t(256),
                               size_t(257), size_t(1000), size_t(4099)}) {
        for (uint32_t bpp = 1; bpp <= 8; ++bpp) {
            for (int kind = 0; kind < 3; ++kind) {
                Bytes above(bytes), row(bytes);
                for (size_t i = 0; i < bytes; ++i) {
                    above[i] = extreme();
                    row[i] = kind == 0   ? extreme()
                             : kind == 1 ? uint8_t(above[i] + rng() % 3)
                                         : uint8_t(i * 3 + (rng() % 2));
                }
                for (const uint32_t mask : {0u, 0x08u, 0x10u, 0x20u, 0x40u, 0x80u, 0xF0u, 0x58u, 0xA8u}) {
                    Bytes fast(bytes + 1), plain(bytes + 1), scratch(bytes + 1);
                    imglib::detail::filter_png_row(row.data(), above.data(), bytes, bpp, mask, fast.data(),
                                                   scratch.data());
                    imglib::detail::set_png_filter_fast_paths(false);
                    imglib::detail::filter_png_row(row.data(), above.data(), bytes, bpp, mask, plain.data(),
                                                   scratch.data());
                    imglib::detail::set_png_filter_fast_paths(true);
                    ASSERT_TRUE(fast == plain) << bytes << " bytes, " << bpp << " a pixel, kind " << kind << ", mask "
                                               << mask << ": filter " << int(fast[0]) << " against " << int(plain[0]);
                    ++chosen[fast[0] % 5];
                }
            }
        }
    }
    for (int f = 0; f < 5; ++f) EXPECT_GT(chosen[f], 0) << "filter " << f << " never chosen";
}

TEST(PngBands, ManyBandsReadBackAndMatchEveryThreadCount) {
    const TempDir dir("png_bands");
    // 1201 filtered bytes a row: 218 rows a band, eleven bands.
    const uint32_t w = 300, h = 2333, channels = 4;
    const Bytes pixels = png_picture(w, h, channels, 5);
    const PoolAt one(1);
    const Bytes single = our_png(dir, pixels, w, h, channels);
    EXPECT_TRUE(image_data(single) == image_data(libpng_file(pixels, w, h, channels)));
    size_t idat = 0;
    for (const Chunk& c : chunks_of(single)) idat += c.type == "IDAT";
    EXPECT_GE(idat, 10u) << "one chunk a band";
    for (const int32_t threads : {2, 3, 8}) {
        const PoolAt pool(threads);
        EXPECT_TRUE(our_png(dir, pixels, w, h, channels) == single) << threads << " threads";
    }
    // libpng (behind our reader) decodes the rows.
    const std::string path = dir.path("back.png");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(single.data()), std::streamsize(single.size()));
    imglib::HISSRC src = imglib::IS3OpenFileSource(path.c_str());
    uint32_t rw = 0, rh = 0;
    uint8_t* back = imglib::IS3ReadImageToRGBA(src, &rw, &rh);
    imglib::IS3CloseSource(src);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(rw, w);
    ASSERT_EQ(rh, h);
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), back));
    imglib::GlobalFree(back);
}

TEST(PngBands, NoLargerThanLibpngsFile) {
    const TempDir dir("png_size");
    // A photo-like picture: smooth ramps under a little noise.
    const uint32_t w = 1024, h = 768;
    Bytes pixels(size_t(w) * h * 3);
    std::mt19937 rng(3);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            for (uint32_t c = 0; c < 3; ++c)
                pixels[(size_t(y) * w + x) * 3 + c] = uint8_t((x * (c + 1) + y * 2) / 5 + rng() % 6);
    const double ours = double(our_png(dir, pixels, w, h, 3).size());
    const double theirs = double(libpng_file(pixels, w, h, 3).size());
    EXPECT_LE(ours, theirs * 1.01) << ours << " against " << theirs;
}

// ---- TIFF ----

// The raw (still compressed) strips of a TIFF file, read by libtiff.
std::vector<Bytes> raw_strips(const std::string& path) {
    std::vector<Bytes> strips;
    TIFF* t = TIFFOpen(path.c_str(), "r");
    if (t == nullptr) return strips;
    for (uint32_t s = 0; s < TIFFNumberOfStrips(t); ++s) {
        Bytes b(size_t(TIFFRawStripSize(t, s)));
        TIFFReadRawStrip(t, s, b.data(), tmsize_t(b.size()));
        strips.push_back(std::move(b));
    }
    TIFFClose(t);
    return strips;
}

Bytes decoded_tiff(const std::string& path) {
    TIFF* t = TIFFOpen(path.c_str(), "r");
    if (t == nullptr) return {};
    Bytes out;
    Bytes strip(size_t(TIFFStripSize(t)));
    for (uint32_t s = 0; s < TIFFNumberOfStrips(t); ++s) {
        const tmsize_t n = TIFFReadEncodedStrip(t, s, strip.data(), tmsize_t(strip.size()));
        if (n < 0) return {};
        out.insert(out.end(), strip.begin(), strip.begin() + n);
    }
    TIFFClose(t);
    return out;
}

// Debian's libtiff deflates with libdeflate, as the writer does; the
// Windows build's libtiff deflates with zlib, whose bytes differ, so there
// the strips are judged by what they decode to and by being the same at
// every thread count.
#if defined(_WIN32)
constexpr bool kLibtiffDeflatesWithLibdeflate = false;
#else
constexpr bool kLibtiffDeflatesWithLibdeflate = true;
#endif

TEST(TiffBands, StripsAreLibtiffsOwnAtEveryThreadCount) {
    const TempDir dir("tiff_strips");
    const uint32_t w = 211, h = 1013;  // 844 bytes a row: 310 rows a strip, four strips
    const Bytes pixels = png_picture(w, h, 4, 9);
    for (const uint32_t predictor : {0u, 2u}) {
        // libtiff alone, with the writer's strip height.
        const std::string reference = dir.path("libtiff.tif");
        TIFF* t = TIFFOpen(reference.c_str(), "w");
        ASSERT_NE(t, nullptr);
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 4);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        if (predictor == 2) TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        const uint32_t strip_rows = (256u << 10) / (w * 4);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, strip_rows);
        for (uint32_t y = 0; y < h; y += strip_rows) {
            Bytes strip(pixels.begin() + ptrdiff_t(size_t(y) * w * 4),
                        pixels.begin() + ptrdiff_t(size_t(std::min(h, y + strip_rows)) * w * 4));
            TIFFWriteEncodedStrip(t, y / strip_rows, strip.data(), tmsize_t(strip.size()));
        }
        TIFFClose(t);
        const std::vector<Bytes> want = raw_strips(reference);
        ASSERT_EQ(want.size(), 4u);

        Bytes first_file;
        for (const int32_t threads : {1, 2, 3, 8}) {
            const PoolAt pool(threads);
            const std::string path = dir.path("ours.tif");
            imglib::HISDEST d = imglib::IS3OpenFileDest(path.c_str(), 0);
            imglib::HISLINES lines = imglib::IS40_InitWriteTIFFLines(d, w, h, 32, predictor, 8, nullptr);
            for (uint32_t y = 0; y < h; ++y) imglib::IS40_WriteNextTIFFLine(lines, pixels.data() + size_t(y) * w * 4);
            ASSERT_TRUE(imglib::IS40_DestroyTIFFLines(lines));
            ASSERT_TRUE(imglib::IS3CloseDest(d));
            if (kLibtiffDeflatesWithLibdeflate) {
                EXPECT_TRUE(raw_strips(path) == want) << "predictor " << predictor << ", " << threads << " threads";
            }
            EXPECT_TRUE(decoded_tiff(path) == pixels) << "predictor " << predictor;
            const Bytes file = read_file(path);
            if (first_file.empty()) first_file = file;
            EXPECT_TRUE(file == first_file) << threads << " threads";
        }
    }
}

}  // namespace
