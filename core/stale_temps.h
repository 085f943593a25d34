// The names of this program's own temporary files and the clean-up of those
// that a killed or crashed run left behind. Plain C++, no Qt.
#pragma once

#include <fcntl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tervo {

// Every temporary file the program names starts with this prefix; the
// leading dot keeps it out of file dialogs and folder listings.
inline constexpr std::string_view kTempPrefix = ".tervo-";

// Who made a temporary file: the process id and the process's start time
// (clock ticks since boot), so that a reused process id is told apart.
struct TempOwner {
    int64_t pid = 0;
    uint64_t start_ticks = 0;
    bool operator==(const TempOwner&) const = default;
};

// The owner to put into the names this process makes.
TempOwner current_temp_owner();

// A short file name (about 40 bytes whatever the target's length):
// prefix, owner and a random part.
std::string make_temp_name(const TempOwner& owner);

// The owner written into one of our names; nothing for any other name.
std::optional<TempOwner> parse_temp_name(std::string_view name);

// True when the process that made the name has ended (a zombie counts as
// ended) or its id now belongs to a process that started at another time.
bool owner_has_ended(const TempOwner& owner);

// Removes the temporary files of ended runs from a folder: only regular
// files with our prefix, owned by the effective user. Returns how many
// were removed. Everything else in the folder is left alone. A relative
// `folder` is taken from the folder open as `base_fd`.
int remove_stale_temps(const std::string& folder, int base_fd = AT_FDCWD);

}  // namespace tervo
