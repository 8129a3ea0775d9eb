// Turning a finished PDF into a slide show by an incremental update: new
// revisions of its catalogue (open full screen) and of each page (shown for
// a while, then replaced with a transition), a cross-reference section for
// them, and a trailer pointing back to the document's own. The document's
// bytes stay as they were; the update is appended to them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

struct SlideShow {
    int32_t effect = 0;         // 0..11: replace, split, blinds, box, wipe, dissolve, glitter, fly, push, cover, uncover, fade
    int32_t effectSeconds = 1;  // the transition's length
    int32_t pageSeconds = 4;    // each page's time on screen
};

// The update to append to `pdf`; empty when the document is not one this
// can update (its last cross-reference section is not a plain table, or it
// has no catalogue or no page).
std::string slideshow_update(std::string_view pdf, const SlideShow& show);

}  // namespace platform
