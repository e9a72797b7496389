// Blend: the rigid transform part of the way between two, its turn by quaternions.
#include "retained/math.h"

#include <algorithm>

namespace retained {

namespace {

struct Quaternion {
    double w, x, y, z;
};

// The rotation block of m as a unit quaternion. m's rows are the turned axes (p' = p x m), so the
// usual column form's element (i, j) is m.m[j][i].
Quaternion FromTurn(const Matrix& m) {
    const auto c = [&m](int i, int j) { return double{m.m[j][i]}; };
    const double trace = c(0, 0) + c(1, 1) + c(2, 2);
    if (trace > 0) {
        const double s = 0.5 / std::sqrt(trace + 1);
        return {0.25 / s, (c(2, 1) - c(1, 2)) * s, (c(0, 2) - c(2, 0)) * s,
                (c(1, 0) - c(0, 1)) * s};
    }
    if (c(0, 0) > c(1, 1) && c(0, 0) > c(2, 2)) {
        const double s = 2 * std::sqrt(1 + c(0, 0) - c(1, 1) - c(2, 2));
        return {(c(2, 1) - c(1, 2)) / s, 0.25 * s, (c(0, 1) + c(1, 0)) / s,
                (c(0, 2) + c(2, 0)) / s};
    }
    if (c(1, 1) > c(2, 2)) {
        const double s = 2 * std::sqrt(1 + c(1, 1) - c(0, 0) - c(2, 2));
        return {(c(0, 2) - c(2, 0)) / s, (c(0, 1) + c(1, 0)) / s, 0.25 * s,
                (c(1, 2) + c(2, 1)) / s};
    }
    const double s = 2 * std::sqrt(1 + c(2, 2) - c(0, 0) - c(1, 1));
    return {(c(1, 0) - c(0, 1)) / s, (c(0, 2) + c(2, 0)) / s, (c(1, 2) + c(2, 1)) / s, 0.25 * s};
}

void SetTurn(Matrix& m, const Quaternion& q) {
    const double column[3][3] = {
        {1 - 2 * (q.y * q.y + q.z * q.z), 2 * (q.x * q.y - q.z * q.w), 2 * (q.x * q.z + q.y * q.w)},
        {2 * (q.x * q.y + q.z * q.w), 1 - 2 * (q.x * q.x + q.z * q.z), 2 * (q.y * q.z - q.x * q.w)},
        {2 * (q.x * q.z - q.y * q.w), 2 * (q.y * q.z + q.x * q.w), 1 - 2 * (q.x * q.x + q.y * q.y)},
    };
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            m.m[j][i] = static_cast<Value>(column[i][j]);
        }
    }
}

// Along the shorter of the two arcs between a and b.
Quaternion Slerp(const Quaternion& a, Quaternion b, double t) {
    double cosine = a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
    if (cosine < 0) {
        b = {-b.w, -b.x, -b.y, -b.z};
        cosine = -cosine;
    }
    double wa = 1 - t;
    double wb = t;
    if (cosine < 0.9995) {  // nearer than that, the straight blend is as good and stays finite
        const double angle = std::acos(cosine);
        wa = std::sin((1 - t) * angle) / std::sin(angle);
        wb = std::sin(t * angle) / std::sin(angle);
    }
    Quaternion q{wa * a.w + wb * b.w, wa * a.x + wb * b.x, wa * a.y + wb * b.y,
                 wa * a.z + wb * b.z};
    const double length = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
    return {q.w / length, q.x / length, q.y / length, q.z / length};
}

bool SameTurn(const Matrix& a, const Matrix& b) {
    for (int row = 0; row < 3; ++row) {
        if (!std::equal(a.m[row], a.m[row] + 3, b.m[row])) {
            return false;
        }
    }
    return true;
}

}  // namespace

Matrix Blend(const Matrix& from, const Matrix& to, Value t) {
    if (t <= 0) {
        return from;
    }
    if (t >= 1) {
        return to;
    }
    Matrix r = from;
    if (!SameTurn(from, to)) {
        SetTurn(r, Slerp(FromTurn(from), FromTurn(to), t));
    }
    SetRow(r, 3, Add(Row(from, 3), Scale(Subtract(Row(to, 3), Row(from, 3)), t)));
    return r;
}

}  // namespace retained
