#include "hostsdk/scene.h"

#include <cmath>
#include <iterator>

Matrix3 SceneNode::GetNodeTM(int time, void *) {
  if (keys_.empty())
    return Matrix3();
  auto it = keys_.upper_bound(time);
  if (it == keys_.begin())
    return it->second;
  return std::prev(it)->second;
}

INode *Scene::GetINodeByName(const char *name) {
  if (!name)
    return nullptr;
  auto it = nodes_.find(name);
  return it == nodes_.end() ? nullptr : it->second.get();
}

SceneNode &Scene::Node(const std::string &name) {
  std::unique_ptr<SceneNode> &node = nodes_[name];
  if (!node)
    node = std::make_unique<SceneNode>();
  return *node;
}

void Scene::PlaceNode(const std::string &name, const Point3 &position,
                      int time) {
  Node(name).SetTransform(time, TranslationMatrix(position));
}

std::vector<std::string> Scene::NodeNames() const {
  std::vector<std::string> names;
  for (const auto &entry : nodes_)
    names.push_back(entry.first);
  return names;
}

CameraRenderInfo::CameraRenderInfo(int width, int height, float fovDegrees)
    : width_(width), height_(height) {
  const double halfAngle =
      static_cast<double>(fovDegrees) * 3.14159265358979323846 / 360.0;
  focal_ = (width / 2.0) / std::tan(halfAngle);
}

Point2 CameraRenderInfo::MapCamToScreen(const Point3 &p) {
  const double depth = -static_cast<double>(p.z);
  return Point2(width_ / 2.0 + p.x * focal_ / depth,
                height_ / 2.0 - p.y * focal_ / depth);
}

Matrix3 TranslationMatrix(const Point3 &position) {
  Matrix3 m;
  m.SetTrans(position);
  return m;
}

namespace {
struct Vec {
  double x, y, z;
};
Vec Sub(const Point3 &a, const Point3 &b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec Cross(const Vec &a, const Vec &b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Dot(const Vec &a, const Vec &b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
bool Normalise(Vec &v) {
  const double n = std::sqrt(Dot(v, v));
  if (!(n > 0.0) || !std::isfinite(n))
    return false;
  v = {v.x / n, v.y / n, v.z / n};
  return true;
}
} // namespace

Matrix3 LookAtWorldToCam(const Point3 &eye, const Point3 &target,
                         const Point3 &up) {
  // Camera axes in world space: back (camera +z) points from target to eye.
  Vec back = Sub(eye, target);
  Vec upVec{up.x, up.y, up.z};
  if (!Normalise(back))
    return Matrix3();
  Vec right = Cross(upVec, back);
  if (!Normalise(right))
    return Matrix3();
  const Vec trueUp = Cross(back, right);
  // The inverse of a rotation is its transpose: column j holds camera axis j.
  const Vec e{eye.x, eye.y, eye.z};
  Matrix3 m;
  const Vec axes[3] = {right, trueUp, back};
  for (int j = 0; j < 3; ++j) {
    m.m[0][j] = static_cast<float>(axes[j].x);
    m.m[1][j] = static_cast<float>(axes[j].y);
    m.m[2][j] = static_cast<float>(axes[j].z);
    m.m[3][j] = static_cast<float>(-Dot(axes[j], e));
  }
  return m;
}
