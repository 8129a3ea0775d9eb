// EXIF facts read with libexif.
#include <libexif/exif-data.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/imglib/exif.h"

namespace imglib::detail {

namespace {

ExifEntry* first_ifd_entry(ExifData* data, ExifTag tag) { return exif_content_get_entry(data->ifd[EXIF_IFD_0], tag); }

bool short_value(ExifEntry* e, ExifByteOrder order, uint32_t& out) {
    if (e == nullptr || e->format != EXIF_FORMAT_SHORT || e->components < 1 || e->data == nullptr || e->size < 2)
        return false;
    out = exif_get_short(e->data, order);
    return true;
}

bool rational_value(ExifEntry* e, ExifByteOrder order, double& out) {
    if (e == nullptr || e->format != EXIF_FORMAT_RATIONAL || e->components < 1 || e->data == nullptr || e->size < 8)
        return false;
    const ExifRational r = exif_get_rational(e->data, order);
    if (r.denominator == 0) return false;
    out = double(r.numerator) / r.denominator;
    return std::isfinite(out) && out > 0;
}

}  // namespace

bool read_exif(Bytes segment, ExifFacts& facts) {
    if (segment.size() < 6 || std::memcmp(segment.data(), "Exif\0\0", 6) != 0) return false;
    ExifData* data = exif_data_new();
    if (data == nullptr) return false;
    // Read what is there: no tags added or corrected to suit the standard.
    exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data, segment.data(), unsigned(std::min<size_t>(segment.size(), 0xFFFFFFFFu)));
    const ExifByteOrder order = exif_data_get_byte_order(data);
    ExifFacts f;
    uint32_t orientation = 1, unit = 0;
    if (short_value(first_ifd_entry(data, EXIF_TAG_ORIENTATION), order, orientation) && orientation >= 1 &&
        orientation <= 8)
        f.orientation = orientation;
    double x = 0, y = 0;
    if (rational_value(first_ifd_entry(data, EXIF_TAG_X_RESOLUTION), order, x) &&
        rational_value(first_ifd_entry(data, EXIF_TAG_Y_RESOLUTION), order, y)) {
        f.xResolution = x;
        f.yResolution = y;
        // The standard's default unit is the inch.
        if (!short_value(first_ifd_entry(data, EXIF_TAG_RESOLUTION_UNIT), order, unit)) unit = 2;
        f.resolutionUnit = unit == 2 || unit == 3 ? unit : 0;
        if (f.resolutionUnit == 0) f.xResolution = f.yResolution = 0;
    }
    exif_data_unref(data);
    facts = f;
    return true;
}

}  // namespace imglib::detail
