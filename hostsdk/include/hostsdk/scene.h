// The host's scene as the library sees it: nodes found by name, their
// transforms, and how a frame was rendered.
#pragma once
#include "hostsdk/geometry.h"

class INode {
 public:
  // Node-to-world transform at a time; the second argument is the host's
  // validity interval, which the library passes as null.
  virtual Matrix3 GetNodeTM(int time, void* validity) = 0;

 protected:
  ~INode() = default;
};

class Interface {
 public:
  virtual INode* GetINodeByName(const char* name) = 0;

 protected:
  ~Interface() = default;
};

class RenderInfo {
 public:
  virtual ~RenderInfo() = default;
  virtual Point2 MapCamToScreen(const Point3& p) = 0;

  int renderTime = 0;
  Matrix3 worldToCam;
};
