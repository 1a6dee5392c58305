// The matrix helpers of the drawing device and of 3D drawing, in Direct3D's
// conventions: row vectors (a point p becomes p x M), left-handed view
// space, depth 0 at the near plane and 1 at the far plane. Each one fills
// and returns its output matrix, like the helper library games were made
// with.
#pragma once

struct RMatrix {
  float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  const float *Data() const { return &m[0][0]; }
};

struct RVector3 {
  double x = 0, y = 0, z = 0;
};

RMatrix &D3DXMatrixIdentity(RMatrix &out);
RMatrix &D3DXMatrixScaling(RMatrix &out, double sx, double sy, double sz);
RMatrix &D3DXMatrixTranslation(RMatrix &out, double x, double y, double z);
// Turns by angle radians about the axis; clockwise when looking along the
// axis towards the origin (Direct3D's left-handed sense).
RMatrix &D3DXMatrixRotationX(RMatrix &out, double angle);
RMatrix &D3DXMatrixRotationY(RMatrix &out, double angle);
RMatrix &D3DXMatrixRotationZ(RMatrix &out, double angle);
// About an arbitrary axis (normalised first); a zero axis gives the identity.
RMatrix &D3DXMatrixRotationAxis(RMatrix &out, const RVector3 &axis, double angle);
// a x b: first a, then b. out may be a or b.
RMatrix &D3DXMatrixMultiply(RMatrix &out, const RMatrix &a, const RMatrix &b);
RMatrix &D3DXMatrixLookAtLH(RMatrix &out, const RVector3 &eye, const RVector3 &at, const RVector3 &up);
RMatrix &D3DXMatrixPerspectiveFovLH(RMatrix &out, double fovy, double aspect, double zn, double zf);
RMatrix &D3DXMatrixPerspectiveLH(RMatrix &out, double w, double h, double zn, double zf);
RMatrix &D3DXMatrixOrthoLH(RMatrix &out, double w, double h, double zn, double zf);
// The point (x, y, z, 1) through the matrix, divided by its w.
RVector3 D3DXVec3TransformCoord(const RVector3 &p, const RMatrix &m);
