#include "platform/imglib/effect_script.h"

#include <new>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "platform/imglib/picture.h"

namespace imglib {

namespace {

struct Effect {
    int32_t number = 0;
    bool enabled = true;
    int32_t values[kEffectValueCount] = {};
};

struct Script {
    bool started = false;
    std::vector<Effect> effects;
};

Script& script() {
    static Script s;
    return s;
}

detail::ScriptRun& last_run() {
    static detail::ScriptRun r;
    return r;
}

bool known_effect(int32_t number) { return number == kEffectRotate; }

Effect make_effect(int32_t number, bool enabled) {
    Effect e;
    e.number = number;
    e.enabled = enabled;
    if (number == kEffectRotate) e.values[kRotateScaleValue] = 100;
    return e;
}

// Turns the picture about its centre into itself, through a copy of it.
BOOL rotate(uint8_t* image, uint32_t width, uint32_t height, const Effect& e) {
    const int32_t percent = e.values[kRotateScaleValue];
    if (percent <= 0) return 0;
    const cv::Mat picture = detail::wrap(image, width, height, width * 4, 4);
    return detail::run_opencv(picture, [&](cv::Mat& out) {
        const cv::Mat before = picture.clone();
        const cv::Point2f centre((float(width) - 1) * 0.5f, (float(height) - 1) * 0.5f);
        const cv::Mat turn = cv::getRotationMatrix2D(centre, double(e.values[kRotateAngleValue]), percent / 100.0);
        cv::warpAffine(before, out, turn, out.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar::all(0));
    });
}

BOOL run_effect(uint8_t* image, uint32_t width, uint32_t height, const Effect& e) {
    if (!e.enabled) return 1;
    switch (e.number) {
        case kEffectRotate:
            return rotate(image, width, height, e);
        default:
            return 0;
    }
}

}  // namespace

BOOL ISL_Initialize() {
    Script& s = script();
    s.effects.clear();
    s.started = true;
    return 1;
}

BOOL ISL_Finish() {
    Script& s = script();
    const bool was = s.started;
    s.effects.clear();
    s.started = false;
    return was ? 1 : 0;
}

BOOL ISL_AddEffect(int32_t effect, int32_t enabled) {
    Script& s = script();
    if (!s.started || !known_effect(effect)) return 0;
    try {
        s.effects.push_back(make_effect(effect, enabled != 0));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

BOOL ISL_SetEffectValue(int32_t index, int32_t parameter, int32_t value) {
    Script& s = script();
    if (!s.started || index < 0 || size_t(index) >= s.effects.size() || parameter < 0 ||
        parameter >= kEffectValueCount)
        return 0;
    s.effects[size_t(index)].values[parameter] = value;
    return 1;
}

BOOL ISL_ExecuteScriptOnImage(uint8_t* image, uint32_t width, uint32_t height) {
    const Script& s = script();
    if (!s.started || width == 0 || height == 0 || !detail::valid_picture(image, width, height, width * 4, 4))
        return 0;
    // An effect that fails part way would leave a half-made picture: every
    // effect runs on a copy, taken back only when all of them succeed.
    cv::Mat work;
    try {
        work = detail::wrap(image, width, height, width * 4, 4).clone();
    } catch (...) {
        return 0;
    }
    for (const Effect& e : s.effects)
        if (!run_effect(work.data, width, height, e)) return 0;
    work.copyTo(detail::wrap(image, width, height, width * 4, 4));
    detail::ScriptRun& r = last_run();
    ++r.runs;
    r.effect = s.effects.empty() ? 0 : s.effects.front().number;
    for (int32_t i = 0; i < kEffectValueCount; ++i) r.values[i] = s.effects.empty() ? 0 : s.effects.front().values[i];
    return 1;
}

BOOL ISL_LoadScriptFromFile(const char*) { return 0; }

BOOL ISL_InitBuffers() { return script().started ? 1 : 0; }

BOOL ISL_ReadScriptHeaderFromFile(const char*, ISLScriptHeader*) { return 0; }

BOOL ISL_ExecuteScript(uint8_t*) { return 0; }

namespace detail {
ScriptRun last_script_run() { return last_run(); }
}  // namespace detail

}  // namespace imglib
