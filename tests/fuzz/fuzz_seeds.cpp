// Writes the seed corpus of the fuzz targets: DIR/<target>/<files>.
#include <tiffio.h>

#include <filesystem>
#include <string>

#include "platform/imglib/files.h"
#include "support/metafile_builder.h"
#include "support/sample_files.h"

namespace fs = std::filesystem;
using samples::Bytes;

namespace {

Bytes written(const fs::path& tmp, const char* what, const Bytes& rgb, const Bytes& rgba, int w, int h) {
    using namespace imglib;
    const std::string path = (tmp / what).string();
    HISDEST d = IS3OpenFileDest(path.c_str(), 0);
    const ISResolution res{300, 300, 2};
    const std::string kind = what;
    if (kind == "bmp") IS3WriteBMP(d, rgb.data(), w, h, 24, &res);
    if (kind == "bmp32") IS3WriteBMP(d, rgba.data(), w, h, 32, &res);
    if (kind == "png") IS3WritePNG(d, rgba.data(), w, h, w * 4, 8, 6, &res);
    if (kind == "jpg") IS3WriteJPG(d, rgb.data(), w, h, 80, 24, &res);
    if (kind == "tif") IS3WriteTIFF(d, rgba.data(), w, h, 32, 8, &res);
    if (kind == "tga") IS3WriteTGA(d, rgba.data(), w, h, 32);
    if (kind == "pcx") IS3WritePCX(d, rgb.data(), w, h, 24);
    if (kind == "psd") IS3WritePSD(d, rgb.data(), w, h, 24, &res);
    if (kind == "emf") IS3WriteRGBToEMF(d, rgb.data(), w, h);
    if (kind == "gif") {
        Bytes indices(size_t(w) * h), palette(768);
        uint32_t used = 0;
        IS3QuantizeRGBTo8Bit(rgb.data(), w, h, indices.data(), palette.data(), 256, 1, 20, 0, &used);
        IS3Write8BitToGIF(d, indices.data(), w, h, palette.data(), used, 3, 8);
    }
    IS3CloseDest(d);
    return samples::read_file(path);
}

// A CIE L*a*b* TIFF of 16-bit samples in tiles, with its white point.
Bytes lab_tiff(const fs::path& tmp) {
    const std::string path = (tmp / "lab.tif").string();
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (tif == nullptr) return {};
    const float white[2] = {0.3127f, 0.3290f};
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 20u);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 18u);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(3));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(16));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_CIELAB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_WHITEPOINT, white);
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16u);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, 16u);
    std::vector<uint16_t> tile(16 * 16 * 3);
    for (size_t i = 0; i < tile.size(); ++i) tile[i] = uint16_t(i * 2654435761u >> 7);
    for (uint32_t y = 0; y < 18; y += 16)
        for (uint32_t x = 0; x < 20; x += 16) TIFFWriteTile(tif, tile.data(), x, y, 0, 0);
    TIFFClose(tif);
    return samples::read_file(path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const fs::path dir = argv[1];
    const int w = 13, h = 7;
    const Bytes rgb = samples::picture_rgb(w, h), rgba = samples::picture_rgba(w, h);
    Bytes pal(16 * 3), idx(size_t(w) * h);
    for (size_t i = 0; i < pal.size(); ++i) pal[i] = uint8_t(i * 5);
    for (size_t i = 0; i < idx.size(); ++i) idx[i] = uint8_t(i % 16);
    const fs::path tmp = dir / "tmp";
    fs::create_directories(tmp);
    struct Seed {
        const char* target;
        const char* name;
        Bytes bytes;
    };
    const Seed seeds[] = {
        {"bmp", "ours.bmp", written(tmp, "bmp", rgb, rgba, w, h)},
        {"bmp", "ours32.bmp", written(tmp, "bmp32", rgb, rgba, w, h)},
        {"bmp", "pal8.bmp", samples::bmp8(w, h, idx, pal, false)},
        {"bmp", "rle8.bmp", samples::bmp8(w, h, idx, pal, true)},
        {"bmp", "top32.bmp", samples::bmp32_top_down(w, h, rgba)},
        {"tga", "ours.tga", written(tmp, "tga", rgb, rgba, w, h)},
        {"tga", "rle32.tga", samples::tga_rle32(w, h, rgba)},
        {"tga", "mapped.tga", samples::tga_rle_mapped(w, h, idx, pal)},
        {"pcx", "ours.pcx", written(tmp, "pcx", rgb, rgba, w, h)},
        {"pcx", "pal8.pcx", samples::pcx8(w, h, idx, pal)},
        {"psd", "ours.psd", written(tmp, "psd", rgb, rgba, w, h)},
        {"psd", "raw.psd", samples::psd_raw(w, h, rgb, 300)},
        {"psd", "grey16.psd", samples::psd_grey16_packbits(w, h, std::vector<uint16_t>(size_t(w) * h, 0x1234))},
        {"metafile", "ours.emf", written(tmp, "emf", rgb, rgba, w, h)},
        {"metafile", "blt.emf", samples::emf_bitblt(20, 10, w, h, rgb, 3, 2)},
        {"metafile", "dib.wmf", samples::wmf_stretchdib(40, 30, w, h, rgb, 5, 5, 20, 10)},
        {"metafile", "gallery.emf", samples::emf_gallery()},
        {"metafile", "gallery.wmf", samples::wmf_gallery()},
        {"any", "ours.png", written(tmp, "png", rgb, rgba, w, h)},
        {"any", "ours.jpg", written(tmp, "jpg", rgb, rgba, w, h)},
        {"any", "ours.tif", written(tmp, "tif", rgb, rgba, w, h)},
        {"any", "ours.gif", written(tmp, "gif", rgb, rgba, w, h)},
        {"any", "ours.bmp", written(tmp, "bmp", rgb, rgba, w, h)},
        {"any", "ours.tga", written(tmp, "tga", rgb, rgba, w, h)},
        {"any", "ours.pcx", written(tmp, "pcx", rgb, rgba, w, h)},
        {"any", "ours.psd", written(tmp, "psd", rgb, rgba, w, h)},
        {"any", "lab.tif", lab_tiff(tmp)},
    };
    for (const Seed& s : seeds) {
        if (s.bytes.empty()) return 1;
        fs::create_directories(dir / s.target);
        if (!samples::write_file((dir / s.target / s.name).string(), s.bytes)) return 1;
    }
    // Photos as cameras and other programs store them: turned, BigTIFF, EXIF.
    for (const auto& entry : fs::directory_iterator(fs::path(PAINTCORE_TEST_DATA) / "photos"))
        if (entry.path().extension() != ".md") fs::copy_file(entry.path(), dir / "any" / entry.path().filename());
    fs::remove_all(tmp);
    return 0;
}
