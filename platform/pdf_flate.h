// A PDF writer of our own, for systems without a PDF library: each page
// holds its picture as an image of RGB samples compressed with zlib (the
// Flate filter), with its alpha as a soft mask where it has any, framed by
// the border. Pictures go in without loss, JPEG files as their decoded
// pixels.
#pragma once

#include "platform/pdf.h"

namespace platform {

PdfWriter& flate_pdf_writer();

}  // namespace platform
