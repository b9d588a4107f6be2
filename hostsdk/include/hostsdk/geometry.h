// The host's small geometry values: 2-D and 3-D points of 32-bit floats and
// the 4-row, 3-column transform whose fourth row is the translation.
#pragma once
#include <cmath>

struct Point2 {
  float x;
  float y;

  Point2() = default;  // left uninitialised, as the host's is
  constexpr Point2(float px, float py) : x(px), y(py) {}
  Point2(double px, double py) : x(static_cast<float>(px)), y(static_cast<float>(py)) {}

  friend Point2 operator-(const Point2& a, const Point2& b) { return Point2(a.x - b.x, a.y - b.y); }
  friend Point2 operator+(const Point2& a, const Point2& b) { return Point2(a.x + b.x, a.y + b.y); }
  friend bool operator==(const Point2& a, const Point2& b) { return a.x == b.x && a.y == b.y; }
};

// Length of a 2-D vector, square root taken in double and kept as float.
inline float Length(const Point2& p) {
  return static_cast<float>(std::sqrt(static_cast<double>(p.x * p.x + p.y * p.y)));
}

struct Point3 {
  float x;
  float y;
  float z;

  Point3() = default;
  constexpr Point3(float px, float py, float pz) : x(px), y(py), z(pz) {}
  friend bool operator==(const Point3& a, const Point3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
  }
};

class Matrix3 {
 public:
  Matrix3() : m{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}} {}
  Point3 GetRow(int i) const { return Point3(m[i][0], m[i][1], m[i][2]); }
  void SetRow(int i, const Point3& p) {
    m[i][0] = p.x;
    m[i][1] = p.y;
    m[i][2] = p.z;
  }
  Point3 GetTrans() const { return GetRow(3); }
  void SetTrans(const Point3& p) { SetRow(3, p); }

  float m[4][3];
};

// Row vector times matrix: rotation rows, then the translation row added.
inline Point3 operator*(const Point3& p, const Matrix3& a) {
  return Point3(p.x * a.m[0][0] + p.y * a.m[1][0] + p.z * a.m[2][0] + a.m[3][0],
                p.x * a.m[0][1] + p.y * a.m[1][1] + p.z * a.m[2][1] + a.m[3][1],
                p.x * a.m[0][2] + p.y * a.m[1][2] + p.z * a.m[2][2] + a.m[3][2]);
}
