// The settings reader on arbitrary file bytes: no crash, no overrun, and
// the same result whether the bytes arrive at once or in 512-byte pieces.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/settings_file.h"

namespace {

tervo::AppState parse(std::string_view bytes, std::size_t piece) {
    tervo::AppState app;
    tervo::SettingsLineReader reader(app);
    for (std::size_t at = 0; at < bytes.size(); at += piece) reader.feed(bytes.substr(at, piece));
    reader.finish();
    return app;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto whole = parse(bytes, size ? size : 1);
    auto pieces = parse(bytes, 512);
    if (whole.settings.file_select != pieces.settings.file_select ||
        whole.settings.pl_timeno != pieces.settings.pl_timeno || whole.settings.psize != pieces.settings.psize ||
        tervo::text_of(whole.settings.folder) != tervo::text_of(pieces.settings.folder))
        std::abort();
    if (tervo::text_of(whole.settings.folder).size() > tervo::kMaxFolderBytes) std::abort();
    return 0;
}
