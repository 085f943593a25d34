#include "imagelib/load_control.h"

#include "imagelib/memory_budget.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tervo::imagelib {
namespace {

// How long a foreground claim waits at most for background loads to give
// back what it needs; they stop between rows, so this is never reached
// unless one hangs.
constexpr auto kForegroundWait = std::chrono::seconds(10);

struct Budget {
    std::mutex mutex;
    std::condition_variable returned;
    int64_t claimed = 0;
    int64_t background = 0;          // the part of `claimed` background loads hold
    int waiting = 0;                 // foreground claims waiting for memory
    std::atomic<bool> yield{false};  // background loads stop while set
};

Budget& budget() {
    static Budget instance;
    return instance;
}

struct ThreadRole {
    const std::atomic<bool>* stop = nullptr;  // set on background threads
    bool gave_up = false;
};
thread_local ThreadRole role;

bool background() { return role.stop != nullptr; }

}  // namespace

bool load_stopped() {
    if (!background()) return false;
    if (role.stop->load(std::memory_order_relaxed) || budget().yield.load(std::memory_order_relaxed)) {
        role.gave_up = true;
        return true;
    }
    return false;
}

BackgroundLoads::BackgroundLoads(const std::atomic<bool>& stop) { role.stop = &stop; }

BackgroundLoads::~BackgroundLoads() { role = ThreadRole{}; }

bool BackgroundLoads::take_gave_up() {
    const bool gave_up = role.gave_up;
    role.gave_up = false;
    return gave_up;
}

MemoryClaim::MemoryClaim(int64_t bytes) : bytes_(bytes < 0 ? 0 : bytes) {
    Budget& b = budget();
    const int64_t total = process_memory_budget();
    std::unique_lock lock(b.mutex);
    const auto fits = [&] { return b.claimed + bytes_ <= total; };
    if (background()) {
        // Never ahead of the window's thread, never past what is free.
        granted_ = b.waiting == 0 && fits() && !load_stopped();
        if (!granted_) role.gave_up = true;
    } else if (bytes_ <= total) {
        // Only background loads are waited for; what this thread or
        // another foreground one holds is not given back soon enough.
        if (!fits() && b.background > 0) {
            ++b.waiting;
            b.yield = true;
            b.returned.wait_for(lock, kForegroundWait, [&] { return fits() || b.background == 0; });
            if (--b.waiting == 0) b.yield = false;
        }
        granted_ = fits();
    }
    if (!granted_) return;
    background_ = background();
    b.claimed += bytes_;
    if (background_) b.background += bytes_;
}

MemoryClaim& MemoryClaim::operator=(MemoryClaim&& other) noexcept {
    if (this != &other) {
        give_back();
        bytes_ = other.bytes_;
        granted_ = other.granted_;
        background_ = other.background_;
        other.bytes_ = 0;
        other.granted_ = false;
    }
    return *this;
}

MemoryClaim::~MemoryClaim() { give_back(); }

void MemoryClaim::give_back() {
    if (!granted_) return;
    Budget& b = budget();
    {
        std::lock_guard lock(b.mutex);
        b.claimed -= bytes_;
        if (background_) b.background -= bytes_;
    }
    granted_ = false;
    b.returned.notify_all();
}

int64_t process_memory_budget() { return kLoadMemoryLimit; }

int64_t memory_claimed() {
    std::lock_guard lock(budget().mutex);
    return budget().claimed;
}

}  // namespace tervo::imagelib
