#include "slideshow/picture_ahead.h"

#include <algorithm>

#include "imagelib/load_control.h"

namespace tervo {
namespace {

// Weight of the newest figure in the moving averages of the pace.
constexpr double kSmoothing = 0.3;

}  // namespace

PictureAhead::PictureAhead(bool share_loading) : share_loading_(share_loading), worker_([this] { run(); }) {}

PictureAhead::~PictureAhead() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        stop_job_ = true;
    }
    work_.notify_all();
    worker_.join();
}

bool PictureAhead::is_ready(const PictureKey& key) const {
    return std::any_of(ready_.begin(), ready_.end(), [&](const PreparedPicture& p) { return p.key == key; });
}

std::optional<PictureKey> PictureAhead::next_job() const {
    if (ready_.size() >= kMaxHeld) return std::nullopt;
    std::vector<const PictureKey*> missing;
    for (const PictureKey& key : wanted_)
        if (!is_ready(key) && !(in_progress_ && *in_progress_ == key)) missing.push_back(&key);
    if (missing.empty()) return std::nullopt;
    // When the show goes faster than the worker alone can follow, the
    // window's thread loads the first missing picture itself before the
    // worker could: the worker takes the one after it, so that both cores
    // make a different picture.
    if (sharing_ && missing.size() > 1) return *missing[1];
    return *missing.front();
}

void PictureAhead::stop_unwanted_job() {
    if (!in_progress_) return;
    const bool wanted = std::find(wanted_.begin(), wanted_.end(), *in_progress_) != wanted_.end();
    if (!wanted && !(awaited_ && *awaited_ == *in_progress_)) stop_job_ = true;
}

void PictureAhead::run() {
    // The worker's loads give way to the window's thread: they take memory
    // only when it is free, and stop between rows when told to.
    const imagelib::BackgroundLoads background(stop_job_);
    std::unique_lock lock(mutex_);
    for (;;) {
        work_.wait(lock, [this] { return stopping_ || next_job().has_value(); });
        if (stopping_) return;
        const PictureKey key = *next_job();
        const unsigned generation = generation_;
        in_progress_ = key;
        stop_job_ = false;
        lock.unlock();
        const auto started = std::chrono::steady_clock::now();
        PreparedPicture picture = prepare_picture(key);
        // A load that gave up (stopped, or short of memory) is kept as a
        // picture the paint never uses, so that it is not tried again and
        // again: the paint loads the file itself.
        if (imagelib::BackgroundLoads::take_gave_up()) picture.identity.reset();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - started;
        lock.lock();
        prepare_ms_ = prepare_ms_ == 0 ? took.count() : kSmoothing * took.count() + (1 - kSmoothing) * prepare_ms_;
        in_progress_.reset();
        const bool wanted = std::find(wanted_.begin(), wanted_.end(), key) != wanted_.end();
        const bool awaited = awaited_ && *awaited_ == key;
        if (generation == generation_ && (wanted || awaited) && !is_ready(key)) {
            if (ready_.size() >= kMaxHeld) ready_.erase(ready_.begin());
            ready_.push_back(std::move(picture));
        }
        done_.notify_all();
    }
}

std::optional<PreparedPicture> PictureAhead::take(const PictureKey& current,
                                                const std::optional<std::vector<PictureKey>>& next) {
    std::unique_lock lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    if (last_take_ != std::chrono::steady_clock::time_point{}) {
        const std::chrono::duration<double, std::milli> gap = now - last_take_;
        paint_gap_ms_ = paint_gap_ms_ >= 1e9 ? gap.count() : kSmoothing * gap.count() + (1 - kSmoothing) * paint_gap_ms_;
    }
    last_take_ = now;
    sharing_ = share_loading_ && paint_gap_ms_ < prepare_ms_;
    if (next) {
        wanted_.clear();
        for (const PictureKey& key : *next)
            if (wanted_.size() < kLookAhead && std::find(wanted_.begin(), wanted_.end(), key) == wanted_.end())
                wanted_.push_back(key);
    }
    std::erase_if(wanted_, [&](const PictureKey& key) { return key.path == current.path; });
    const bool was_ready = is_ready(current);
    if (in_progress_ && *in_progress_ == current) {
        ++counts_.waited;
        awaited_ = current;
        done_.wait_for(lock, kLongestWait, [&] { return !(in_progress_ && *in_progress_ == current); });
        awaited_.reset();
    }
    stop_unwanted_job();
    std::optional<PreparedPicture> found;
    auto it = std::find_if(ready_.begin(), ready_.end(), [&](const PreparedPicture& p) { return p.key == current; });
    if (it != ready_.end()) {
        found = std::move(*it);
        ready_.erase(it);
        if (was_ready) ++counts_.ready;
    } else {
        ++counts_.missing;
    }
    // Keep only what is still wanted.
    std::erase_if(ready_, [&](const PreparedPicture& p) {
        return std::find(wanted_.begin(), wanted_.end(), p.key) == wanted_.end();
    });
    lock.unlock();
    work_.notify_all();
    return found;
}

void PictureAhead::discard() {
    std::lock_guard lock(mutex_);
    sharing_ = false;
    wanted_.clear();
    ready_.clear();
    ++generation_;
    stop_unwanted_job();
}

bool PictureAhead::wait_until_idle(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return done_.wait_for(lock, limit, [this] { return !in_progress_ && !next_job(); });
}

PictureAhead::Counts PictureAhead::counts() const {
    std::lock_guard lock(mutex_);
    return counts_;
}

std::size_t PictureAhead::held() const {
    std::lock_guard lock(mutex_);
    return ready_.size();
}

bool PictureAhead::ready(const PictureKey& key) const {
    std::lock_guard lock(mutex_);
    return is_ready(key);
}

namespace {

int32_t wrapped(int32_t index, int32_t count) { return ((index % count) + count) % count; }

int32_t direction_of(PlayState play_state) {
    switch (play_state) {
    case PlayState::PlayForward:
    case PlayState::StepForward: return 1;
    case PlayState::PlayBackward:
    case PlayState::StepBackward: return -1;
    default: return 0;
    }
}

}  // namespace

std::optional<PreparedPicture> take_prepared(PictureAhead& ahead, const AppState& app, Platform& platform,
                                             double device_ratio) {
    const ViewState& view = app.view;
    const int32_t count = app.files.file_count;
    if (view.current_index < 0 || view.current_index >= count) return std::nullopt;
    const ClientSize client = platform.client_size();
    std::optional<std::vector<PictureKey>> next;
    if (const int32_t direction = direction_of(view.play_state); direction != 0) {
        // Every play and step command and every tick clear scale_fixed
        // before the paint that shows the next picture.
        next.emplace();
        for (int32_t ahead_by = 1; ahead_by <= static_cast<int32_t>(PictureAhead::kLookAhead); ++ahead_by) {
            const int32_t index = wrapped(view.current_index + direction * ahead_by, count);
            if (index == view.current_index) break;  // around the table and back: the picture on show
            next->push_back(picture_key(app, client, index, 0, device_ratio));
        }
    }
    return ahead.take(picture_key(app, client, view.current_index, view.scale_fixed, device_ratio), next);
}

}  // namespace tervo
