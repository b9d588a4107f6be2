// The runner's commands; each answers the process exit code.
#pragma once
#include <string>
#include <vector>

#include "host/image_io.h"
#include "host/plugin_host.h"

namespace zarn::host {

int InfoCommand(const PluginHost& host);
int ConfigureCommand(const PluginHost& host, const std::string& configPath);
int AboutCommand(const PluginHost& host);
// The font dialog, starting from the record saved in fontPath or the
// toolkit's default font; OK saves the 60-byte record there for
// `zarn apply text font=FILE`, Cancel writes nothing.
int ConfigureFontCommand(const std::string& fontPath);
// words: OP [key=value...] IN OUT. With a scene file the picture is frame
// `frame` of that scene, rendered by its camera. IN is refused when it
// claims more than limits allow.
int ApplyCommand(const std::vector<std::string>& words, bool progress, const std::string& scenePath = "",
                 long long frame = 0, const io::ReadLimits& limits = {});
int ApplyListCommand();
int GalleryCommand(const std::string& out);
int DemoCommand(const PluginHost& host, const std::string& outDir, bool progress);

// The picture the gallery and the demo start from, drawn with the toolkit.
bool DrawSample(Bitmap& bitmap, int frame, int frames);

}  // namespace zarn::host
