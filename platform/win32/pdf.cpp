// No PDF library comes with Windows: documents are written by our own
// writer (platform/pdf_flate.h).
#include "platform/pdf_flate.h"

namespace platform {

PdfWriter& system_pdf_writer() { return flate_pdf_writer(); }

}  // namespace platform
