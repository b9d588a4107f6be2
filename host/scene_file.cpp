#include "host/scene_file.h"

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <set>

namespace zarn::host {
namespace {

using Json = nlohmann::json;

// A field that is wrong; what() is "path: why".
struct Bad {
  std::string message;
};

[[noreturn]] void Fail(const std::string& path, const std::string& why) { throw Bad{path + ": " + why}; }

std::string Join(std::initializer_list<const char*> names) {
  std::string text;
  for (const char* n : names) text += (text.empty() ? "" : ", ") + std::string(n);
  return text;
}

// An object whose fields are all among names; path is empty for the top.
void ExpectObject(const Json& value, const std::string& path, std::initializer_list<const char*> names) {
  const std::string owner = path.empty() ? "the top level" : path;
  if (!value.is_object()) Fail(owner, "expected an object with " + Join(names));
  for (const auto& item : value.items()) {
    bool known = false;
    for (const char* n : names) known = known || item.key() == n;
    if (!known)
      Fail((path.empty() ? "" : path + ".") + item.key(),
           "unknown field (" + owner + " has " + Join(names) + ")");
  }
}

// A finite number that a 32-bit float holds.
float Number(const Json& value, const std::string& path) {
  if (!value.is_number()) Fail(path, "expected a number");
  const double v = value.get<double>();
  if (!std::isfinite(v) || std::fabs(v) > FLT_MAX) Fail(path, "out of range for a 32-bit float");
  return static_cast<float>(v);
}

Point3 Point(const Json& value, const std::string& path) {
  if (!value.is_array() || value.size() != 3 ||
      std::any_of(value.begin(), value.end(), [](const Json& v) { return !v.is_number(); }))
    Fail(path, "expected 3 numbers");
  return Point3(Number(value[0], path + "[0]"), Number(value[1], path + "[1]"),
                Number(value[2], path + "[2]"));
}

int Whole(const Json& value, const std::string& path, long long lo, long long hi) {
  const std::string range = std::to_string(lo) + " to " + std::to_string(hi);
  if (!value.is_number_integer()) Fail(path, "expected a whole number, " + range);
  const long long v = value.is_number_unsigned() && value.get<unsigned long long>() > LLONG_MAX
                          ? LLONG_MAX
                          : value.get<long long>();
  if (v < lo || v > hi) Fail(path, std::to_string(v) + " is not " + range);
  return static_cast<int>(v);
}

// A frame number written as a key: an optional minus and digits, within int.
int FrameKey(const std::string& key, const std::string& path) {
  const bool digits = !key.empty() && key.find_first_not_of("-0123456789") == std::string::npos &&
                      key.find('-', 1) == std::string::npos && key != "-";
  errno = 0;
  const long long v = digits ? std::strtoll(key.c_str(), nullptr, 10) : 0;
  if (!digits || errno == ERANGE || v < INT_MIN || v > INT_MAX)
    Fail(path + "." + key, "expected a frame number as the key");
  return static_cast<int>(v);
}

struct Vec {
  double x, y, z;
};
Vec Minus(const Point3& a, const Point3& b) {
  return {double(a.x) - b.x, double(a.y) - b.y, double(a.z) - b.z};
}
double Norm(const Vec& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

SceneCamera ReadCamera(const Json& value) {
  ExpectObject(value, "camera", {"position", "target", "up", "fov"});
  SceneCamera camera;
  for (const char* required : {"position", "target", "fov"})
    if (!value.contains(required)) Fail(std::string("camera.") + required, "missing");
  camera.position = Point(value["position"], "camera.position");
  camera.target = Point(value["target"], "camera.target");
  if (value.contains("up")) camera.up = Point(value["up"], "camera.up");
  camera.fovDegrees = Number(value["fov"], "camera.fov");
  if (!(camera.fovDegrees > 0.0f && camera.fovDegrees < 180.0f))
    Fail("camera.fov", "expected degrees above 0 and below 180");
  const Vec view = Minus(camera.target, camera.position);
  const double length = Norm(view);
  if (!(length > 0.0) || !std::isfinite(length)) Fail("camera.target", "the same point as camera.position");
  // The up direction must leave the view a sideways direction.
  const Vec up{camera.up.x, camera.up.y, camera.up.z};
  const Vec side{up.y * view.z - up.z * view.y, up.z * view.x - up.x * view.z, up.x * view.y - up.y * view.x};
  if (!(Norm(side) > 1e-6 * Norm(up) * length)) Fail("camera.up", "zero or along the view direction");
  return camera;
}

void ReadNodes(const Json& value, Scene& scene) {
  if (!value.is_array()) Fail("nodes", "expected a list of nodes");
  std::set<std::string> names;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const std::string path = "nodes[" + std::to_string(i) + "]";
    const Json& node = value[i];
    ExpectObject(node, path, {"name", "position", "positions"});
    if (!node.contains("name") || !node["name"].is_string() || node["name"].get<std::string>().empty())
      Fail(path + ".name", "expected the node's name");
    const std::string name = node["name"].get<std::string>();
    if (!names.insert(name).second) Fail(path + ".name", "a second node called " + name);
    const bool fixed = node.contains("position"), keyed = node.contains("positions");
    if (fixed == keyed) Fail(path, "expected position or positions (by frame), one of the two");
    if (fixed) {
      scene.PlaceNode(name, Point(node["position"], path + ".position"));
      continue;
    }
    const Json& keys = node["positions"];
    if (!keys.is_object() || keys.empty())
      Fail(path + ".positions", "expected frame numbers with a position each, {\"0\": [x, y, z]}");
    std::set<int> frames;
    for (const auto& item : keys.items()) {
      const int frame = FrameKey(item.key(), path + ".positions");
      if (!frames.insert(frame).second)
        Fail(path + ".positions." + item.key(), "a second key for that frame");
      scene.PlaceNode(name, Point(item.value(), path + ".positions." + item.key()), frame);
    }
  }
}

// "[json.exception.parse_error.101] parse error at line 3, column 3: why"
// gives "why".
std::string Reason(const std::string& what) {
  std::size_t at = what.find("column ");
  at = at == std::string::npos ? std::string::npos : what.find(": ", at);
  if (at == std::string::npos) {
    at = what.find("] ");
    return at == std::string::npos ? what : what.substr(at + 2);
  }
  return what.substr(at + 2);
}

}  // namespace

std::unique_ptr<SceneFile> SceneFile::Read(const std::string& path, std::string& error) {
  std::vector<std::uint8_t> bytes;
  std::string why;
  if (!io::ReadFile(path, bytes, why)) {
    error = path + ": " + why;
    return nullptr;
  }
  return Parse(std::string(bytes.begin(), bytes.end()), path, error);
}

std::unique_ptr<SceneFile> SceneFile::Parse(const std::string& text, const std::string& name,
                                            std::string& error) {
  Json doc;
  try {
    doc = Json::parse(text, nullptr, true, true);
  } catch (const Json::parse_error& e) {
    // byte counts the characters read, the one that failed included.
    const std::size_t at = std::min<std::size_t>(e.byte > 0 ? e.byte - 1 : 0, text.size());
    const std::size_t lineStart = at == 0 ? std::string::npos : text.rfind('\n', at - 1);
    const std::size_t line = 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + at, '\n'));
    const std::size_t column = lineStart == std::string::npos ? at + 1 : at - lineStart;
    error = name + ":" + std::to_string(line) + ":" + std::to_string(column) +
            ": not valid JSON: " + Reason(e.what());
    return nullptr;
  } catch (const Json::exception& e) {
    error = name + ": not valid JSON: " + Reason(e.what());
    return nullptr;
  }
  auto scene = std::make_unique<SceneFile>();
  scene->name_ = name;
  try {
    ExpectObject(doc, "", {"camera", "frame", "nodes"});
    if (!doc.contains("camera")) Fail("camera", "missing");
    scene->camera_ = ReadCamera(doc["camera"]);
    if (doc.contains("frame")) {
      const Json& frame = doc["frame"];
      ExpectObject(frame, "frame", {"width", "height"});
      if (!frame.contains("width")) Fail("frame.width", "missing");
      if (!frame.contains("height")) Fail("frame.height", "missing");
      scene->frame_ = std::make_pair(Whole(frame["width"], "frame.width", 1, 65535),
                                     Whole(frame["height"], "frame.height", 1, 65535));
    }
    if (doc.contains("nodes")) ReadNodes(doc["nodes"], scene->scene_);
  } catch (const Bad& bad) {
    error = name + ": " + bad.message;
    return nullptr;
  }
  return scene;
}

std::unique_ptr<RenderInfo> SceneFile::RenderInfoFor(int width, int height, int time,
                                                     std::string& error) const {
  if (frame_ && (frame_->first != width || frame_->second != height)) {
    error = name_ + ": frame is " + std::to_string(frame_->first) + " x " + std::to_string(frame_->second) +
            ", the image " + std::to_string(width) + " x " + std::to_string(height);
    return nullptr;
  }
  auto info = std::make_unique<CameraRenderInfo>(width, height, camera_.fovDegrees);
  info->renderTime = time;
  info->worldToCam = LookAtWorldToCam(camera_.position, camera_.target, camera_.up);
  return info;
}

bool AttachScene(io::Image& image, const SceneFile& scene, long long time,
                 std::vector<std::unique_ptr<RenderInfo>>& keep, std::string& error) {
  if (time < INT_MIN || time > INT_MAX) {
    error = "frame " + std::to_string(time) + " is beyond the scene's times";
    return false;
  }
  std::unique_ptr<RenderInfo> info =
      scene.RenderInfoFor(image.width, image.height, static_cast<int>(time), error);
  if (!info) return false;
  image.storage->SetRenderInfo(info.get());
  keep.push_back(std::move(info));
  // Other parts and levels of the file: a named frame size fits only
  // those of the frame's own size.
  for (io::Image& layer : image.exrLayers) {
    if (scene.FrameSize() && (layer.width != image.width || layer.height != image.height)) continue;
    if (!AttachScene(layer, scene, time, keep, error)) return false;
  }
  return true;
}

}  // namespace zarn::host
