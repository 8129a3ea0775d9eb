#include "imaging/effect_library.h"

namespace imaging {

namespace {

const EffectLibrary kLibrary{};
const EffectLibrary* current = &kLibrary;

}  // namespace

const EffectLibrary& effect_library() { return *current; }

EffectLibraryOverride::EffectLibraryOverride(const EffectLibrary& replacement) : previous_(current) {
    current = &replacement;
}

EffectLibraryOverride::~EffectLibraryOverride() { current = previous_; }

}  // namespace imaging
