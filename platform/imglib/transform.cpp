#include "platform/imglib/transform.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "platform/imglib/random_fields.h"
#include "platform/imglib/picture.h"
#include "platform/imglib/warp_map.h"

namespace imglib {

namespace {

using detail::RadialTable;

constexpr int32_t kMaxAddSide = 65535;
constexpr double kPi = std::numbers::pi;

// One transform of the list: moves destination points to source points in
// place.
class Stage {
public:
    Stage(int32_t width, int32_t height, int32_t edge) : width_(width), height_(height), edge_(edge) {}
    virtual ~Stage() = default;
    virtual void map(float* xy, int32_t n) const = 0;

    int32_t edge() const { return edge_; }
    // Applies the edge mode to points this stage produced, for a stage that
    // is not the last to run (the sampler applies the last one's): wrap and
    // repeat bring points back into the picture; points beyond the edge of
    // a background stage are lost.
    void keep_inside(float* xy, uint8_t* cover, int32_t n, bool& anyLost) const {
        const float w = float(width_), h = float(height_);
        for (int32_t i = 0; i < n; ++i) {
            float& x = xy[2 * i];
            float& y = xy[2 * i + 1];
            switch (edge_) {
                case kEdgeWrap:
                    x -= std::floor(x / w) * w;
                    y -= std::floor(y / h) * h;
                    break;
                case kEdgeRepeat:
                    x = std::clamp(x, 0.0f, w - 1.0f);
                    y = std::clamp(y, 0.0f, h - 1.0f);
                    break;
                default:
                    if (!(x >= -0.5f && x < w - 0.5f && y >= -0.5f && y < h - 0.5f)) {
                        cover[i] = 0;
                        anyLost = true;
                    }
            }
        }
    }

protected:
    float centre_x(int32_t offset) const { return (float(width_) - 1.0f) * 0.5f + float(offset); }
    float centre_y(int32_t offset) const { return (float(height_) - 1.0f) * 0.5f + float(offset); }

    int32_t width_, height_, edge_;
};

// A radius of the disc-shaped transforms, held to what the maps can tabulate.
float held_radius(int32_t radius) { return float(std::min(radius, 4 * kMaxAddSide)); }

// A transform of the points inside a disc; outside it nothing moves.
class DiscStage : public Stage {
protected:
    DiscStage(int32_t w, int32_t h, int32_t edge, int32_t radius, float cx, float cy)
        : Stage(w, h, edge), radius_(held_radius(radius)), cx_(cx), cy_(cy) {}
    // move(dx, dy, d, x, y) for every point at offset (dx, dy), distance d,
    // inside the disc.
    template <class Move>
    void each_inside(float* xy, int32_t n, Move move) const {
        const float r2 = radius_ * radius_;
        for (int32_t i = 0; i < n; ++i) {
            const float dx = xy[2 * i] - cx_, dy = xy[2 * i + 1] - cy_;
            const float d2 = dx * dx + dy * dy;
            if (d2 < r2) move(dx, dy, std::sqrt(d2), xy[2 * i], xy[2 * i + 1]);
        }
    }

    float radius_, cx_, cy_;
};

// Points inside a disc move along their ray: the source distance is
// d * scale(d) (tabulated).
class RadialScale : public DiscStage {
public:
    template <class F>
    RadialScale(int32_t w, int32_t h, int32_t edge, int32_t radius, float cx, float cy, F scale)
        : DiscStage(w, h, edge, radius, cx, cy) {
        table_.fill(radius_, scale);
    }
    void map(float* xy, int32_t n) const override {
        each_inside(xy, n, [this](float dx, float dy, float d, float& x, float& y) {
            const float s = table_.at(d);
            x = cx_ + dx * s;
            y = cy_ + dy * s;
        });
    }

private:
    RadialTable table_;
};

// Points inside a disc turn about its centre by a tabulated angle of the
// distance.
class RadialTurn : public DiscStage {
public:
    // angle(d) in radians.
    template <class F>
    RadialTurn(int32_t w, int32_t h, int32_t edge, int32_t radius, float cx, float cy, F angle)
        : DiscStage(w, h, edge, radius, cx, cy) {
        cos_.fill(radius_, [&](double d) { return std::cos(angle(d)); });
        sin_.fill(radius_, [&](double d) { return std::sin(angle(d)); });
    }
    void map(float* xy, int32_t n) const override {
        each_inside(xy, n, [this](float dx, float dy, float d, float& x, float& y) {
            const float c = cos_.at(d), s = sin_.at(d);
            // With y pointing down, this turn of the source point shows the
            // destination turned counter-clockwise as seen by the angle.
            x = cx_ + dx * c - dy * s;
            y = cy_ + dx * s + dy * c;
        });
    }

private:
    RadialTable cos_, sin_;
};

class Elliptical final : public Stage {
public:
    Elliptical(int32_t w, int32_t h, int32_t rx, int32_t ry, int32_t ox, int32_t oy, int32_t edge)
        : Stage(w, h, edge), rx_(float(rx)), ry_(float(ry)), cx_(centre_x(ox)), cy_(centre_y(oy)),
          px_(centre_x(0)), py_(centre_y(0)), hw_(float(w) * 0.5f), hh_(float(h) * 0.5f) {}
    void map(float* xy, int32_t n) const override {
        const float irx2 = 1.0f / (rx_ * rx_), iry2 = 1.0f / (ry_ * ry_);
        for (int32_t i = 0; i < n; ++i) {
            const float vx = xy[2 * i] - cx_, vy = xy[2 * i + 1] - cy_;
            const float ax = std::fabs(vx), ay = std::fabs(vy);
            if (ax == 0.0f && ay == 0.0f) {
                xy[2 * i] = px_;
                xy[2 * i + 1] = py_;
                continue;
            }
            // Along the ray through v: the border of the picture lies at
            // min(hw / |vx|, hh / |vy|) times v, the ellipse at
            // 1 / sqrt(vx^2 / rx^2 + vy^2 / ry^2) times v.
            const float to_border = std::min(ax > 0.0f ? hw_ / ax : INFINITY, ay > 0.0f ? hh_ / ay : INFINITY);
            const float s = to_border * std::sqrt(vx * vx * irx2 + vy * vy * iry2);
            xy[2 * i] = px_ + vx * s;
            xy[2 * i + 1] = py_ + vy * s;
        }
    }

private:
    float rx_, ry_, cx_, cy_, px_, py_, hw_, hh_;
};

class Marble final : public Stage {
public:
    Marble(int32_t w, int32_t h, double turbulence, double sx, double sy)
        : Stage(w, h, kEdgeRepeat), sx_(float(std::clamp(sx, 1.0, 10000.0))),
          sy_(float(std::clamp(sy, 1.0, 10000.0))), reach_(float(std::clamp(turbulence, -100.0, 100.0) / 12.0)) {}
    void map(float* xy, int32_t n) const override {
        for (int32_t i = 0; i < n; ++i) {
            const float u = xy[2 * i] / sx_, v = xy[2 * i + 1] / sy_;
            xy[2 * i] += reach_ * sx_ * detail::fractal_noise(u, v, 11u, 3, 0.5f);
            xy[2 * i + 1] += reach_ * sy_ * detail::fractal_noise(u, v, 23u, 3, 0.5f);
        }
    }

private:
    float sx_, sy_, reach_;
};

class Offset final : public Stage {
public:
    Offset(int32_t w, int32_t h, int32_t dx, int32_t dy, int32_t edge)
        : Stage(w, h, edge), dx_(float(std::clamp(dx, -kMaxAddSide * 4, kMaxAddSide * 4))),
          dy_(float(std::clamp(dy, -kMaxAddSide * 4, kMaxAddSide * 4))) {}
    void map(float* xy, int32_t n) const override {
        for (int32_t i = 0; i < n; ++i) {
            xy[2 * i] -= dx_;
            xy[2 * i + 1] -= dy_;
        }
    }

private:
    float dx_, dy_;
};

// Waves across both axes; `shape` is the wave of one period, from a phase
// in periods (0..1) to -1..1.
class AxisWaves final : public Stage {
public:
    template <class Shape>
    AxisWaves(int32_t w, int32_t h, double amplitude, int32_t period, int32_t edge, Shape shape)
        : Stage(w, h, edge), amplitude_(float(std::clamp(amplitude, -10000.0, 10000.0))) {
        wave_.fill(double(period), shape);
    }
    void map(float* xy, int32_t n) const override {
        for (int32_t i = 0; i < n; ++i) {
            const float x = xy[2 * i], y = xy[2 * i + 1];
            xy[2 * i] = x + amplitude_ * wave_.at(y);
            xy[2 * i + 1] = y + amplitude_ * wave_.at(x);
        }
    }

private:
    float amplitude_;
    detail::PeriodicTable wave_;
};

class Scatter final : public Stage {
public:
    Scatter(int32_t w, int32_t h, int32_t distance)
        : Stage(w, h, kEdgeRepeat), reach_(std::min(std::abs(std::max(distance, -kMaxAddSide)), kMaxAddSide)) {}
    void map(float* xy, int32_t n) const override {
        const uint32_t span = uint32_t(2 * reach_ + 1);
        for (int32_t i = 0; i < n; ++i) {
            const int32_t x = int32_t(std::lround(xy[2 * i])), y = int32_t(std::lround(xy[2 * i + 1]));
            const uint32_t h = detail::hash_point(x, y, 0x5EEDu);
            xy[2 * i] = float(x + int32_t((h & 0xFFFFu) * span >> 16) - reach_);
            xy[2 * i + 1] = float(y + int32_t((h >> 16) * span >> 16) - reach_);
        }
    }

private:
    int32_t reach_;
};

class BumpMap final : public Stage {
public:
    BumpMap(int32_t w, int32_t h, float strength, std::vector<uint8_t> map, int32_t mw, int32_t mh)
        : Stage(w, h, kEdgeRepeat), scale_(std::clamp(strength, -10000.0f, 10000.0f) / 64.0f),
          map_(std::move(map)), mw_(mw), mh_(mh) {}
    void map(float* xy, int32_t n) const override {
        for (int32_t i = 0; i < n; ++i) {
            const int32_t x = int32_t(std::lround(xy[2 * i])), y = int32_t(std::lround(xy[2 * i + 1]));
            const float sx = float(height(x + 1, y) - height(x - 1, y));
            const float sy = float(height(x, y + 1) - height(x, y - 1));
            xy[2 * i] += scale_ * sx;
            xy[2 * i + 1] += scale_ * sy;
        }
    }

private:
    // The map repeats in both directions.
    int32_t height(int32_t x, int32_t y) const {
        const int32_t mx = ((x % mw_) + mw_) % mw_, my = ((y % mh_) + mh_) % mh_;
        return map_[size_t(my) * size_t(mw_) + size_t(mx)];
    }

    float scale_;
    std::vector<uint8_t> map_;
    int32_t mw_, mh_;
};

struct TransformList {
    std::vector<std::unique_ptr<Stage>> stages;
};

TransformList& transforms() {
    static TransformList list;
    return list;
}

bool addable(int32_t width, int32_t height) {
    return width >= 1 && height >= 1 && width <= kMaxAddSide && height <= kMaxAddSide &&
           int32_t(transforms().stages.size()) < kMaxTransforms;
}

template <class S, class... Args>
BOOL add(int32_t width, int32_t height, Args&&... args) {
    if (!addable(width, height)) return 0;
    try {
        transforms().stages.push_back(std::make_unique<S>(width, height, std::forward<Args>(args)...));
        return 1;
    } catch (...) {
        return 0;
    }
}

// A stage that changes nothing: what zero-strength transforms add, so that
// the list still counts them.
class Identity final : public Stage {
public:
    Identity(int32_t w, int32_t h, int32_t edge) : Stage(w, h, edge) {}
    void map(float*, int32_t) const override {}
};

BOOL add_identity(int32_t width, int32_t height, int32_t edge) { return add<Identity>(width, height, edge); }

// The list run backwards over the destination points: the last-added stage
// acts last on the picture, so it is the first to undo.
class ListMap final : public detail::RowMap {
public:
    ListMap(const std::vector<std::unique_ptr<Stage>>& stages, bool hardBackground, int32_t w, int32_t h)
        : stages_(stages), hard_(hardBackground), w_(float(w)), h_(float(h)) {}
    bool row(int32_t y, int32_t width, float* xy, uint8_t* cover) const override {
        for (int32_t x = 0; x < width; ++x) {
            xy[2 * x] = float(x);
            xy[2 * x + 1] = float(y);
        }
        bool any = false;
        for (size_t k = stages_.size(); k-- > 0;) {
            stages_[k]->map(xy, width);
            if (k > 0) stages_[k]->keep_inside(xy, cover, width, any);
        }
        if (hard_)
            for (int32_t x = 0; x < width; ++x) {
                const float sx = xy[2 * x], sy = xy[2 * x + 1];
                if (!(sx >= -0.5f && sx < w_ - 0.5f && sy >= -0.5f && sy < h_ - 0.5f)) {
                    cover[x] = 0;
                    any = true;
                }
            }
        return any;
    }

private:
    const std::vector<std::unique_ptr<Stage>>& stages_;
    bool hard_;
    float w_, h_;
};

bool byte_channels(uint32_t bytesPerPixel) { return bytesPerPixel == 1 || bytesPerPixel == 3 || bytesPerPixel == 4; }

}  // namespace

BOOL ISE3ClearAllTransforms() {
    transforms().stages.clear();
    return 1;
}

BOOL ISE3AddEllipticalTransform(int32_t width, int32_t height, int32_t radiusX, int32_t radiusY, int32_t offsetX,
                                int32_t offsetY, int32_t edgeMode) {
    if (radiusX <= 0 || radiusY <= 0) return add_identity(width, height, edgeMode);
    return add<Elliptical>(width, height, std::min(radiusX, 4 * kMaxAddSide), std::min(radiusY, 4 * kMaxAddSide),
                           std::clamp(offsetX, -kMaxAddSide, kMaxAddSide),
                           std::clamp(offsetY, -kMaxAddSide, kMaxAddSide), edgeMode);
}

namespace {

// The centre of a disc transform with its offsets held to the picture's
// reach.
float cx_of(int32_t width, int32_t offset) {
    return (float(width) - 1.0f) * 0.5f + float(std::clamp(offset, -kMaxAddSide, kMaxAddSide));
}

template <class F>
BOOL add_scale(int32_t w, int32_t h, int32_t edge, int32_t radius, int32_t ox, int32_t oy, F scale) {
    if (radius <= 0) return add_identity(w, h, edge);
    return add<RadialScale>(w, h, edge, radius, cx_of(w, ox), cx_of(h, oy), scale);
}

template <class F>
BOOL add_turn(int32_t w, int32_t h, int32_t radius, int32_t ox, int32_t oy, F angle) {
    if (radius <= 0) return add_identity(w, h, kEdgeRepeat);
    return add<RadialTurn>(w, h, kEdgeRepeat, radius, cx_of(w, ox), cx_of(h, oy), angle);
}

}  // namespace

BOOL ISE3AddLensTransform(int32_t width, int32_t height, int32_t radius, int32_t offsetX, int32_t offsetY) {
    // Source distance R * asin(rho) * 2 / pi, as a scale of d = R * rho.
    return add_scale(width, height, kEdgeRepeat, radius, offsetX, offsetY, [r = double(radius)](double d) {
        const double rho = std::min(d / r, 1.0);
        return rho > 0.0 ? std::asin(rho) * 2.0 / kPi / rho : 2.0 / kPi;
    });
}

BOOL ISE3AddMarbleTransform(int32_t width, int32_t height, double turbulence, double scaleX, double scaleY) {
    if (!(turbulence == turbulence) || !(scaleX == scaleX) || !(scaleY == scaleY)) return 0;
    if (turbulence == 0.0) return add_identity(width, height, kEdgeRepeat);
    return add<Marble>(width, height, turbulence, scaleX, scaleY);
}

BOOL ISE3AddOffsetTransform(int32_t width, int32_t height, int32_t dx, int32_t dy, int32_t edgeMode) {
    return add<Offset>(width, height, dx, dy, edgeMode);
}

BOOL ISE3AddPinchTransform(int32_t width, int32_t height, int32_t radius, int32_t amount, int32_t offsetX,
                           int32_t offsetY) {
    if (amount == 0) return add_identity(width, height, kEdgeRepeat);
    // b < 3 for a pinch and b > -1 for a bulge keep the source distance
    // growing with d, so the picture never folds.
    const double a = std::clamp(amount, -100, 100) / 100.0;
    const double b = a > 0 ? 1.5 * a : 0.75 * a;
    return add_scale(width, height, kEdgeRepeat, radius, offsetX, offsetY, [r = double(radius), b](double d) {
        const double rest = 1.0 - std::min(d / r, 1.0);
        return 1.0 + b * rest * rest;
    });
}

BOOL ISE3AddRippleTransform(int32_t width, int32_t height, int32_t radius, int32_t wavelength, int32_t amplitude,
                            int32_t offsetX, int32_t offsetY, int32_t edgeMode) {
    if (wavelength <= 0 || amplitude == 0) return add_identity(width, height, edgeMode);
    const double amp = std::clamp(amplitude, -10000, 10000), lambda = wavelength;
    return add_scale(width, height, edgeMode, radius, offsetX, offsetY,
                     [r = double(radius), amp, lambda](double d) {
                         if (d <= 0.0) return 1.0;
                         const double moved = d + amp * std::sin(2.0 * kPi * d / lambda) * (1.0 - std::min(d / r, 1.0));
                         return moved / d;
                     });
}

BOOL ISE3AddSpinTransform(int32_t width, int32_t height, int32_t radius, int32_t angle, int32_t offsetX,
                          int32_t offsetY) {
    if (angle == 0) return add_identity(width, height, kEdgeRepeat);
    const double turn = std::clamp(angle, -36000, 36000) * kPi / 180.0;
    return add_turn(width, height, radius, offsetX, offsetY, [r = double(radius), turn](double d) {
        const double rho = std::min(d / r, 1.0);
        if (rho <= 0.5) return turn;
        const double t = (1.0 - rho) * 2.0;  // 1 at half the radius, 0 at the rim
        return turn * t * t * (3.0 - 2.0 * t);
    });
}

BOOL ISE3AddSpinWaveTransform(int32_t width, int32_t height, int32_t radius, int32_t angle, int32_t waves,
                              int32_t offsetX, int32_t offsetY) {
    if (angle == 0) return add_identity(width, height, kEdgeRepeat);
    const double turn = std::clamp(angle, -36000, 36000) * kPi / 180.0;
    const double k = std::clamp(waves, 1, 1000);
    return add_turn(width, height, radius, offsetX, offsetY, [r = double(radius), turn, k](double d) {
        const double rho = std::min(d / r, 1.0);
        return turn * std::sin(k * kPi * rho) * (1.0 - rho);
    });
}

BOOL ISE3AddWaveTransform(int32_t width, int32_t height, double amplitude, int32_t wavelength, int32_t edgeMode) {
    if (!(amplitude == amplitude)) return 0;
    if (wavelength <= 0 || amplitude == 0.0) return add_identity(width, height, edgeMode);
    return add<AxisWaves>(width, height, amplitude, wavelength, edgeMode,
                          [](double phase) { return std::sin(2.0 * kPi * phase); });
}

BOOL ISE3AddWowTransform(int32_t width, int32_t height, int32_t radius, int32_t edgeMode) {
    return add_scale(width, height, edgeMode, radius, 0, 0, [r = double(radius)](double d) {
        const double rho = std::min(d / r, 1.0);
        return 0.35 + 0.65 * rho;
    });
}

BOOL ISE3AddZigZagTransform(int32_t width, int32_t height, double amplitude, int32_t period, int32_t edgeMode) {
    if (!(amplitude == amplitude)) return 0;
    if (period <= 0 || amplitude == 0.0) return add_identity(width, height, edgeMode);
    // 0 at phase 0, 1 at a quarter, -1 at three quarters.
    return add<AxisWaves>(width, height, amplitude, period, edgeMode, [](double phase) {
        return phase < 0.25 ? 4.0 * phase : phase < 0.75 ? 2.0 - 4.0 * phase : 4.0 * phase - 4.0;
    });
}

BOOL ISE3AddRandomTransform(int32_t width, int32_t height, int32_t distance) {
    if (distance == 0) return add_identity(width, height, kEdgeRepeat);
    return add<Scatter>(width, height, distance);
}

BOOL ISE3BumpMapDisplacementTransform(int32_t width, int32_t height, float strength, const uint8_t* map,
                                      int32_t mapWidth, int32_t mapHeight) {
    if (map == nullptr || mapWidth <= 0 || mapHeight <= 0 || mapWidth > kMaxAddSide || mapHeight > kMaxAddSide ||
        !(strength == strength))
        return 0;
    if (!addable(width, height)) return 0;
    try {
        std::vector<uint8_t> copy(map, map + size_t(mapWidth) * size_t(mapHeight));
        return add<BumpMap>(width, height, strength, std::move(copy), mapWidth, mapHeight);
    } catch (...) {
        return 0;
    }
}

BOOL ISE3TransformProcess(const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                          int32_t mode, uint32_t background) {
    if (!byte_channels(bytesPerPixel) || mode < kTransformNearest || mode > kTransformSmooth) return 0;
    const uint32_t stride = width * bytesPerPixel;
    if (!detail::valid_picture(src, width, height, stride, bytesPerPixel) ||
        !detail::valid_picture(dst, width, height, stride, bytesPerPixel))
        return 0;
    if (width == 0 || height == 0) return 1;
    const auto& stages = transforms().stages;
    const cv::Mat in = detail::wrap(src, width, height, stride, bytesPerPixel);
    cv::Mat out = detail::wrap(dst, width, height, stride, bytesPerPixel);
    // The last stage to undo is the first added: its edge mode is the
    // sampler's border rule. A background edge is hard unless smooth.
    const int32_t edge = stages.empty() ? kEdgeRepeat : stages.front()->edge();
    const int border = detail::border_of_edge_mode(edge);
    const bool hard = border == cv::BORDER_CONSTANT && mode != kTransformSmooth;
    detail::Sampling sampling;
    sampling.interpolation = mode == kTransformNearest ? cv::INTER_NEAREST : cv::INTER_LINEAR;
    sampling.border = hard ? cv::BORDER_REPLICATE : border;
    sampling.background = detail::background_scalar(background);
    const ListMap map(stages, hard, int32_t(width), int32_t(height));
    return detail::remap_rows(in, out, map, sampling) ? 1 : 0;
}

}  // namespace imglib
