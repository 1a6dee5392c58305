// CPath: a list of control points (position and relative speed) turned into
// a polyline, straight or smoothed, open or closed. Every change of the
// points, the kind, the closedness or the precision rebuilds the polyline and
// its length at once, so lookups never see a stale one.
#pragma once

#include <cstdint>
#include <vector>

class CStream;

// A control point; speed is in percent of the follower's speed (100 keeps it).
struct RWayPoint {
  double x = 0, y = 0, speed = 100;
};

// A point of the polyline; l is its distance along the polyline from the
// first point.
struct RIntPoint {
  double x = 0, y = 0, speed = 100, l = 0;
};

// A position on a path: where and at what relative speed.
struct RPathPosition {
  double x = 0, y = 0, speed = 100;
};

class CPath {
public:
  static constexpr int32_t kVersion = 530;
  static constexpr int32_t kStraight = 0, kSmooth = 1;
  static constexpr int32_t kMaxPrecision = 8;

  std::vector<RWayPoint> i_points;
  int32_t i_kind = kStraight;
  bool i_closed = true;
  int32_t i_precision = 4;
  std::vector<RIntPoint> i_intpoints;
  double i_length = 0;

  int32_t Count() const { return static_cast<int32_t>(i_points.size()); }
  int32_t IntCount() const { return static_cast<int32_t>(i_intpoints.size()); }

  void Create() { *this = CPath(); }
  // Removes all points.
  void Clear();
  // Copies kind, closedness, precision and points.
  void Assign(const CPath &path);
  // False when the record version is not 530. A kind other than straight or
  // smooth reads as straight and the precision is kept to 0..8, as when a
  // game sets them.
  bool LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;

  // Anything but 1 (smooth) makes the path straight.
  void SetKind(int32_t kind);
  void SetClosed(bool closed);
  // Kept to 0..8.
  void SetPrecision(int32_t precision);

  // Replaces all points at once.
  void SetPoints(std::vector<RWayPoint> points);
  // Answers the new point's index.
  int32_t AddPoint(double x, double y, double speed);
  // ind 0..Count(); any other index is ignored.
  void InsertPoint(int32_t ind, double x, double y, double speed);
  // Existing points only.
  void ChangePoint(int32_t ind, double x, double y, double speed);
  void DeletePoint(int32_t ind);

  // The position at pos (0 the start, 1 the end). (0, 0, 100) on a path
  // without a polyline.
  RPathPosition GetPosition(double pos) const;
  double XPosition(double pos) const { return GetPosition(pos).x; }
  double YPosition(double pos) const { return GetPosition(pos).y; }
  double Speed(double pos) const { return GetPosition(pos).speed; }

  // The centre of the control points' bounding box ((0, 0) without points).
  void Center(double &cx, double &cy) const;
  void Reverse();
  void Mirror();  // x reflected about the centre
  void Flip();    // y reflected about the centre
  // About the centre, counter-clockwise on screen; degrees.
  void Rotate(double angle);
  void Scale(double xscale, double yscale);  // about the centre
  void Shift(double xtr, double ytr);
  // Adds the other path's points at the end (a path may append itself).
  void Append(const CPath &path);

  // The line strips that draw the path: positions i / n for i = 0 .. n,
  // n = round(length / 4), moved by (x, y) when absolute, else so that the
  // start lies at (x, y). Every 500 positions the strip ends and the next
  // one starts again at the same point. Empty when n is 0.
  std::vector<std::vector<RPathPosition>> DrawStrips(double x, double y, bool absolute) const;

private:
  void ComputeInternal();
  void AddInt(double x, double y, double speed);
  void Subdivide(int depth, const RWayPoint &s, const RWayPoint &c, const RWayPoint &e);
};
