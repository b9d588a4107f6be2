// The scene a sequence was rendered in, read from a small JSON file given
// with --scene: a camera, optionally the frame size, and named nodes with
// positions, fixed or keyed by frame. The runner hands it to filters as the
// host does: the scene as their host interface, and with each frame's
// bitmap a render information of that camera at time = frame number.
//
//   {
//     "camera": {"position": [0, 0, 0], "target": [0, 0, -1],
//                "up": [0, 1, 0], "fov": 90},
//     "frame": {"width": 320, "height": 180},
//     "nodes": [
//       {"name": "ball", "position": [-2, 0.5, -12]},
//       {"name": "bar", "positions": {"0": [3, 2, -40], "5": [3, -1, -40]}}
//     ]
//   }
//
// Camera space looks down -z; fov is the horizontal field of view in
// degrees across the frame's width; up is optional ([0, 1, 0]); frame is
// optional (each image's own size). A keyed node holds each position from
// its frame until the next key (before the first key, the first). Comments
// (// and /* */) are allowed; unknown fields are errors.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/image_io.h"
#include "hostsdk/scene.h"

namespace zarn::host {

struct SceneCamera {
  Point3 position{0, 0, 0};
  Point3 target{0, 0, -1};
  Point3 up{0, 1, 0};
  float fovDegrees = 90.0f;
};

class SceneFile {
 public:
  // The file read and checked; null with one message naming the file and
  // the line and column (JSON syntax) or the field (the rest):
  // "shot.json: nodes[1].position: expected 3 numbers".
  static std::unique_ptr<SceneFile> Read(const std::string& path, std::string& error);
  // The same for text already in memory; name stands for the file.
  static std::unique_ptr<SceneFile> Parse(const std::string& text, const std::string& name,
                                          std::string& error);

  Scene& Nodes() { return scene_; }
  const SceneCamera& Camera() const { return camera_; }
  // The frame size the file names, if it names one.
  const std::optional<std::pair<int, int>>& FrameSize() const { return frame_; }

  // How a width x height frame was rendered at time: this camera, its
  // pinhole projection over the frame. Null with a message when the file
  // names another frame size.
  std::unique_ptr<RenderInfo> RenderInfoFor(int width, int height, int time, std::string& error) const;

 private:
  std::string name_;
  Scene scene_;
  SceneCamera camera_;
  std::optional<std::pair<int, int>> frame_;
};

// Attaches the scene's render information at time to the image and to every
// part of its file, each for its own size; keep holds them while the image
// is in use. False with a message when a size does not fit the scene.
bool AttachScene(io::Image& image, const SceneFile& scene, long long time,
                 std::vector<std::unique_ptr<RenderInfo>>& keep, std::string& error);

}  // namespace zarn::host
