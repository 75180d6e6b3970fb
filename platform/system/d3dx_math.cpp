#include "platform/system/d3dx_math.h"

#include <cfloat>
#include <cmath>
#include <cstring>

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& b) const {
    D3DXMATRIX r;
    D3DXMatrixMultiply(&r, this, &b);
    return r;
}

bool D3DXMATRIX::operator==(const D3DXMATRIX& b) const {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (m[i][j] != b.m[i][j]) return false;
    return true;
}

namespace {
// Squared length summed in double, so that components beyond about 1e19 (whose float squares
// overflow to infinity) still give their true length and normalise to unit length.
double SquaredLength(double x, double y, double z, double w) {
    return x * x + y * y + z * z + w * w;
}

// Whether a squared length is large enough to normalise; false for NaN as well.
bool CanNormalise(double lengthSq) { return lengthSq > FLT_MIN; }
}  // namespace

// ---- Vectors ---------------------------------------------------------------------------------

float D3DXVec3LengthSq(const D3DXVECTOR3* v) { return v->x * v->x + v->y * v->y + v->z * v->z; }

float D3DXVec3Length(const D3DXVECTOR3* v) {
    return static_cast<float>(std::sqrt(SquaredLength(v->x, v->y, v->z, 0.0)));
}

float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    return a->x * b->x + a->y * b->y + a->z * b->z;
}

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    const D3DXVECTOR3 r(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z,
                        a->x * b->y - a->y * b->x);
    *out = r;
    return out;
}

D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    *out = *a + *b;
    return out;
}

D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    *out = *a - *b;
    return out;
}

D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DXVECTOR3* v, float s) {
    *out = *v * s;
    return out;
}

D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b, float s) {
    *out = D3DXVECTOR3(a->x + s * (b->x - a->x), a->y + s * (b->y - a->y),
                       a->z + s * (b->z - a->z));
    return out;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
    const double lengthSq = SquaredLength(v->x, v->y, v->z, 0.0);
    if (!CanNormalise(lengthSq)) {
        *out = D3DXVECTOR3();
        return out;
    }
    const double s = 1.0 / std::sqrt(lengthSq);
    *out = D3DXVECTOR3(static_cast<float>(v->x * s), static_cast<float>(v->y * s),
                       static_cast<float>(v->z * s));
    return out;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    const float x = v->x * m->_11 + v->y * m->_21 + v->z * m->_31 + m->_41;
    const float y = v->x * m->_12 + v->y * m->_22 + v->z * m->_32 + m->_42;
    const float z = v->x * m->_13 + v->y * m->_23 + v->z * m->_33 + m->_43;
    const float w = v->x * m->_14 + v->y * m->_24 + v->z * m->_34 + m->_44;
    *out = D3DXVECTOR3(x / w, y / w, z / w);
    return out;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v,
                                     const D3DXMATRIX* m) {
    const float x = v->x * m->_11 + v->y * m->_21 + v->z * m->_31;
    const float y = v->x * m->_12 + v->y * m->_22 + v->z * m->_32;
    const float z = v->x * m->_13 + v->y * m->_23 + v->z * m->_33;
    *out = D3DXVECTOR3(x, y, z);
    return out;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    const D3DXVECTOR4 v4(v->x, v->y, v->z, 1.0f);
    return D3DXVec4Transform(out, &v4, m);
}

float D3DXVec4Dot(const D3DXVECTOR4* a, const D3DXVECTOR4* b) {
    return a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
}

float D3DXVec4Length(const D3DXVECTOR4* v) {
    return static_cast<float>(std::sqrt(SquaredLength(v->x, v->y, v->z, v->w)));
}

D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* out, const D3DXVECTOR4* v) {
    const double lengthSq = SquaredLength(v->x, v->y, v->z, v->w);
    if (!CanNormalise(lengthSq)) {
        *out = D3DXVECTOR4();
        return out;
    }
    const double s = 1.0 / std::sqrt(lengthSq);
    *out = D3DXVECTOR4(static_cast<float>(v->x * s), static_cast<float>(v->y * s),
                       static_cast<float>(v->z * s), static_cast<float>(v->w * s));
    return out;
}

D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m) {
    const D3DXVECTOR4 r(v->x * m->_11 + v->y * m->_21 + v->z * m->_31 + v->w * m->_41,
                        v->x * m->_12 + v->y * m->_22 + v->z * m->_32 + v->w * m->_42,
                        v->x * m->_13 + v->y * m->_23 + v->z * m->_33 + v->w * m->_43,
                        v->x * m->_14 + v->y * m->_24 + v->z * m->_34 + v->w * m->_44);
    *out = r;
    return out;
}

// ---- Matrices --------------------------------------------------------------------------------

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
    *out = D3DXMATRIX();
    return out;
}

BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* m) { return *m == D3DXMATRIX() ? TRUE : FALSE; }

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] +
                        a->m[i][2] * b->m[2][j] + a->m[i][3] * b->m[3][j];
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixMultiplyTranspose(D3DXMATRIX* out, const D3DXMATRIX* a,
                                        const D3DXMATRIX* b) {
    D3DXMATRIX r;
    D3DXMatrixMultiply(&r, a, b);
    return D3DXMatrixTranspose(out, &r);
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = m->m[j][i];
    *out = r;
    return out;
}

// Cofactors of the first row and the 2x2 sub-determinants shared by the inverse.
namespace {
struct Cofactors {
    float c[4][4];
    float det;
};

Cofactors ComputeCofactors(const D3DXMATRIX& a) {
    const float (*m)[4] = a.m;
    // 2x2 determinants of rows 2 and 3, and of rows 0 and 1.
    const float s0 = m[0][0] * m[1][1] - m[1][0] * m[0][1];
    const float s1 = m[0][0] * m[1][2] - m[1][0] * m[0][2];
    const float s2 = m[0][0] * m[1][3] - m[1][0] * m[0][3];
    const float s3 = m[0][1] * m[1][2] - m[1][1] * m[0][2];
    const float s4 = m[0][1] * m[1][3] - m[1][1] * m[0][3];
    const float s5 = m[0][2] * m[1][3] - m[1][2] * m[0][3];
    const float c5 = m[2][2] * m[3][3] - m[3][2] * m[2][3];
    const float c4 = m[2][1] * m[3][3] - m[3][1] * m[2][3];
    const float c3 = m[2][1] * m[3][2] - m[3][1] * m[2][2];
    const float c2 = m[2][0] * m[3][3] - m[3][0] * m[2][3];
    const float c1 = m[2][0] * m[3][2] - m[3][0] * m[2][2];
    const float c0 = m[2][0] * m[3][1] - m[3][0] * m[2][1];

    Cofactors r;
    r.det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    // Adjugate (transposed cofactor matrix).
    r.c[0][0] = m[1][1] * c5 - m[1][2] * c4 + m[1][3] * c3;
    r.c[0][1] = -m[0][1] * c5 + m[0][2] * c4 - m[0][3] * c3;
    r.c[0][2] = m[3][1] * s5 - m[3][2] * s4 + m[3][3] * s3;
    r.c[0][3] = -m[2][1] * s5 + m[2][2] * s4 - m[2][3] * s3;
    r.c[1][0] = -m[1][0] * c5 + m[1][2] * c2 - m[1][3] * c1;
    r.c[1][1] = m[0][0] * c5 - m[0][2] * c2 + m[0][3] * c1;
    r.c[1][2] = -m[3][0] * s5 + m[3][2] * s2 - m[3][3] * s1;
    r.c[1][3] = m[2][0] * s5 - m[2][2] * s2 + m[2][3] * s1;
    r.c[2][0] = m[1][0] * c4 - m[1][1] * c2 + m[1][3] * c0;
    r.c[2][1] = -m[0][0] * c4 + m[0][1] * c2 - m[0][3] * c0;
    r.c[2][2] = m[3][0] * s4 - m[3][1] * s2 + m[3][3] * s0;
    r.c[2][3] = -m[2][0] * s4 + m[2][1] * s2 - m[2][3] * s0;
    r.c[3][0] = -m[1][0] * c3 + m[1][1] * c1 - m[1][2] * c0;
    r.c[3][1] = m[0][0] * c3 - m[0][1] * c1 + m[0][2] * c0;
    r.c[3][2] = -m[3][0] * s3 + m[3][1] * s1 - m[3][2] * s0;
    r.c[3][3] = m[2][0] * s3 - m[2][1] * s1 + m[2][2] * s0;
    return r;
}
}  // namespace

float D3DXMatrixDeterminant(const D3DXMATRIX* m) { return ComputeCofactors(*m).det; }

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m) {
    const Cofactors cof = ComputeCofactors(*m);
    if (determinant) *determinant = cof.det;
    if (cof.det == 0.0f) return nullptr;
    const float inv = 1.0f / cof.det;
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = cof.c[i][j] * inv;
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
    *out = D3DXMATRIX();
    out->_11 = sx;
    out->_22 = sy;
    out->_33 = sz;
    return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
    *out = D3DXMATRIX();
    out->_41 = x;
    out->_42 = y;
    out->_43 = z;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    *out = D3DXMATRIX();
    out->_22 = c;
    out->_23 = s;
    out->_32 = -s;
    out->_33 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    *out = D3DXMATRIX();
    out->_11 = c;
    out->_13 = -s;
    out->_31 = s;
    out->_33 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    *out = D3DXMATRIX();
    out->_11 = c;
    out->_12 = s;
    out->_21 = -s;
    out->_22 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q) {
    const float x = q->x, y = q->y, z = q->z, w = q->w;
    *out = D3DXMATRIX();
    out->_11 = 1.0f - 2.0f * (y * y + z * z);
    out->_12 = 2.0f * (x * y + z * w);
    out->_13 = 2.0f * (x * z - y * w);
    out->_21 = 2.0f * (x * y - z * w);
    out->_22 = 1.0f - 2.0f * (x * x + z * z);
    out->_23 = 2.0f * (y * z + x * w);
    out->_31 = 2.0f * (x * z + y * w);
    out->_32 = 2.0f * (y * z - x * w);
    out->_33 = 1.0f - 2.0f * (x * x + y * y);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll) {
    D3DXQUATERNION q;
    D3DXQuaternionRotationYawPitchRoll(&q, yaw, pitch, roll);
    return D3DXMatrixRotationQuaternion(out, &q);
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
    D3DXVECTOR3 zaxis = *at - *eye;
    D3DXVec3Normalize(&zaxis, &zaxis);
    D3DXVECTOR3 xaxis;
    D3DXVec3Cross(&xaxis, up, &zaxis);
    D3DXVec3Normalize(&xaxis, &xaxis);
    D3DXVECTOR3 yaxis;
    D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
    *out = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0.0f,
                      xaxis.y, yaxis.y, zaxis.y, 0.0f,
                      xaxis.z, yaxis.z, zaxis.z, 0.0f,
                      -D3DXVec3Dot(&xaxis, eye), -D3DXVec3Dot(&yaxis, eye),
                      -D3DXVec3Dot(&zaxis, eye), 1.0f);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn,
                                       float zf) {
    const float yScale = 1.0f / std::tan(fovy / 2.0f);
    const float xScale = yScale / aspect;
    *out = D3DXMATRIX(xScale, 0.0f, 0.0f, 0.0f,
                      0.0f, yScale, 0.0f, 0.0f,
                      0.0f, 0.0f, zf / (zf - zn), 1.0f,
                      0.0f, 0.0f, -zn * zf / (zf - zn), 0.0f);
    return out;
}

// ---- Quaternions -----------------------------------------------------------------------------

D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out) {
    *out = D3DXQUATERNION();
    return out;
}

float D3DXQuaternionDot(const D3DXQUATERNION* a, const D3DXQUATERNION* b) {
    return a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
}

float D3DXQuaternionLength(const D3DXQUATERNION* q) {
    return static_cast<float>(std::sqrt(SquaredLength(q->x, q->y, q->z, q->w)));
}

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    const double lengthSq = SquaredLength(q->x, q->y, q->z, q->w);
    if (!CanNormalise(lengthSq)) {
        *out = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 0.0f);
        return out;
    }
    const double s = 1.0 / std::sqrt(lengthSq);
    *out = D3DXQUATERNION(static_cast<float>(q->x * s), static_cast<float>(q->y * s),
                          static_cast<float>(q->z * s), static_cast<float>(q->w * s));
    return out;
}

D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    *out = D3DXQUATERNION(-q->x, -q->y, -q->z, q->w);
    return out;
}

D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    const float norm = D3DXQuaternionDot(q, q);
    if (norm == 0.0f) {
        *out = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 0.0f);
        return out;
    }
    *out = D3DXQUATERNION(-q->x / norm, -q->y / norm, -q->z / norm, q->w / norm);
    return out;
}

// The rotation a followed by b: the Hamilton product b * a.
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* a,
                                       const D3DXQUATERNION* b) {
    const D3DXQUATERNION r(b->w * a->x + b->x * a->w + b->y * a->z - b->z * a->y,
                           b->w * a->y - b->x * a->z + b->y * a->w + b->z * a->x,
                           b->w * a->z + b->x * a->y - b->y * a->x + b->z * a->w,
                           b->w * a->w - b->x * a->x - b->y * a->y - b->z * a->z);
    *out = r;
    return out;
}

// Logarithm: (v * acos(w) / sqrt(1 - w^2), 0), the scale D3DX takes for keys of any length
// (for a unit quaternion it is axis * angle / 2). w >= 1, where the ratio has no value, scales
// by 1, and so does w <= -1, whose acos ratio would be infinite or undefined.
D3DXQUATERNION* D3DXQuaternionLn(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    float scale = 1.0f;
    if (q->w < 1.0f && q->w > -1.0f)
        scale = std::acos(q->w) / std::sqrt(1.0f - q->w * q->w);
    *out = D3DXQUATERNION(q->x * scale, q->y * scale, q->z * scale, 0.0f);
    return out;
}

// Exponential of a pure quaternion (v, 0): (sin|v| * v / |v|, cos|v|).
D3DXQUATERNION* D3DXQuaternionExp(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    const float theta = std::sqrt(q->x * q->x + q->y * q->y + q->z * q->z);
    float scale = 1.0f;
    if (theta > 0.0f) scale = std::sin(theta) / theta;
    *out = D3DXQUATERNION(q->x * scale, q->y * scale, q->z * scale, std::cos(theta));
    return out;
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* a,
                                    const D3DXQUATERNION* b, float t) {
    float wa = 1.0f - t;
    float wb = t;
    float dot = D3DXQuaternionDot(a, b);
    if (dot < 0.0f) {  // take the short way round
        wb = -wb;
        dot = -dot;
    }
    // Blend linearly only for keys within about half a degree, where the sine ratio loses
    // precision; a wider linear band would shorten the result and bend its angle.
    if (1.0f - dot > 1e-5f) {
        const float theta = std::acos(dot);
        const float sinTheta = std::sin(theta);
        wa = std::sin(theta * wa) / sinTheta;
        wb = std::sin(theta * wb) / sinTheta;
    }
    *out = D3DXQUATERNION(wa * a->x + wb * b->x, wa * a->y + wb * b->y, wa * a->z + wb * b->z,
                          wa * a->w + wb * b->w);
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis,
                                           float angle) {
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, axis);
    const float s = std::sin(angle / 2.0f);
    *out = D3DXQUATERNION(n.x * s, n.y * s, n.z * s, std::cos(angle / 2.0f));
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, float yaw, float pitch,
                                                   float roll) {
    const float sy = std::sin(yaw / 2.0f), cy = std::cos(yaw / 2.0f);
    const float sp = std::sin(pitch / 2.0f), cp = std::cos(pitch / 2.0f);
    const float sr = std::sin(roll / 2.0f), cr = std::cos(roll / 2.0f);
    *out = D3DXQUATERNION(cy * sp * cr + sy * cp * sr, sy * cp * cr - cy * sp * sr,
                          cy * cp * sr - sy * sp * cr, cy * cp * cr + sy * sp * sr);
    return out;
}

namespace {
D3DXQUATERNION Negated(const D3DXQUATERNION& q) { return {-q.x, -q.y, -q.z, -q.w}; }

// exp(-(ln(inv(q) * p) + ln(inv(q) * r)) / 4), with the library's multiplication order.
D3DXQUATERNION SquadTangentFactor(const D3DXQUATERNION& q, const D3DXQUATERNION& p,
                                  const D3DXQUATERNION& r) {
    D3DXQUATERNION inverse, lp, lr;
    D3DXQuaternionInverse(&inverse, &q);
    D3DXQuaternionMultiply(&lp, &inverse, &p);
    D3DXQuaternionLn(&lp, &lp);
    D3DXQuaternionMultiply(&lr, &inverse, &r);
    D3DXQuaternionLn(&lr, &lr);
    D3DXQUATERNION sum((lp.x + lr.x) * -0.25f, (lp.y + lr.y) * -0.25f, (lp.z + lr.z) * -0.25f,
                       (lp.w + lr.w) * -0.25f);
    D3DXQuaternionExp(&sum, &sum);
    return sum;
}
}  // namespace

void D3DXQuaternionSquadSetup(D3DXQUATERNION* a, D3DXQUATERNION* b, D3DXQUATERNION* c,
                              const D3DXQUATERNION* q0, const D3DXQUATERNION* q1,
                              const D3DXQUATERNION* q2, const D3DXQUATERNION* q3) {
    // Bring the neighbours onto the same hemisphere as the key they join.
    const D3DXQUATERNION p0 = D3DXQuaternionDot(q0, q1) < 0.0f ? Negated(*q0) : *q0;
    const D3DXQUATERNION p2 = D3DXQuaternionDot(q1, q2) < 0.0f ? Negated(*q2) : *q2;
    const D3DXQUATERNION p3 = D3DXQuaternionDot(&p2, q3) < 0.0f ? Negated(*q3) : *q3;
    const D3DXQUATERNION p1 = *q1;

    D3DXQUATERNION factorA = SquadTangentFactor(p1, p0, p2);
    D3DXQUATERNION factorB = SquadTangentFactor(p2, p1, p3);
    D3DXQuaternionMultiply(a, &p1, &factorA);
    D3DXQuaternionMultiply(b, &p2, &factorB);
    *c = p2;
}

D3DXQUATERNION* D3DXQuaternionSquad(D3DXQUATERNION* out, const D3DXQUATERNION* q1,
                                    const D3DXQUATERNION* a, const D3DXQUATERNION* b,
                                    const D3DXQUATERNION* c, float t) {
    D3DXQUATERNION outer, inner;
    D3DXQuaternionSlerp(&outer, q1, c, t);
    D3DXQuaternionSlerp(&inner, a, b, t);
    return D3DXQuaternionSlerp(out, &outer, &inner, 2.0f * t * (1.0f - t));
}

// ---- Planes ----------------------------------------------------------------------------------

float D3DXPlaneDotCoord(const D3DXPLANE* p, const D3DXVECTOR3* v) {
    return p->a * v->x + p->b * v->y + p->c * v->z + p->d;
}

float D3DXPlaneDotNormal(const D3DXPLANE* p, const D3DXVECTOR3* v) {
    return p->a * v->x + p->b * v->y + p->c * v->z;
}

D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* out, const D3DXPLANE* p) {
    const double lengthSq = SquaredLength(p->a, p->b, p->c, 0.0);
    if (lengthSq == 0.0) {
        *out = D3DXPLANE();
        return out;
    }
    const double s = 1.0 / std::sqrt(lengthSq);
    *out = D3DXPLANE(static_cast<float>(p->a * s), static_cast<float>(p->b * s),
                     static_cast<float>(p->c * s), static_cast<float>(p->d * s));
    return out;
}

D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* out, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2,
                               const D3DXVECTOR3* p3) {
    const D3DXVECTOR3 e1 = *p2 - *p1;
    const D3DXVECTOR3 e2 = *p3 - *p1;
    D3DXVECTOR3 normal;
    D3DXVec3Cross(&normal, &e1, &e2);
    D3DXVec3Normalize(&normal, &normal);
    *out = D3DXPLANE(normal.x, normal.y, normal.z, -D3DXVec3Dot(&normal, p1));
    return out;
}

D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* out, const D3DXPLANE* p, const D3DXVECTOR3* v1,
                                    const D3DXVECTOR3* v2) {
    const D3DXVECTOR3 direction = *v2 - *v1;
    const float denominator = D3DXPlaneDotNormal(p, &direction);
    if (denominator == 0.0f) return nullptr;
    const float t = (p->d + D3DXPlaneDotNormal(p, v1)) / denominator;
    *out = *v1 - direction * t;
    return out;
}
