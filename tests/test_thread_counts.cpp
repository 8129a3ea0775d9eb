// Whole-picture work gives the same bytes at every thread count.
//
// Each operation that hands bands to the task pool runs on odd-sized
// pictures (one pixel wide, one pixel high, prime sides) at 1, 2, 3 and 8
// threads, with bands as small as one row, and everything it wrote is
// compared with what one thread wrote.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "engine/pixels.h"
#include "imaging/builtin_filters.h"
#include "platform/imglib/files.h"
#include "platform/imglib/gaussian_blur8.h"
#include "platform/imglib/geometry.h"
#include "platform/imglib/resample.h"
#include "platform/parallel.h"
#include "support/engine_fixture.h"
#include "support/temp_dir.h"
#include "support/working_buffers.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Size {
    int32_t w, h;
};

// One pixel wide, one pixel high, primes both ways, a prime square.
constexpr Size kSizes[] = {{1, 61}, {61, 1}, {37, 53}, {131, 7}, {7, 131}, {17, 17}};
constexpr int32_t kThreadCounts[] = {2, 3, 8};

template <class T>
void append(Bytes& out, const T* data, size_t count) {
    const auto* p = reinterpret_cast<const uint8_t*>(data);
    out.insert(out.end(), p, p + count * sizeof(T));
}

// Random 16-bit channels, a third of the alphas 0 or 65535, the rest anything.
void fill_layer(engine::LayerSlot& l, std::mt19937& rng) {
    for (size_t i = 0; i < l.pixels.size(); i += 4) {
        for (int c = 0; c < 3; ++c) l.pixels[i + size_t(c)] = uint16_t(rng());
        const uint32_t kind = rng() % 3;
        l.pixels[i + 3] = kind == 0 ? uint16_t(rng() & 1 ? 65535 : 0) : uint16_t(rng());
    }
}

Bytes random_bytes(size_t n, std::mt19937& rng) {
    Bytes b(n);
    for (uint8_t& v : b) v = uint8_t(rng() % 4 == 0 ? (rng() & 1 ? 255 : 0) : rng());
    return b;
}

class SamePixels : public EngineTest {
protected:
    void TearDown() override {
        parallel::set_thread_count(0);
        parallel::set_min_parallel_work(parallel::kDefaultMinParallelWork);
        EngineTest::TearDown();
    }

    // A scene of w x h: background and `upper` layers of random pixels in
    // various modes, a random mask in force, a texture, the current layer 2.
    static std::mt19937 scene(Size z, int upper, uint32_t seed) {
        reset_engine();
        std::mt19937 rng(seed * 7919u + uint32_t(z.w) * 31u + uint32_t(z.h));
        make_image(z.w, z.h, upper);
        static const char* kModes[] = {"Normal", "Multiply", "Screen", "Overlay", "Difference"};
        for (int i = 1; i <= 1 + upper; ++i) {
            fill_layer(st().layers[i], rng);
            PTE_SetLayerOptions(i, 1, 0, i == 1 ? 100 : 60 + 10 * i, kModes[size_t(i - 1) % 5]);
        }
        for (uint16_t& m : std::span(st().mask.values.data(), st().mask.values.size()))
            m = uint16_t(rng() % 3 == 0 ? 65535 : rng());
        st().maskActive = 1;
        if (upper > 0) PTE_SetLayer(2);
        return rng;
    }

    static Bytes layer_bytes(int32_t slot) {
        Bytes out;
        const auto& p = st().layers[slot].pixels;
        append(out, p.data(), p.size());
        return out;
    }

    struct Op {
        std::string name;
        std::function<Bytes(Size)> run;
        // False for an operation that runs in one pass by its definition.
        bool banded = true;
    };

    // Runs each op on every size at one thread, then at each other count
    // (the pool made once per count), and checks that the others wrote the
    // same and, where the op is banded, handed work to the pool.
    static void same_at_every_count(const std::vector<Op>& ops) {
        parallel::set_min_parallel_work(1);
        parallel::set_thread_count(1);
        std::vector<std::vector<Bytes>> want(ops.size());
        for (size_t k = 0; k < ops.size(); ++k)
            for (const Size z : kSizes) {
                want[k].push_back(ops[k].run(z));
                ASSERT_FALSE(want[k].back().empty()) << ops[k].name;
            }
        for (const int32_t n : kThreadCounts) {
            parallel::set_thread_count(n);
            for (size_t k = 0; k < ops.size(); ++k) {
                const int64_t runs = parallel::pool_runs();
                for (size_t i = 0; i < std::size(kSizes); ++i) {
                    const Size z = kSizes[i];
                    ASSERT_TRUE(ops[k].run(z) == want[k][i])
                        << ops[k].name << " on " << z.w << "x" << z.h << " at " << n << " threads";
                }
                if (!ops[k].banded) continue;
                EXPECT_GT(parallel::pool_runs(), runs) << ops[k].name << " never reached the pool at " << n;
            }
        }
    }
    static void same_at_every_count(const char* name, const std::function<Bytes(Size)>& op) {
        same_at_every_count({Op{name, op}});
    }
};

TEST_F(SamePixels, Display) {
    std::vector<Op> ops;
    for (const auto& [num, den] : {std::pair{1, 1}, std::pair{1, 2}, std::pair{3, 1}}) {
        ops.push_back({"render " + std::to_string(num) + ":" + std::to_string(den), [num, den](Size z) {
            std::mt19937 rng = scene(z, 3, 1);
            PTE_SetLayerOptions(4, 1, 0, 100, "Layer Mask");  // masks layer 3
            PTE_CreateLayer(0, z.w, z.h);
            fill_layer(st().layers[0], rng);
            PTE_SetTracingMode(1);
            PTE_DisplayMask(1);
            PTE_SetMaskOptions(200, 10, 10, 10, 10, 200, 0);
            PTE_CreatePaintLayer(70, "Normal");
            fill_layer(st().paintLayer, rng);
            PTE_SetScale(num, den);
            PTE_SetViewSize(z.w * num, z.h * num);
            Bytes display(size_t(z.w) * z.h * 9 * 3, 0xAB);
            PTE_Render(display.data(), z.w * num * 3, 0, 0, z.w, z.h);
            return display;
        }});
    }
    same_at_every_count(ops);
}

TEST_F(SamePixels, Merges) {
    same_at_every_count("flatten", [](Size z) {
        scene(z, 4, 2);
        PTE_SetLayerOptions(4, 1, 0, 100, "Layer Mask");
        Bytes out(size_t(z.w) * z.h * 8);
        PTE_Merge(reinterpret_cast<uint16_t*>(out.data()));
        return out;
    });
    same_at_every_count("merge layer", [](Size z) {
        scene(z, 2, 3);
        PTE_MergeLayer(3, 2);
        return layer_bytes(2);
    });
    same_at_every_count("merge stroke", [](Size z) {
        std::mt19937 rng = scene(z, 1, 4);
        PTE_CreatePaintLayer(80, "Multiply");
        fill_layer(st().paintLayer, rng);
        st().paintLayer.changedLeft = 0, st().paintLayer.changedTop = 0;
        st().paintLayer.changedRight = z.w, st().paintLayer.changedBottom = z.h;
        PTE_MergePaintLayer(2);
        return layer_bytes(2);
    });
    same_at_every_count("merge picture", [](Size z) {
        std::mt19937 rng = scene(z, 1, 5);
        Bytes picture = random_bytes(size_t(z.w) * z.h * 4, rng);
        PTE_LoadRGBA32Layer_BAD(picture.data(), 0, 2, z.w, z.h, 1);
        Bytes out = layer_bytes(2);
        out.insert(out.end(), picture.begin(), picture.end());  // weighed in place by the mask
        return out;
    });
}

TEST_F(SamePixels, TransfersAndConversions) {
    same_at_every_count("loads", [](Size z) {
        std::mt19937 rng = scene(z, 1, 6);
        EXPECT_TRUE(st().brush.texture.allocate(uint64_t(z.w) * z.h));
        for (size_t i = 0; i < st().brush.texture.size(); ++i) st().brush.texture[i] = uint8_t(rng());
        const Bytes rgba = random_bytes(size_t(z.w) * z.h * 4, rng), rgb = random_bytes(size_t(z.w) * z.h * 3, rng);
        PTE_LoadRGBA32Layer(rgba.data(), z.w * 4, 2, 0, 0, z.w, z.h, 1);
        PTE_LoadRGBA32Layer(rgba.data(), z.w * 4, 3 - 1, -1, 1, z.w, z.h, 0);
        PTE_LoadRGB24(rgb.data(), z.w * 3, 1);
        PTE_LoadRGB24ToAlpha(rgb.data(), z.w * 3, 1);
        Bytes out = layer_bytes(2);
        PTE_Load(rgb.data(), z.w * 3, z.w, z.h);
        const Bytes loaded = layer_bytes(2);
        out.insert(out.end(), loaded.begin(), loaded.end());
        Bytes adjusted = rgba;
        PTE_AdjustRGBA32RectByMaskAndTexture(adjusted.data(), -1, 1, z.w, z.h);
        out.insert(out.end(), adjusted.begin(), adjusted.end());
        return out;
    });
    same_at_every_count("reads", [](Size z) {
        scene(z, 1, 7);
        const size_t n = size_t(z.w) * z.h;
        Bytes rgba(n * 4), rgb(n * 3), alpha(n * 3), wide(n * 8), rect(n * 4), rect24(n * 3);
        PTE_GetRGBA32Layer(rgba.data(), z.w * 4, 2);
        PTE_GetRGB24(rgb.data(), z.w * 3);
        PTE_GetRGB24FromAlpha(alpha.data(), z.w * 3);
        PTE_GetRGBA64Layer(reinterpret_cast<uint16_t*>(wide.data()), z.w * 8, 2);
        const auto* layer = st().layers[2].pixels.data();
        PTE_RGBA64RectToRGBA32(layer, 0, 0, z.w, z.h, z.w, 0, rect.data());
        PTE_GetRGB24FromRGBA64(rect24.data(), z.w * 3, layer, z.w * 8);
        Bytes back(n * 8);
        pixels::rgba32_to_rgba64(reinterpret_cast<uint16_t*>(back.data()), z.w * 8, rgba.data(), z.w * 4, z.w, z.h);
        Bytes out;
        for (const Bytes* b : {&rgba, &rgb, &alpha, &wide, &rect, &rect24, &back}) out.insert(out.end(), b->begin(), b->end());
        return out;
    });
    same_at_every_count("fills and premultiplication", [](Size z) {
        std::mt19937 rng = scene(z, 1, 8);
        PTE_ClearMasked(10, 200, 30, 40);
        Bytes out = layer_bytes(2);
        Bytes rgba = random_bytes(size_t(z.w) * z.h * 4, rng), pre = rgba, post = rgba;
        PTE_AdjustRGBA32PreFilter(pre.data(), z.w, z.h);
        PTE_AdjustRGBA32PostFilter(post.data(), z.w, z.h);
        Bytes wide = layer_bytes(1), wide_post = wide;
        PTE_AdjustRGBA64PreFilter(reinterpret_cast<uint16_t*>(wide.data()), z.w, z.h);
        PTE_AdjustRGBA64PostFilter(reinterpret_cast<uint16_t*>(wide_post.data()), z.w, z.h);
        PTE_ClearRGBA32(rgba.data(), z.w * 4, 1, 2, 3, 4);
        for (const Bytes* b : {&pre, &post, &wide, &wide_post, &rgba}) out.insert(out.end(), b->begin(), b->end());
        return out;
    });
}

TEST_F(SamePixels, MaskOperations) {
    same_at_every_count("mask", [](Size z) {
        std::mt19937 rng = scene(z, 1, 9);
        const size_t n = size_t(z.w) * z.h;
        Bytes image = random_bytes(n * 4, rng), out;
        const auto mask_bytes = [&] { append(out, st().mask.values.data(), st().mask.values.size()); };
        PTE_InvertMask();
        mask_bytes();
        PTE_CreateMaskFromRGBAImageHueRange(image.data(), 200, 30, 60, 20, 3);
        mask_bytes();
        PTE_CreateMaskFromRGBAImageColorRange(image.data(), 100, 100, 100, 40, 9);
        mask_bytes();
        PTE_ApplyMaskToAlpha_RGBA32(image.data());
        append(out, image.data(), image.size());
        Bytes grey(n * 3);
        PTE_SaveMask(grey.data(), z.w * 3);
        append(out, grey.data(), grey.size());
        PTE_CreateMaskFromImage();
        mask_bytes();
        PTE_CreateImageFromMask();
        const Bytes layer = layer_bytes(2);
        out.insert(out.end(), layer.begin(), layer.end());
        Bytes rgb(n * 3);
        PTE_RGBAlphaToRGB(rgb.data(), z.w, z.h, image.data());
        PTE_RGBToRGBAlpha(image.data(), z.w, z.h, grey.data());
        append(out, rgb.data(), rgb.size());
        append(out, image.data(), image.size());
        return out;
    });
}

TEST_F(SamePixels, UndoOfAWholeLayer) {
    same_at_every_count("undo", [](Size z) {
        std::mt19937 rng = scene(z, 1, 10);
        PTE_SetUndoLevels(4);
        PTE_SetUndoMB(64);
        PTE_SetLayer(2);
        const Bytes before = layer_bytes(2);
        fill_layer(st().layers[2], rng);
        PTE_SaveUndoBuffer(1, 1);
        PTE_Undo();
        Bytes out = layer_bytes(2);
        EXPECT_TRUE(out == before);
        append(out, st().undo.back.pixels.data(), st().undo.back.pixels.size());
        PTE_Redo();
        const Bytes redone = layer_bytes(2);
        out.insert(out.end(), redone.begin(), redone.end());
        return out;
    });
}

// The filters that sweep the picture in place, each pixel reading what the
// pixels before it wrote, run in one pass in order: the directional pulls
// always, and the 3 x 3 filters when they read the picture they write.
bool sweeps_in_order(std::string_view name, bool in_place) {
    if (name == "Value Blur" || name == "Anti Alias") return true;
    return in_place && (name == "Detail Blur" || name == "Bas Relief");
}

TEST_F(SamePixels, BuiltinFilters) {
    std::vector<Op> ops;
    for (const std::string_view name : imaging::kBuiltinFilterNames) {
        for (const uint8_t in_place : {0, 1}) {
            const auto run = [name, in_place](Size z) {
                std::mt19937 rng = scene(z, 1, 11);
                make_working_buffers(random_picture(z.w, z.h, rng()), 0x5A);
                // Options that take each filter through its own paths (the
                // vignette's ellipse and fade, the relief's left neighbour).
                const std::array<int32_t, 6> a = {300, 700, 400, 600, 450, 250};
                const std::array<int32_t, 8> o = {0, 0, 1, 1, 1, 0, 0, 0};
                imaging::run_builtin_filter(st(), name, in_place, a, o);
                Bytes out = working_dst();
                const Bytes src = working_src(), layer = layer_bytes(2);
                out.insert(out.end(), src.begin(), src.end());
                out.insert(out.end(), layer.begin(), layer.end());
                return out;
            };
            ops.push_back({std::string(name) + (in_place ? " in place" : ""), run, !sweeps_in_order(name, in_place)});
        }
    }
    same_at_every_count(ops);
}

TEST_F(SamePixels, GaussianBlur) {
    std::vector<Op> ops;
    for (const uint32_t bpp : {1u, 3u, 4u})
        for (const double sigma : {1.0, 9.5})
            ops.push_back({"Gaussian blur of " + std::to_string(bpp) + " bytes, deviation " + std::to_string(sigma),
                           [bpp, sigma](Size z) {
                               std::mt19937 rng(uint32_t(z.w * 131 + z.h));
                               const Bytes src = random_bytes(size_t(z.w) * size_t(z.h) * bpp, rng);
                               Bytes out(src.size());
                               const size_t stride = size_t(z.w) * bpp;
                               const int side = 2 * int(std::ceil(3 * sigma)) + 1;
                               if (!imglib::detail::gaussian_blur8(src.data(), stride, out.data(), stride,
                                                                   uint32_t(z.w), uint32_t(z.h), bpp, side, sigma))
                                   return Bytes{};
                               return out;
                           }});
    same_at_every_count(ops);
}

TEST_F(SamePixels, Geometry) {
    static const char* kFilters[] = {"Area Average", "Nearest Neighbor", "Bilinear", "Bicubic", "Box", "Triangle",
                                     "Hamming", "Gaussian", "Bell", "B-Spline", "Cubic 1", "Cubic 2",
                                     "Lanczos3", "Mitchell", "Sinc", "Hermite", "Hanning", "Catrom"};
    std::vector<Op> ops;
    for (const char* filter : kFilters) {
        for (const bool larger : {false, true}) {
            ops.push_back({std::string(filter) + (larger ? " up" : " down"), [filter, larger](Size z) {
                scene(z, 1, 12);
                const int32_t w = larger ? z.w * 2 + 1 : std::max(1, z.w / 2), h = larger ? z.h + 3 : std::max(1, z.h / 3);
                PTE_IPLResize(w, h, filter);
                Bytes out = layer_bytes(1);
                const Bytes upper = layer_bytes(2);
                out.insert(out.end(), upper.begin(), upper.end());
                return out;
            }});
        }
    }
    same_at_every_count(ops);
    same_at_every_count("turns, flips, canvas", [](Size z) {
        scene(z, 1, 13);
        Bytes out;
        PTE_IPLFlipHorizontal();
        PTE_IPLFlipVertical();
        PTE_IPLRotateLeft();
        PTE_NewSize(nullptr, z.h, z.w, 64, 0);
        PTE_IPLRotateRight();
        PTE_NewSize(nullptr, z.w, z.h, 64, 0);
        PTE_IPLResizePage(z.w + 3, z.h + 2, "MC");
        const Bytes layer = layer_bytes(2);
        out.insert(out.end(), layer.begin(), layer.end());
        return out;
    });
    // Pixel sizes the layers never use: 3 and 8 bytes, half and quarter turns.
    same_at_every_count("library turns and 16-bit resampling", [](Size z) {
        std::mt19937 rng(14);
        Bytes out;
        for (const uint32_t bpp : {3u, 8u}) {
            const Bytes src = random_bytes(size_t(z.w) * z.h * bpp, rng);
            for (const uint32_t code : {imglib::kRotateRight, imglib::kRotateHalf, imglib::kRotateLeft}) {
                Bytes turned(src.size());
                const uint32_t stride = code == imglib::kRotateHalf ? z.w * bpp : z.h * bpp;
                EXPECT_TRUE(imglib::IS3QuickRotateImage(src.data(), z.w, z.h, z.w * bpp, turned.data(), stride, bpp, code));
                out.insert(out.end(), turned.begin(), turned.end());
            }
            const uint32_t nw = z.w + 5, nh = z.h * 2 + 1;
            Bytes resized(size_t(nw) * nh * bpp);
            EXPECT_TRUE(imglib::IS3ResizeFilterImage(src.data(), z.w, z.h, z.w * bpp, resized.data(), nw, nh, nw * bpp,
                                                     bpp, imglib::kFilterMitchell));
            out.insert(out.end(), resized.begin(), resized.end());
        }
        return out;
    });
}

Bytes file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

TEST_F(SamePixels, Files) {
    const TempDir dir("same_pixels");
    same_at_every_count("page and picture files", [&](Size z) {
        std::mt19937 rng = scene(z, 2, 15);
        Bytes out;
        for (const char* ext : {".png", ".tif", ".tga"}) {
            const std::string path = dir.path(std::string("page") + ext);
            PTE_SavePageToFileRGB32(path.c_str(), ext, 300);
            const Bytes f = file_bytes(path);
            EXPECT_FALSE(f.empty()) << ext;
            out.insert(out.end(), f.begin(), f.end());
        }
        for (const char* ext : {".bmp", ".png", ".jpg"}) {
            const std::string path = dir.path(std::string("page24") + ext);
            PTE_SavePageToFileRGB24(path.c_str(), ext, 72);
            const Bytes f = file_bytes(path);
            out.insert(out.end(), f.begin(), f.end());
        }
        const Bytes rgba = random_bytes(size_t(z.w) * z.h * 4, rng);
        const std::string path = dir.path("lines.tif");
        imglib::HISDEST d = imglib::IS3OpenFileDest(path.c_str(), 0);
        imglib::HISLINES lines = imglib::IS40_InitWriteTIFFLines(d, z.w, z.h, 32, 2, 8, nullptr);
        for (int32_t y = 0; y < z.h; ++y) imglib::IS40_WriteNextTIFFLine(lines, rgba.data() + size_t(y) * z.w * 4);
        EXPECT_TRUE(imglib::IS40_DestroyTIFFLines(lines));
        EXPECT_TRUE(imglib::IS3CloseDest(d));
        const Bytes f = file_bytes(path);
        out.insert(out.end(), f.begin(), f.end());
        return out;
    });
}

}  // namespace
