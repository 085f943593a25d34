// A second thread that shrinks the bands of a picture while its decoder
// goes on with the next ones.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace tervo::imagelib {

// Runs jobs, named by a small number (the band buffer they read), one at a
// time on a thread of its own. hand_over() first finishes the job before
// it, so at most one job runs while the caller fills the next buffer: the
// buffer of any earlier job is free again. A job the thread has not begun
// by then (a busy machine gave it no core) is run by the caller itself
// rather than waited for, so a second thread never makes the work slower
// than doing it all on one. Once a job fails the later ones are skipped.
// The thread ends, and is joined, when the worker is destroyed, on every
// path out of a decode.
class BandWorker {
public:
    static constexpr const char* kThreadName = "imgctl-shrink";

    // Starts the thread; throws std::system_error when there is none to be
    // had.
    explicit BandWorker(std::function<bool(int)> work);
    ~BandWorker();
    BandWorker(const BandWorker&) = delete;
    BandWorker& operator=(const BandWorker&) = delete;

    // Finishes the job before, then starts `job`; false (and `job` not
    // started) when a job failed.
    bool hand_over(int job);
    // Finishes the job handed over last; false when any job failed.
    bool wait();

private:
    void run();
    bool finish_locked(std::unique_lock<std::mutex>& lock);
    void run_job(int job, std::unique_lock<std::mutex>& lock);

    std::function<bool(int)> work_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int job_ = -1;  // handed over, not yet begun
    bool running_ = false;  // the thread is on a job
    bool failed_ = false;
    bool stopping_ = false;
    std::thread thread_;  // last: started once everything it reads exists
};

}  // namespace tervo::imagelib
