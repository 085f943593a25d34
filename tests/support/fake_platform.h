// A recording stand-in for the window system.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/platform.h"

namespace tervo::testing {

struct RecordedMessage {
    WindowHandle owner;
    std::string text;
    std::string title;
    MessageIcon icon;
};

class FakePlatform : public Platform {
public:
    // --- what the program asked for -------------------------------------
    std::vector<RecordedMessage> messages;
    bool timer_running = false;
    int timer_period = -1;
    int timer_starts = 0;
    int timer_stops = 0;
    std::vector<bool> repaints;  // the erase flag of each repaint
    std::vector<int> status_edges;
    std::vector<std::string> status_texts;
    int status_updates = 0;
    std::vector<std::string> folder_requests;  // the initial folder of each chooser
    std::vector<FileDialogRequest> open_requests;
    std::vector<FileDialogRequest> save_requests;
    std::vector<std::string> urls;
    std::vector<ToolWindow> tool_windows;
    int main_window_closes = 0;
    int prepared_discards = 0;

    // --- what the fake answers ---------------------------------------------
    ClientSize size{1034, 865};
    std::deque<std::optional<std::string>> folder_answers;
    std::deque<std::optional<OpenFilesResult>> open_answers;
    std::deque<std::optional<std::string>> save_answers;
    bool url_handler_available = true;
    // Runs on every repaint (tests hook the paint routine in here).
    std::function<void(bool erase)> on_repaint;
    std::function<void(ToolWindow)> on_tool_window;
    // Stands for the main window as the owner of its procedures' messages.
    WindowHandle main_window_tag{0x3a1};
    std::function<void()> on_discard_prepared;

    WindowHandle main_window() override { return main_window_tag; }
    void message_box(WindowHandle owner, const std::string& text, const std::string& title,
                     MessageIcon icon) override {
        messages.push_back({owner, text, title, icon});
    }
    void start_play_timer(int period_ms) override {
        timer_running = true;
        timer_period = period_ms;
        ++timer_starts;
    }
    void stop_play_timer() override {
        timer_running = false;
        ++timer_stops;
    }
    void repaint(bool erase) override {
        repaints.push_back(erase);
        if (on_repaint) on_repaint(erase);
    }
    ClientSize client_size() override { return size; }
    void set_status_bar(const std::vector<int>& edges, const std::vector<std::string>& texts) override {
        status_edges = edges;
        status_texts = texts;
        ++status_updates;
    }
    std::optional<std::string> choose_folder(const std::string&, const std::string& initial) override {
        folder_requests.push_back(initial);
        return pop(folder_answers);
    }
    std::optional<OpenFilesResult> open_files(const FileDialogRequest& request) override {
        open_requests.push_back(request);
        return pop(open_answers);
    }
    std::optional<std::string> save_file(const FileDialogRequest& request) override {
        save_requests.push_back(request);
        return pop(save_answers);
    }
    bool open_url(const std::string& url) override {
        urls.push_back(url);
        return url_handler_available;
    }
    void open_tool_window(ToolWindow which) override {
        tool_windows.push_back(which);
        if (on_tool_window) on_tool_window(which);
    }
    void close_main_window() override { ++main_window_closes; }
    void discard_prepared_pictures() override {
        ++prepared_discards;
        if (on_discard_prepared) on_discard_prepared();
    }

    const RecordedMessage* last_message() const { return messages.empty() ? nullptr : &messages.back(); }

private:
    template <typename T>
    static std::optional<T> pop(std::deque<std::optional<T>>& answers) {
        if (answers.empty()) return std::nullopt;
        std::optional<T> answer;
        answer.swap(answers.front());
        answers.pop_front();
        return answer;
    }
};

}  // namespace tervo::testing
