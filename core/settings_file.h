// "Tervo.ini": the four settings kept between runs, as CR LF lines in the
// directory the program was launched from.
#pragma once

#include <string>
#include <string_view>

#include "core/app_state.h"
#include "core/file_replace.h"

namespace tervo {

inline constexpr const char* kSettingsFileName = "Tervo.ini";

// Limits of what the reader accepts: longer lines and numbers are cut, a
// longer folder is ignored; nothing is overflowed.
constexpr std::size_t kMaxLineBytes = 511;      // a line's text without its line end
constexpr std::size_t kMaxIntegerChars = 31;    // characters read after "file_select=" etc.
constexpr std::size_t kMaxFolderBytes = kNameBytes - 1;  // longest read_foldername kept

// The settings file is `file_name` in the directory the program was started
// from: the one the record holds open (see start_directory.h), which keeps
// a rename or move of it while the program runs from losing the settings;
// when none is held, the one start_directory names; when that is empty or
// `file_name` is absolute, the current one. The working directory is never
// changed.
//
// The path that names the file in messages, with the start directory's
// present name.
std::string settings_path(const AppState& app, const char* file_name);

// Reads the settings file (creating it empty when missing) into the record.
// Fails with the reason when the file cannot be opened, is not a regular
// file (a pipe, a folder, a link that names nothing: EINVAL, EISDIR, ELOOP)
// or cannot be read to its end (the lines read before stay stored).
[[nodiscard]] FileResult read_settings_file(AppState& app, const char* file_name);

// Stores the value of one line (without its line end) when it starts with a key.
void parse_settings_line(AppState& app, std::string_view line);

// Splits settings text arriving in pieces into lines and parses each. Feeding
// the same bytes in pieces of any size gives the same result.
class SettingsLineReader {
public:
    explicit SettingsLineReader(AppState& app) : app_(app) {}
    void feed(std::string_view bytes);
    // Parses a last line that has no line end.
    void finish();

private:
    void end_line();
    AppState& app_;
    std::string line_;
    bool line_overlong_ = false;
};

// The bytes the writer puts into the file: four CR LF lines.
std::string format_settings(const AppState& app);

// Writes the file atomically (see replace_file): a failure keeps the
// previous file, and a link named like the file is written through to the
// file it names. Fails with the reason when nothing could be saved, a link
// that names nothing included.
[[nodiscard]] FileResult write_settings_file(const AppState& app, const char* file_name);

// Reads a decimal integer the way the settings and dialogs do: leading white
// space, an optional sign, digits up to the first other character; 0 when
// there are none. Wraps like a 32-bit value instead of overflowing.
int32_t read_decimal(std::string_view text);

}  // namespace tervo
