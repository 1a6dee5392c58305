#include "graphics/Graphics_D3DX8.h"

#include <cmath>

namespace {

RMatrix &Fill(RMatrix &out, const double (&v)[4][4]) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) out.m[r][c] = static_cast<float>(v[r][c]);
  return out;
}

RVector3 Sub(const RVector3 &a, const RVector3 &b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
RVector3 Cross(const RVector3 &a, const RVector3 &b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Dot(const RVector3 &a, const RVector3 &b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
RVector3 Normalised(const RVector3 &v) {
  const double len = std::sqrt(Dot(v, v));
  if (!(len > 0)) return {0, 0, 0};
  return {v.x / len, v.y / len, v.z / len};
}

}  // namespace

RMatrix &D3DXMatrixIdentity(RMatrix &out) {
  out = RMatrix();
  return out;
}

RMatrix &D3DXMatrixScaling(RMatrix &out, double sx, double sy, double sz) {
  return Fill(out, {{sx, 0, 0, 0}, {0, sy, 0, 0}, {0, 0, sz, 0}, {0, 0, 0, 1}});
}

RMatrix &D3DXMatrixTranslation(RMatrix &out, double x, double y, double z) {
  return Fill(out, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {x, y, z, 1}});
}

RMatrix &D3DXMatrixRotationX(RMatrix &out, double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  return Fill(out, {{1, 0, 0, 0}, {0, c, s, 0}, {0, -s, c, 0}, {0, 0, 0, 1}});
}

RMatrix &D3DXMatrixRotationY(RMatrix &out, double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  return Fill(out, {{c, 0, -s, 0}, {0, 1, 0, 0}, {s, 0, c, 0}, {0, 0, 0, 1}});
}

RMatrix &D3DXMatrixRotationZ(RMatrix &out, double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  return Fill(out, {{c, s, 0, 0}, {-s, c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
}

RMatrix &D3DXMatrixRotationAxis(RMatrix &out, const RVector3 &axis, double angle) {
  const RVector3 v = Normalised(axis);
  if (v.x == 0 && v.y == 0 && v.z == 0) return D3DXMatrixIdentity(out);
  const double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
  return Fill(out, {{t * v.x * v.x + c, t * v.x * v.y + s * v.z, t * v.x * v.z - s * v.y, 0},
                    {t * v.x * v.y - s * v.z, t * v.y * v.y + c, t * v.y * v.z + s * v.x, 0},
                    {t * v.x * v.z + s * v.y, t * v.y * v.z - s * v.x, t * v.z * v.z + c, 0},
                    {0, 0, 0, 1}});
}

RMatrix &D3DXMatrixMultiply(RMatrix &out, const RMatrix &a, const RMatrix &b) {
  double r[4][4];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += static_cast<double>(a.m[i][k]) * b.m[k][j];
      r[i][j] = sum;
    }
  return Fill(out, r);
}

RMatrix &D3DXMatrixLookAtLH(RMatrix &out, const RVector3 &eye, const RVector3 &at, const RVector3 &up) {
  const RVector3 z = Normalised(Sub(at, eye));
  const RVector3 x = Normalised(Cross(up, z));
  const RVector3 y = Cross(z, x);
  return Fill(out, {{x.x, y.x, z.x, 0},
                    {x.y, y.y, z.y, 0},
                    {x.z, y.z, z.z, 0},
                    {-Dot(x, eye), -Dot(y, eye), -Dot(z, eye), 1}});
}

RMatrix &D3DXMatrixPerspectiveFovLH(RMatrix &out, double fovy, double aspect, double zn, double zf) {
  const double ys = 1 / std::tan(fovy / 2), xs = ys / aspect;
  return Fill(out, {{xs, 0, 0, 0}, {0, ys, 0, 0}, {0, 0, zf / (zf - zn), 1}, {0, 0, -zn * zf / (zf - zn), 0}});
}

RMatrix &D3DXMatrixPerspectiveLH(RMatrix &out, double w, double h, double zn, double zf) {
  return Fill(out,
              {{2 * zn / w, 0, 0, 0}, {0, 2 * zn / h, 0, 0}, {0, 0, zf / (zf - zn), 1}, {0, 0, zn * zf / (zn - zf), 0}});
}

RMatrix &D3DXMatrixOrthoLH(RMatrix &out, double w, double h, double zn, double zf) {
  return Fill(out, {{2 / w, 0, 0, 0}, {0, 2 / h, 0, 0}, {0, 0, 1 / (zf - zn), 0}, {0, 0, zn / (zn - zf), 1}});
}

RVector3 D3DXVec3TransformCoord(const RVector3 &p, const RMatrix &m) {
  double r[4];
  for (int j = 0; j < 4; ++j) r[j] = p.x * m.m[0][j] + p.y * m.m[1][j] + p.z * m.m[2][j] + m.m[3][j];
  if (r[3] == 0) return {r[0], r[1], r[2]};
  return {r[0] / r[3], r[1] / r[3], r[2] / r[3]};
}
