#include "export/ordered_pieces.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

// Pieces worked out and waiting for their commit, per thread, at most.
constexpr std::size_t kWaitingPerThread = 1;

struct JobState {
    PieceJob* job = nullptr;
    std::size_t pieces = 0;
    bool started = false;         // its Start has returned
    std::vector<char> done;       // per piece: its work has ended
    std::size_t committed = 0;    // its pieces committed so far
    bool committing = false;      // a thread commits its pieces now
    std::size_t taken = 0;        // its pieces taken up so far
    int working = 0;              // threads at work on its pieces now
};

class PieceRun {
public:
    PieceRun(const std::vector<PieceJob*>& jobs, int threads)
        : limit_(kWaitingPerThread * static_cast<std::size_t>(std::max(threads, 1)))
    {
        for (PieceJob* job : jobs) {
            JobState s;
            s.job = job;
            s.pieces = std::max<std::size_t>(job->Pieces(), 1);
            s.done.assign(s.pieces, 0);
            jobs_.push_back(std::move(s));
        }
    }

    void Thread()
    {
        std::unique_lock<std::mutex> hold(lock_);
        for (;;) {
            changed_.wait(hold, [&] { return failure_ || !Left() || waiting_ < limit_; });
            if (failure_ || !Left())
                return;
            JobState& s = jobs_[Pick()];
            const std::size_t piece = s.taken++;
            ++s.working;
            // The job is started by the thread that takes its first piece;
            // the others wait for that.
            if (piece == 0) {
                if (!Run(hold, [&] { s.job->Start(); }))
                    return;
                s.started = true;
                changed_.notify_all();
            } else {
                changed_.wait(hold, [&] { return s.started || failure_ != nullptr; });
            }
            const bool ok = !failure_ && Run(hold, [&] { s.job->Work(piece); });
            --s.working;
            if (!ok)
                return;
            s.done[piece] = 1;
            ++waiting_;
            // The pieces ready in order are committed by one thread at a time.
            while (!s.committing && s.committed < s.pieces && s.done[s.committed]) {
                s.committing = true;
                const std::size_t next = s.committed;
                const bool ok = Run(hold, [&] { s.job->Commit(next); });
                s.committing = false;
                if (!ok)
                    return;
                ++s.committed;
                --waiting_;
                changed_.notify_all();
                if (s.committed == s.pieces && !Run(hold, [&] { s.job->Finish(); }))
                    return;
            }
        }
    }

    void Rethrow()
    {
        if (failure_)
            std::rethrow_exception(failure_);
    }

private:
    // Whether any piece is still to be taken up.
    bool Left() const
    {
        for (const JobState& s : jobs_)
            if (s.taken < s.pieces)
                return true;
        return false;
    }
    // The job of the next piece: the first with pieces left that no other
    // thread works on (threads on different jobs write different files),
    // else the first with pieces left.
    std::size_t Pick() const
    {
        std::size_t first = jobs_.size();
        for (std::size_t j = 0; j < jobs_.size(); ++j) {
            if (jobs_[j].taken == jobs_[j].pieces)
                continue;
            if (jobs_[j].working == 0)
                return j;
            first = std::min(first, j);
        }
        return first;
    }

    // Calls `call` with the lock let go; false (and the run ends) when it threw.
    template <typename Call>
    bool Run(std::unique_lock<std::mutex>& hold, Call call)
    {
        hold.unlock();
        std::exception_ptr caught;
        try {
            call();
        } catch (...) {
            caught = std::current_exception();
        }
        hold.lock();
        if (caught && !failure_) {
            failure_ = caught;
            changed_.notify_all();
        }
        return !failure_;
    }

    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<JobState> jobs_;
    std::size_t waiting_ = 0;
    const std::size_t limit_;
    std::exception_ptr failure_;
};

}  // namespace

void RunPieceJobs(const std::vector<PieceJob*>& jobs, int threads)
{
    PieceRun run(jobs, threads);
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back([&run] { run.Thread(); });
        } catch (const std::system_error&) {
            break;  // fewer threads, the same work
        }
    }
    run.Thread();
    for (auto& t : helpers)
        t.join();
    run.Rethrow();
}
