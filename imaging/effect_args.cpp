#include "imaging/effect_args.h"

#include <algorithm>

namespace imaging {

Effect::Effect(const EffectArgs& a, int32_t imageWidth, int32_t imageHeight)
    : args(a), width(imageWidth), height(imageHeight) {
    for (size_t k = 0; k < tenths_.size(); ++k) tenths_[k] = float(a.p[k] * 0.1);
    colour_ = uint32_t(a.red) + uint32_t(a.green) * 256u + uint32_t(a.blue) * 65536u;
    const int64_t area = int64_t(imageWidth) * imageHeight;
    u1000_ = int32_t(std::max<int64_t>(1, area / 1000));
    u10000_ = int32_t(std::max<int64_t>(1, area / 10000));
}

double saturation_curve(double x) { return x > 50 ? (x - 50) * 0.02 * 2 + 1 : x * 0.02 * 3 - 2; }

double hyper_saturation_curve(double x) { return x > 50 ? (x - 50) * 0.02 * 9 + 1 : x * 0.02 * 11 - 10; }

}  // namespace imaging
