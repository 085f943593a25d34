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
        if (!finish_locked(lock)) return false;
        job_ = job;
    }
    changed_.notify_all();
    return true;
}

bool BandWorker::wait() {
    std::unique_lock lock(mutex_);
    return finish_locked(lock);
}

bool BandWorker::finish_locked(std::unique_lock<std::mutex>& lock) {
    if (job_ >= 0) {
        const int job = job_;
        job_ = -1;
        run_job(job, lock);
    }
    changed_.wait(lock, [this] { return !running_; });
    return !failed_;
}

// Runs `job` unlocked; on either thread.
void BandWorker::run_job(int job, std::unique_lock<std::mutex>& lock) {
    if (failed_) return;
    lock.unlock();
    bool ok = false;
    try {
        ok = work_(job);
    } catch (...) {  // no memory: the picture is lost, not the program
    }
    lock.lock();
    failed_ = failed_ || !ok;
}

void BandWorker::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || job_ >= 0; });
        if (stopping_) return;
        const int job = job_;
        job_ = -1;
        running_ = true;
        run_job(job, lock);
        running_ = false;
        changed_.notify_all();
    }
}

}  // namespace tervo::imagelib
