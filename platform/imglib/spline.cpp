#include "platform/imglib/spline.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace imglib {

namespace {

struct Point {
    double x, y, z;
};

Point lerp(const Point& a, const Point& b, double s) {
    return {a.x + (b.x - a.x) * s, a.y + (b.y - a.y) * s, a.z + (b.z - a.z) * s};
}

// Where `t` lies between knots a and b, as a share of the interval; written
// so that equal points stay themselves whatever the share.
Point between(const Point& p, double a, const Point& q, double b, double t) { return lerp(p, q, (t - a) / (b - a)); }

// Knot step of the centripetal parameterisation: the square root of the
// distance; a tiny step between coincident points keeps the shares finite.
double knot_step(const Point& a, const Point& b) {
    const double d = std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y) + (b.z - a.z) * (b.z - a.z));
    return d > 0 ? std::sqrt(d) : 1e-6;
}

// The span from p1 to p2 at local parameter u in 0..1 (Barry and Goldman's
// pyramid of linear interpolations).
Point span_point(const Point& p0, const Point& p1, const Point& p2, const Point& p3, double u) {
    const double t0 = 0, t1 = t0 + knot_step(p0, p1), t2 = t1 + knot_step(p1, p2), t3 = t2 + knot_step(p2, p3);
    const double t = t1 + (t2 - t1) * u;
    const Point a1 = between(p0, t0, p1, t1, t), a2 = between(p1, t1, p2, t2, t), a3 = between(p2, t2, p3, t3, t);
    const Point b1 = between(a1, t0, a2, t2, t), b2 = between(a2, t1, a3, t3, t);
    return between(b1, t1, b2, t2, t);
}

Point mirror(const Point& centre, const Point& p) { return {2 * centre.x - p.x, 2 * centre.y - p.y, 2 * centre.z - p.z}; }

}  // namespace

BOOL ISE40_Get3DSplinePoints(uint32_t sampleCount, uint32_t pointCount, uint32_t, const double* inX, const double* inY,
                             const double* inZ, double* outX, double* outY, double* outZ) {
    if (sampleCount < 2 || pointCount < 2 || inX == nullptr || inY == nullptr || inZ == nullptr ||
        outX == nullptr || outY == nullptr || outZ == nullptr)
        return 0;
    std::vector<Point> p(pointCount);
    for (uint32_t i = 0; i < pointCount; ++i) {
        p[i] = {inX[i], inY[i], inZ[i]};
        if (!std::isfinite(p[i].x) || !std::isfinite(p[i].y) || !std::isfinite(p[i].z)) return 0;
    }
    const uint32_t spans = pointCount - 1;
    for (uint32_t k = 0; k < sampleCount; ++k) {
        const double g = double(k) * spans / (sampleCount - 1);
        const uint32_t i = std::min(uint32_t(g), spans - 1);
        const Point before = i == 0 ? mirror(p[0], p[1]) : p[i - 1];
        const Point after = i + 2 >= pointCount ? mirror(p[spans], p[spans - 1]) : p[i + 2];
        const Point q = k == 0 ? p[0] : k == sampleCount - 1 ? p[spans] : span_point(before, p[i], p[i + 1], after, g - i);
        outX[k] = q.x;
        outY[k] = q.y;
        outZ[k] = q.z;
    }
    return 1;
}

}  // namespace imglib
