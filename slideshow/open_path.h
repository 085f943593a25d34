// Opening a folder or a picture handed to the program from outside: the
// command-line argument, the desktop's "Open with" (which passes it as the
// argument) or a drop onto the main window.
#pragma once

#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/platform.h"

namespace tervo {

enum class OpenedFrom { CommandLine, Drop };

// The caption of the messages about a path that cannot be opened.
const char* open_caption(OpenedFrom from);

// Opens the first of `paths` (bytes as the system gives them, relative ones
// taken from the working directory):
// - a folder becomes `folder` and is scanned as a folder chosen by the user,
//   then shows its first picture, Stopped on it;
// - a picture opens its folder and is shown at once, Stopped on it, so that
//   the next play or step goes on from it. The table is the folder's usual
//   scan when that lists the picture; otherwise the folder is scanned for the
//   picture's own type only (a WebP, AVIF, HEIF, TIFF or JPEG XL picture by
//   its type's extensions, which no filter entry lists), and a picture still not listed is put into the
//   table (into its last slot when it is full). `file_select` never changes.
// Anything else gets a message naming the path (also on stderr) and changes
// nothing. The other paths are not opened: those in the opened folder are in
// its table, the rest get one message. What the command line opens is not
// drawn here: the window's first paint shows it.
// Returns true when a folder or picture was opened; no paths at all return
// false without a message.
bool open_outside_paths(AppState& app, Platform& platform, const std::vector<std::string>& paths,
                        OpenedFrom from);

// `path` shortened to `longest` characters by an ellipsis in its middle.
std::string elided_path(const std::string& path, std::size_t longest);

// The scan pattern (1 bmp, 2 jpg, 3 gif, 4 png) whose extension the name
// ends in, letter case ignored; 0 for any other name.
int pattern_of_name(const std::string& name);

// `path` as an absolute path without "." components, doubled or trailing
// separators; ".." components are resolved through the file system, since a
// symbolic link before them decides where they lead. Relative paths are taken
// from the working directory. Empty when that cannot be known.
std::string absolute_path(const std::string& path);

}  // namespace tervo
