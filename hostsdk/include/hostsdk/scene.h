// The host's scene as the library sees it: nodes found by name, their
// transforms, and how a frame was rendered. Below the interfaces, the
// stand-in's own scene: named nodes with keyed transforms, and a pinhole
// camera that renders a frame of a given size.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hostsdk/geometry.h"

class INode {
public:
  // Node-to-world transform at a time; the second argument is the host's
  // validity interval, which the library passes as null.
  virtual Matrix3 GetNodeTM(int time, void *validity) = 0;

protected:
  ~INode() = default;
};

class Interface {
public:
  virtual INode *GetINodeByName(const char *name) = 0;

protected:
  ~Interface() = default;
};

class RenderInfo {
public:
  virtual ~RenderInfo() = default;
  virtual Point2 MapCamToScreen(const Point3 &p) = 0;

  int renderTime = 0;
  Matrix3 worldToCam;
};

// ---- The stand-in's scene ----------------------------------------------
//
// Camera space looks down -z with +y up and +x right, so a point in front
// of the camera has a negative z. Screen space is in pixels with (0, 0) at
// the top-left corner of the frame and y growing downward.

// A node whose transform is keyed by time: at time t it has the transform
// of the last key at or before t (the first key before all keys, identity
// with no keys at all).
class SceneNode final : public INode {
public:
  Matrix3 GetNodeTM(int time, void *validity) override;
  // Replaces the key at that time, or adds one.
  void SetTransform(int time, const Matrix3 &tm) { keys_[time] = tm; }

private:
  std::map<int, Matrix3> keys_;
};

class Scene final : public Interface {
public:
  // Null for a null name or no node of that name.
  INode *GetINodeByName(const char *name) override;
  // The node called name, made when it is new. Names are compared exactly.
  SceneNode &Node(const std::string &name);
  // Shorthand: the node's transform is a plain move to position from time on.
  void PlaceNode(const std::string &name, const Point3 &position, int time = 0);
  // The names of the nodes, in name order.
  std::vector<std::string> NodeNames() const;

private:
  std::map<std::string, std::unique_ptr<SceneNode>> nodes_;
};

// A pinhole camera over a width x height frame: horizontal field of view
// fovDegrees across the frame's width, square pixels, the optical axis
// through the frame's centre (width / 2, height / 2). A camera-space point
// p maps to centre + (p.x, -p.y) * f / -p.z with f = (width / 2) /
// tan(fov / 2); points on the camera plane (z = 0) map to infinities or NaN.
class CameraRenderInfo final : public RenderInfo {
public:
  CameraRenderInfo(int width, int height, float fovDegrees);
  Point2 MapCamToScreen(const Point3 &p) override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Focal length in pixels.
  double Focal() const { return focal_; }

private:
  int width_;
  int height_;
  double focal_;
};

// A transform that moves by position.
Matrix3 TranslationMatrix(const Point3 &position);
// World-to-camera transform of a camera at eye looking at target, with up
// giving the screen's upward direction (it must not be parallel to the view).
// Identity when eye and target coincide or up is parallel to the view.
Matrix3 LookAtWorldToCam(const Point3 &eye, const Point3 &target,
                         const Point3 &up);
