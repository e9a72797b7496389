// The layer's one vector and matrix module.
//
// Offers: vector arithmetic (Add, Subtract, Scale, Dot, Cross, Normalize), and 4x4 matrices for
// row vectors (p' = p x M; translation in the last row): Identity, Multiply (a then b),
// Translation, Rotation, RigidInverse, TransformPoint, TransformDirection, the rows that hold a
// frame's axes and origin, and Blend, a rigid transform part of the way to another.
#pragma once

#include <cmath>

#include "retained/retained.h"

namespace retained {

inline Vector Add(const Vector& a, const Vector& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vector Subtract(const Vector& a, const Vector& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vector Scale(const Vector& a, Value s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline Value Dot(const Vector& a, const Vector& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
// In left-handed coordinates y x z = x, so a frame's x axis is Cross(y, z).
inline Vector Cross(const Vector& a, const Vector& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline Value Length(const Vector& a) {
    return std::sqrt(Dot(a, a));
}
// The zero vector stays zero.
inline Vector Normalize(const Vector& a) {
    const Value length = Length(a);
    return length > 0 ? Scale(a, 1 / length) : a;
}

inline Matrix Identity() {
    return {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
}

// The transform that applies a, then b.
inline Matrix Multiply(const Matrix& a, const Matrix& b) {
    Matrix r{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            Value sum = 0;
            for (int k = 0; k < 4; ++k) {
                sum += a.m[i][k] * b.m[k][j];
            }
            r.m[i][j] = sum;
        }
    }
    return r;
}

inline Matrix Translation(Value x, Value y, Value z) {
    Matrix r = Identity();
    r.m[3][0] = x;
    r.m[3][1] = y;
    r.m[3][2] = z;
    return r;
}

// A turn of theta about the axis through the origin; positive theta turns +x toward +y about +z.
inline Matrix Rotation(const Vector& axis, Value theta) {
    const Vector a = Normalize(axis);
    const Value c = std::cos(theta);
    const Value s = std::sin(theta);
    const Value t = 1 - c;
    Matrix r = Identity();
    r.m[0][0] = t * a.x * a.x + c;
    r.m[0][1] = t * a.x * a.y + s * a.z;
    r.m[0][2] = t * a.x * a.z - s * a.y;
    r.m[1][0] = t * a.x * a.y - s * a.z;
    r.m[1][1] = t * a.y * a.y + c;
    r.m[1][2] = t * a.y * a.z + s * a.x;
    r.m[2][0] = t * a.x * a.z + s * a.y;
    r.m[2][1] = t * a.y * a.z - s * a.x;
    r.m[2][2] = t * a.z * a.z + c;
    return r;
}

inline Vector Row(const Matrix& m, int row) {
    return {m.m[row][0], m.m[row][1], m.m[row][2]};
}
inline void SetRow(Matrix& m, int row, const Vector& v) {
    m.m[row][0] = v.x;
    m.m[row][1] = v.y;
    m.m[row][2] = v.z;
}

inline Vector TransformPoint(const Vector& p, const Matrix& m) {
    return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
            p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
            p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

inline Vector TransformDirection(const Vector& d, const Matrix& m) {
    return {d.x * m.m[0][0] + d.y * m.m[1][0] + d.z * m.m[2][0],
            d.x * m.m[0][1] + d.y * m.m[1][1] + d.z * m.m[2][1],
            d.x * m.m[0][2] + d.y * m.m[1][2] + d.z * m.m[2][2]};
}

// The inverse of a turn followed by a move (every frame transform is one).
inline Matrix RigidInverse(const Matrix& m) {
    Matrix r = Identity();
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            r.m[i][j] = m.m[j][i];
        }
    }
    const Vector t = TransformDirection(Row(m, 3), r);
    SetRow(r, 3, Scale(t, -1));
    return r;
}

// The rigid transform t of the way from `from` to `to` (0 <= t <= 1): the origin on the straight
// line between theirs, the turn along the shortest arc between theirs. 0 and 1 give the two ends
// exactly.
Matrix Blend(const Matrix& from, const Matrix& to, Value t);

}  // namespace retained
