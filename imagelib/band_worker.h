// A second thread that shrinks the bands of a picture while its decoder
// goes on with the next ones.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class QRunnable;

namespace tervo::imagelib {

// Runs jobs, named by a small number (the band buffer they read), one at a
// time on a thread of Qt's global pool. hand_over() first finishes the job
// before it, so at most one job runs while the caller fills the next
// buffer: the buffer of any earlier job is free again. A job no pool thread
// has begun by then (a busy machine or a busy pool) is taken back and run
// by the caller itself rather than waited for, so the worker never makes
// the work slower than doing it all on one thread, and never waits on the
// pool. Once a job fails the later ones are skipped. When the worker is
// destroyed, on any path out of a decode, nothing of it runs or waits in
// the pool any more.
class BandWorker {
public:
    explicit BandWorker(std::function<bool(int)> work);
    ~BandWorker();
    BandWorker(const BandWorker&) = delete;
    BandWorker& operator=(const BandWorker&) = delete;

    // Finishes the job before, then hands `job` to the pool; false (and
    // `job` not started) when a job failed.
    bool hand_over(int job);
    // Finishes the job handed over last; false when any job failed.
    bool wait();

private:
    class Task;

    void run_in_pool();
    bool finish_locked(std::unique_lock<std::mutex>& lock);
    void run_job(int job, std::unique_lock<std::mutex>& lock);
    void take_back_task(std::unique_lock<std::mutex>& lock);

    std::function<bool(int)> work_;
    std::unique_ptr<QRunnable> task_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int job_ = -1;          // handed over, not yet begun
    bool running_ = false;  // a pool thread is on a job
    int in_pool_ = 0;       // starts of task_ still queued or running
    bool failed_ = false;
};

}  // namespace tervo::imagelib
