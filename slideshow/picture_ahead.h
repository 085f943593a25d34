// Prepares the next pictures of the show on one worker thread while the
// current one is on show, so that the paint that needs one only puts its
// pixels on the canvas. The worker gets copies of what it needs (keys), never
// the record or the platform; results come back under a mutex.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "slideshow/prepared_picture.h"

namespace tervo {

class PictureAhead {
public:
    // At most this many prepared pictures are held at once.
    static constexpr std::size_t kMaxHeld = 2;
    // How far ahead of the picture on show the worker may go.
    static constexpr std::size_t kLookAhead = 3;
    // The longest a paint waits for the worker.
    static constexpr std::chrono::milliseconds kLongestWait{100};

    // `share_loading`: whether the window's thread may load the next picture
    // itself when paints come faster than the worker follows (off, what the
    // worker makes depends only on the requests).
    explicit PictureAhead(bool share_loading = true);
    // Stops the worker between two rows and joins it; a picture in the
    // making is dropped.
    ~PictureAhead();
    PictureAhead(const PictureAhead&) = delete;
    PictureAhead& operator=(const PictureAhead&) = delete;

    // For the paint: hands over the prepared picture for `current`, if there
    // is one, and asks for `next` (nearest first, at most kLookAhead) to be
    // prepared from now on, pictures for other keys being dropped; without
    // `next` the requests stand as they were. When the worker is making
    // `current` right now, waits for it: that costs less than making it
    // again. Never waits otherwise.
    std::optional<PreparedPicture> take(const PictureKey& current,
                                        const std::optional<std::vector<PictureKey>>& next);

    // Drops every prepared picture and every request; one being made is
    // thrown away when it is done.
    void discard();

    // Waits, at most `limit`, until the worker has nothing left to do; false
    // when it still had when the limit ran out. For checks that need the
    // worker to have finished.
    bool wait_until_idle(std::chrono::milliseconds limit);

    // What the paints found so far, for measuring: a picture ready, one the
    // worker was making (and waited for), or none.
    struct Counts {
        int ready = 0;
        int waited = 0;
        int missing = 0;
    };
    Counts counts() const;

    // How many prepared pictures are held now.
    std::size_t held() const;
    // Whether the picture for `key` is prepared and held.
    bool ready(const PictureKey& key) const;

private:
    void run();
    // The next key to work on, if any; the caller holds the mutex.
    std::optional<PictureKey> next_job() const;
    bool is_ready(const PictureKey& key) const;
    // Stops the picture in the making when no one wants it any more; the
    // caller holds the mutex.
    void stop_unwanted_job();

    mutable std::mutex mutex_;
    std::condition_variable work_;  // wakes the worker
    std::condition_variable done_;  // wakes a paint waiting for a picture
    std::vector<PictureKey> wanted_;
    std::vector<PreparedPicture> ready_;
    std::optional<PictureKey> in_progress_;
    std::optional<PictureKey> awaited_;  // what a paint waits for
    // How often the paints come and how long the worker takes for one
    // picture (moving averages, milliseconds): when paints come faster than
    // the worker alone can follow, the window's thread shares the loading.
    std::chrono::steady_clock::time_point last_take_;
    double paint_gap_ms_ = 1e9;
    double prepare_ms_ = 0;
    bool sharing_ = false;
    bool share_loading_ = true;
    unsigned generation_ = 0;            // changes with every discard
    Counts counts_;
    bool stopping_ = false;
    // Set to stop the worker's load between two rows.
    std::atomic<bool> stop_job_{false};
    std::thread worker_;
};

// The paint's side: the prepared picture for the image at current_index if
// one is held, and the request for the next ones in the direction of play or
// step (none in other states). Nothing when the table is empty or no image
// is chosen. The pictures are made for a device of `device_ratio`.
std::optional<PreparedPicture> take_prepared(PictureAhead& ahead, const AppState& app, Platform& platform,
                                             double device_ratio = 1.0);

}  // namespace tervo
