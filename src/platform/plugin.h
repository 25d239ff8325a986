#pragma once
// The heavy library families (FFmpeg for video, Pango, Cairo and FreeImage for pictures)
// are built into plugins of our own, loaded the first time a command uses them: a command
// that converts text files starts without the hundred-odd libraries they pull in.
//
// A plugin is a shared module that exports one C function returning its table of entry
// points; the table's type is declared by the module that forwards to it
// (video/video_plugin.h, imaging/imaging_plugin.h). Plugin and program come from the same
// build, so the table carries C++ types.
#include <string>
#include <string_view>

namespace kipo {

// Loads `file` (e.g. "kipo-video.so") once and returns what its function `entry` returns.
// Looked for in $KIPO_PLUGIN_DIR, beside the program, in ../lib/kipo from the program, and
// in the build folder it was built in. Throws UserError naming `what` ("the video
// libraries") and the loader's reason when the plugin or one of its libraries is missing.
const void* LoadPluginTable(std::string_view file, const char* entry, std::string_view what);

// Folders searched, in order (for messages and tests).
std::string PluginSearchPath();

}  // namespace kipo
