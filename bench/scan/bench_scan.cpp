// Folder scan of 20,000 entries, against a bare directory listing of the
// same folder measured in the same run.
#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "slideshow/folder_scan.h"

namespace {

class NullPlatform : public tervo::Platform {
public:
    tervo::WindowHandle main_window() override { return nullptr; }
    void message_box(tervo::WindowHandle, const std::string&, const std::string&, tervo::MessageIcon) override {}
    void start_play_timer(int) override {}
    void stop_play_timer() override {}
    void repaint(bool) override {}
    tervo::ClientSize client_size() override { return {}; }
    void set_status_bar(const std::vector<int>&, const std::vector<std::string>&) override {}
    std::optional<std::string> choose_folder(const std::string&, const std::string&) override { return {}; }
    std::optional<tervo::OpenFilesResult> open_files(const tervo::FileDialogRequest&) override { return {}; }
    std::optional<std::string> save_file(const tervo::FileDialogRequest&) override { return {}; }
    bool open_url(const std::string&) override { return false; }
    void open_tool_window(tervo::ToolWindow) override {}
    void close_main_window() override {}
};

template <typename F>
double median_ms(F&& run, int rounds = 15) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        auto start = std::chrono::steady_clock::now();
        run();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main() {
    auto dir = std::filesystem::temp_directory_path() / "tervo-bench-scan";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const char* extensions[] = {"bmp", "JPG", "gif", "png", "txt"};
    for (int i = 0; i < 20000; ++i)
        std::ofstream(dir / ("IMG_" + std::to_string(i) + "." + extensions[i % 5]));

    NullPlatform platform;
    double listing = median_ms([&] {
        DIR* d = opendir(dir.c_str());
        int n = 0;
        while (readdir(d)) ++n;
        closedir(d);
        if (n < 20000) std::puts("short listing");
    });
    for (int filter : {0, 2}) {
        auto* app = new tervo::AppState;
        tervo::set_text(app->settings.folder, dir.string());
        app->settings.file_select = filter;
        double scan = median_ms([&] { tervo::rescan_folder(*app, platform); });
        std::printf("scan of 20000 entries, file_select %d: %.2f ms median (%d names); bare listing %.2f ms; "
                    "ratio %.1fx\n",
                    filter, scan, app->files.file_count, listing, scan / listing);
        delete app;
    }
    std::filesystem::remove_all(dir);
}
