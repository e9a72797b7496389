// Double-double sine, cosine and arc tangent. Built with -ffp-contract=off: a fused
// multiply-add would change the error terms below and so the bits of the results.
#include "maths/rounded_math.h"

#include <algorithm>
#include <cmath>

namespace {

// A value hi + lo with |lo| at most half an ulp of hi.
struct Dd {
    double hi;
    double lo;
};

Dd TwoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

Dd QuickTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// Veltkamp's split: hi holds the upper 26 bits of a, lo the rest, so products of halves are exact.
Dd Split(double a) {
    const double t = 134217729.0 * a;  // 2^27 + 1
    const double hi = t - (t - a);
    return {hi, a - hi};
}

// Dekker's exact product: a * b == hi + lo.
Dd TwoProduct(double a, double b) {
    const double p = a * b;
    const Dd x = Split(a);
    const Dd y = Split(b);
    return {p, ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

Dd Add(Dd a, Dd b) {
    Dd s = TwoSum(a.hi, b.hi);
    const Dd t = TwoSum(a.lo, b.lo);
    s.lo += t.hi;
    s = QuickTwoSum(s.hi, s.lo);
    s.lo += t.lo;
    return QuickTwoSum(s.hi, s.lo);
}

Dd Negate(Dd a) {
    return {-a.hi, -a.lo};
}

Dd Subtract(Dd a, Dd b) {
    return Add(a, Negate(b));
}

Dd Multiply(Dd a, Dd b) {
    Dd p = TwoProduct(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return QuickTwoSum(p.hi, p.lo);
}

Dd Divide(Dd a, Dd b) {
    const double q1 = a.hi / b.hi;
    Dd r = Subtract(a, Multiply(b, {q1, 0}));
    const double q2 = r.hi / b.hi;
    r = Subtract(r, Multiply(b, {q2, 0}));
    const double q3 = r.hi / b.hi;
    return Add(QuickTwoSum(q1, q2), {q3, 0});
}

Dd SquareRoot(Dd a) {
    const double s = std::sqrt(a.hi);  // correctly rounded by IEEE 754
    const Dd e = Subtract(a, TwoProduct(s, s));
    return QuickTwoSum(s, e.hi / (2 * s));
}

// pi/2 in three parts, each the rounding of what the parts before it leave.
constexpr double HALF_PI_1 = 0x1.921fb54442d18p+0;
constexpr double HALF_PI_2 = 0x1.1a62633145c07p-54;
constexpr double HALF_PI_3 = -0x1.f1976b7ed8fbcp-110;
constexpr Dd HALF_PI = {HALF_PI_1, HALF_PI_2};
constexpr Dd PI = {2 * HALF_PI_1, 2 * HALF_PI_2};

// Taylor series of sin and cos at r, |r| <= pi/4, until the terms fall below the last bit.
void SinCosSeries(Dd r, Dd* sine, Dd* cosine) {
    const Dd r2 = Multiply(r, r);
    Dd s = r;
    Dd c = {1, 0};
    Dd sinTerm = r;
    Dd cosTerm = {1, 0};
    for (int n = 1; n < 40; ++n) {
        sinTerm = Divide(Multiply(sinTerm, r2), {-static_cast<double>((2 * n) * (2 * n + 1)), 0});
        cosTerm = Divide(Multiply(cosTerm, r2), {-static_cast<double>((2 * n - 1) * (2 * n)), 0});
        s = Add(s, sinTerm);
        c = Add(c, cosTerm);
        if (std::fabs(cosTerm.hi) < 0x1p-110 &&
            std::fabs(sinTerm.hi) <= 0x1p-110 * std::fabs(r.hi)) {
            break;
        }
    }
    *sine = s;
    *cosine = c;
}

// sin(x) and cos(x) as double-doubles: x less the nearest multiple k of pi/2, then the series.
void SinCos(double x, Dd* sine, Dd* cosine) {
    const double k = std::floor(x / HALF_PI_1 + 0.5);
    Dd r = Subtract({x, 0}, TwoProduct(k, HALF_PI_1));
    r = Subtract(r, TwoProduct(k, HALF_PI_2));
    r = Subtract(r, {k * HALF_PI_3, 0});
    Dd s;
    Dd c;
    SinCosSeries(r, &s, &c);
    const double quadrant = k - 4 * std::floor(k / 4);
    if (quadrant == 0) {
        *sine = s;
        *cosine = c;
    } else if (quadrant == 1) {
        *sine = c;
        *cosine = Negate(s);
    } else if (quadrant == 2) {
        *sine = Negate(s);
        *cosine = Negate(c);
    } else {
        *sine = Negate(c);
        *cosine = s;
    }
}

// atan(t) for 0 <= t <= 1: three halvings, atan(t) = 2 atan(t / (1 + sqrt(1 + t^2))), bring t
// below tan(pi/32), where the series t - t^3/3 + t^5/5 - ... converges quickly.
Dd ArcTangent(Dd t) {
    constexpr int HALVINGS = 3;
    for (int i = 0; i < HALVINGS; ++i) {
        const Dd root = SquareRoot(Add({1, 0}, Multiply(t, t)));
        t = Divide(t, Add({1, 0}, root));
    }
    const Dd t2 = Multiply(t, t);
    Dd sum = t;
    Dd power = t;
    for (int n = 1; n < 60; ++n) {
        power = Multiply(power, Negate(t2));
        const Dd term = Divide(power, {static_cast<double>(2 * n + 1), 0});
        sum = Add(sum, term);
        if (std::fabs(term.hi) <= 0x1p-110 * std::fabs(t.hi)) {
            break;
        }
    }
    return Multiply(sum, {1 << HALVINGS, 0});
}

}  // namespace

double RoundedSin(double x) {
    if (x == 0) {
        return x;  // keeps the sign of zero
    }
    Dd s;
    Dd c;
    SinCos(x, &s, &c);
    return s.hi + s.lo;
}

double RoundedCos(double x) {
    Dd s;
    Dd c;
    SinCos(x, &s, &c);
    return c.hi + c.lo;
}

double RoundedAtan2(double y, double x) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        return std::atan2(y, x);
    }
    const bool negative = std::signbit(y);
    if (y == 0) {
        return std::signbit(x) ? std::copysign(PI.hi, y) : y;
    }
    double ax = std::fabs(x);
    double ay = std::fabs(y);
    // Scaled by a power of two (exact) so that the splits and squares neither overflow nor
    // lose their low bits below the smallest normal number.
    const int exponent = std::max(std::ilogb(ax == 0 ? ay : ax), std::ilogb(ay));
    ax = std::ldexp(ax, -exponent);
    ay = std::ldexp(ay, -exponent);
    Dd angle;
    if (ay <= ax) {
        angle = ArcTangent(Divide({ay, 0}, {ax, 0}));
    } else {
        angle = Subtract(HALF_PI, ArcTangent(Divide({ax, 0}, {ay, 0})));
    }
    if (std::signbit(x)) {
        angle = Subtract(PI, angle);
    }
    const double result = angle.hi + angle.lo;
    return negative ? -result : result;
}
