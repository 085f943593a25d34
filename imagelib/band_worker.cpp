#include "imagelib/band_worker.h"

#include <QRunnable>
#include <QThreadPool>

namespace tervo::imagelib {

// One runnable, started again for every job: the pool never owns it, so it
// can be taken back from the queue and outlives none of its starts.
class BandWorker::Task : public QRunnable {
public:
    explicit Task(BandWorker& worker) : worker_(worker) { setAutoDelete(false); }
    void run() override { worker_.run_in_pool(); }

private:
    BandWorker& worker_;
};

BandWorker::BandWorker(std::function<bool(int)> work)
    : work_(std::move(work)), task_(std::make_unique<Task>(*this)) {}

BandWorker::~BandWorker() {
    std::unique_lock lock(mutex_);
    job_ = -1;  // dropped: its pixels are the caller's, and no longer wanted
    take_back_task(lock);
    // A start already running finishes its job (it reads the caller's band)
    // and touches nothing of this once it has said so.
    changed_.wait(lock, [this] { return in_pool_ == 0; });
}

bool BandWorker::hand_over(int job) {
    std::unique_lock lock(mutex_);
    if (!finish_locked(lock)) return false;
    job_ = job;
    // A start that has not yet looked for work will find this job; else
    // the task goes back into the pool. Without a pool (the program
    // ending) the job waits for the caller to take it back.
    QThreadPool* pool = QThreadPool::globalInstance();
    if (in_pool_ == 0 && pool != nullptr) {
        ++in_pool_;
        pool->start(task_.get());
    }
    return true;
}

bool BandWorker::wait() {
    std::unique_lock lock(mutex_);
    return finish_locked(lock);
}

bool BandWorker::finish_locked(std::unique_lock<std::mutex>& lock) {
    if (job_ >= 0) {
        // Not begun: the caller does it instead of waiting for the pool.
        const int job = job_;
        job_ = -1;
        take_back_task(lock);
        run_job(job, lock);
    }
    changed_.wait(lock, [this] { return !running_; });
    return !failed_;
}

// The task out of the pool's queue if no thread has taken it yet.
void BandWorker::take_back_task(std::unique_lock<std::mutex>&) {
    QThreadPool* pool = QThreadPool::globalInstance();
    if (in_pool_ > 0 && pool != nullptr && pool->tryTake(task_.get())) --in_pool_;
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

void BandWorker::run_in_pool() {
    std::unique_lock lock(mutex_);
    while (job_ >= 0) {
        const int job = job_;
        job_ = -1;
        running_ = true;
        run_job(job, lock);
        running_ = false;
        changed_.notify_all();
    }
    --in_pool_;
    changed_.notify_all();
}

}  // namespace tervo::imagelib
