#include "engine/ordered_steps.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

// Steps given out ahead of the one whose turn it is, per worker thread: enough
// to keep every worker busy while the steps in turn finish.
constexpr std::size_t kStepsAheadPerWorker = 4;

struct Entry {
    Entry(std::unique_ptr<Step> s, RunEvents& events, bool live) : step(std::move(s)), journal(events, live) {}
    enum class State { Waiting, Running, Finished };
    std::unique_ptr<Step> step;
    StepJournal journal;
    State state = State::Waiting;
    bool abandoned = false;  // set by the calling thread, with the mutex held
};

class Runner {
public:
    Runner(StepSequence& sequence, RunEvents& events) : sequence_(sequence), events_(events) {}
    void Run(int threads);

private:
    void StartWorkers(int threads);
    void WorkerLoop();
    void Perform(Entry& entry);
    // Gives out steps until the window is full; false when none is in flight.
    bool GiveOutSteps();
    void TakeTurn(Entry& head);
    void Abandon(Entry& entry);
    bool Started(const Entry& head) const;

    StepSequence& sequence_;
    RunEvents& events_;
    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable workAdded_;
    std::condition_variable workDone_;
    std::deque<std::unique_ptr<Entry>> inFlight_;   // in the sequence's order; the front's turn is next
    std::vector<std::unique_ptr<Entry>> abandoned_;  // kept until every thread has ended
    bool sequenceEnded_ = false;
    bool ending_ = false;
};

void Runner::StartWorkers(int threads)
{
    if (threads <= 1)
        return;
    for (int i = 0; i < threads; ++i) {
        try {
            workers_.emplace_back(&Runner::WorkerLoop, this);
        } catch (const std::system_error&) {
            break;  // the run goes on with the workers it has, or on this thread alone
        }
    }
}

void Runner::Run(int threads)
{
    StartWorkers(threads);
    while (GiveOutSteps()) {
        Entry& head = *inFlight_.front();
        bool counts;
        {
            // No worker takes the step up while its turn is decided.
            std::lock_guard<std::mutex> lock(mutex_);
            counts = sequence_.Begin(*head.step, Started(head));
            if (!counts)
                Abandon(head);
        }
        if (counts) {
            TakeTurn(head);
            sequence_.Commit(*head.step, head.journal);
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (!counts)
            abandoned_.push_back(std::move(inFlight_.front()));
        inFlight_.pop_front();
        for (auto& entry : inFlight_)
            if (!entry->abandoned && !sequence_.Wanted(*entry->step))
                Abandon(*entry);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    workAdded_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
    for (auto& entry : abandoned_)
        sequence_.Discard(*entry->step);
}

bool Runner::GiveOutSteps()
{
    const std::size_t window = workers_.empty() ? 1 : kStepsAheadPerWorker * workers_.size();
    std::lock_guard<std::mutex> lock(mutex_);
    bool added = false;
    while (!sequenceEnded_ && inFlight_.size() < window) {
        std::unique_ptr<Step> step = sequence_.Next();
        if (!step) {
            sequenceEnded_ = true;
            break;
        }
        // Without workers every step runs in its turn: its journal is live from the start.
        inFlight_.push_back(std::make_unique<Entry>(std::move(step), events_, workers_.empty()));
        added = true;
    }
    if (added)
        workAdded_.notify_all();
    return !inFlight_.empty();
}

// The head's events are passed on from now on; its work is done here when no
// worker can take it, or awaited.
void Runner::TakeTurn(Entry& head)
{
    try {
        head.journal.GoLive();
    } catch (...) {
        head.step->faulted = true;  // an observer failed on the events kept
    }
    if (!head.step->hasWork)
        return;
    std::unique_lock<std::mutex> lock(mutex_);
    if (workers_.empty()) {
        head.state = Entry::State::Running;
        lock.unlock();
        Perform(head);
        lock.lock();
        head.state = Entry::State::Finished;
        return;
    }
    workDone_.wait(lock, [&head] { return head.state == Entry::State::Finished; });
}

// Called with the mutex held.
bool Runner::Started(const Entry& head) const
{
    if (head.step->hasWork)
        return head.state != Entry::State::Waiting;
    for (const auto& entry : inFlight_)
        if (entry.get() != &head && entry->step->hasWork && !entry->abandoned)
            return entry->state != Entry::State::Waiting;
    return false;
}

void Runner::Abandon(Entry& entry)
{
    entry.abandoned = true;
    entry.journal.Abandon();
}

void Runner::Perform(Entry& entry)
{
    try {
        sequence_.Work(*entry.step, entry.journal);
    } catch (...) {
        entry.step->faulted = true;
    }
}

void Runner::WorkerLoop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        Entry* next = nullptr;
        for (auto& entry : inFlight_) {
            if (entry->step->hasWork && entry->state == Entry::State::Waiting) {
                next = entry.get();
                break;
            }
        }
        if (!next) {
            if (ending_)
                return;
            workAdded_.wait(lock);
            continue;
        }
        next->state = Entry::State::Running;
        const bool abandoned = next->abandoned;
        lock.unlock();
        if (!abandoned)
            Perform(*next);
        lock.lock();
        next->state = Entry::State::Finished;
        workDone_.notify_all();
    }
}

}  // namespace

void RunOrderedSteps(StepSequence& sequence, RunEvents& events, int threads)
{
    Runner runner(sequence, events);
    runner.Run(threads);
}
