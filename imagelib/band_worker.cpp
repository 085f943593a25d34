#include "imagelib/band_worker.h"

#include <pthread.h>

namespace tervo::imagelib {

BandWorker::BandWorker(std::function<bool(int)> work) : work_(std::move(work)), thread_([this] { run(); }) {
    // Named, so that a profile or a debugger (or a test looking for one
    // left behind) tells it from Qt's pool threads.
    pthread_setname_np(thread_.native_handle(), kThreadName);
}

BandWorker::~BandWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    // A job already running finishes (its pixels are the caller's); one
    // handed over but not begun is dropped.
    thread_.join();
}

bool BandWorker::hand_over(int job) {
    {
        std::unique_lock lock(mutex_);
        if (!wait_locked(lock)) return false;
        job_ = job;
    }
    changed_.notify_all();
    return true;
}

bool BandWorker::wait() {
    std::unique_lock lock(mutex_);
    return wait_locked(lock);
}

bool BandWorker::wait_locked(std::unique_lock<std::mutex>& lock) {
    changed_.wait(lock, [this] { return job_ < 0; });
    return !failed_;
}

void BandWorker::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || job_ >= 0; });
        if (stopping_) return;
        const int job = job_;
        bool ok = false;
        if (!failed_) {
            lock.unlock();
            try {
                ok = work_(job);
            } catch (...) {  // no memory: the picture is lost, not the program
                ok = false;
            }
            lock.lock();
        }
        failed_ = failed_ || !ok;
        job_ = -1;
        changed_.notify_all();
    }
}

}  // namespace tervo::imagelib
