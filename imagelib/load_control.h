// What every load shares with the others running in the process: one memory
// budget, and the right of the window's thread to go first. Loads made ahead
// on a background thread take memory only when it is to spare, and stop
// between rows when asked to or when the window's thread is short.
#pragma once

#include <atomic>
#include <cstdint>

namespace tervo::imagelib {

// Whether the load running on the calling thread is to stop now: its own
// thread was told to, or it runs in the background while the window's
// thread waits for memory. Always false on other threads.
bool load_stopped();

// Makes the calling thread a background loader while the object lives: its
// loads stop once `stop` is set, and give up instead of waiting for memory.
class BackgroundLoads {
public:
    explicit BackgroundLoads(const std::atomic<bool>& stop);
    ~BackgroundLoads();
    BackgroundLoads(const BackgroundLoads&) = delete;
    BackgroundLoads& operator=(const BackgroundLoads&) = delete;

    // Whether a load on this thread gave up (stopped, or refused memory)
    // since the last call; clears it.
    static bool take_gave_up();
};

// Bytes taken from the process's budget, given back when the claim goes.
// A background thread gets them only when they are free; any other thread,
// when short, stops the background loads and waits for their bytes (never
// for long: they stop between rows), and gets nothing when what other
// foreground loads hold leaves too little.
class MemoryClaim {
public:
    MemoryClaim() = default;
    explicit MemoryClaim(int64_t bytes);
    ~MemoryClaim();
    MemoryClaim(MemoryClaim&& other) noexcept
        : bytes_(other.bytes_), granted_(other.granted_), background_(other.background_) {
        other.bytes_ = 0;
        other.granted_ = false;
    }
    MemoryClaim& operator=(MemoryClaim&& other) noexcept;
    MemoryClaim(const MemoryClaim&) = delete;
    MemoryClaim& operator=(const MemoryClaim&) = delete;

    explicit operator bool() const { return granted_; }
    int64_t bytes() const { return bytes_; }

private:
    void give_back();
    int64_t bytes_ = 0;
    bool granted_ = false;
    // Made by a background load: counted as such until given back, on
    // whichever thread that happens.
    bool background_ = false;
};

// The budget all loads of the process share, and what is claimed of it now.
int64_t process_memory_budget();
int64_t memory_claimed();

}  // namespace tervo::imagelib
