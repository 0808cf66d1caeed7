#pragma once
// What one step of a run tells the activity log and the job's observer, in
// the order it tells it. A step that runs ahead of the run's order (on another
// thread, while earlier steps are still going) keeps its events; once every
// earlier step is done the journal goes live: it passes on what it kept and,
// from then on, each event as it comes. Passed on in step order, the events
// of a run are the same, entry for entry, whatever ran ahead.
//
// A journal is the step's Reporter: the decoders log through it and poll it
// for a cancel, which is the job's cancel request or, for a step whose work
// will never count, its own.

#include "engine/messages.h"
#include "formats/decoder.h"
#include "formats/text_format.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// Where a run's events go once they are in order.
class RunEvents {
public:
    virtual ~RunEvents() = default;
    // An entry for the activity log, already formatted.
    virtual void Entry(int category, const std::string& text) = 0;
    virtual void LogChanged() = 0;
    // `items` more output items are finished.
    virtual void Progress(uint32_t items) = 0;
    // A text file is about to be created from `input`.
    virtual void Status(const std::string& input, const std::string& output) = 0;
    virtual bool CancelRequested() = 0;
    // What the placeholders of the run's messages stand for.
    virtual const MessageValues& Values() const = 0;
};

class StepJournal final : public Reporter {
public:
    // A live journal passes each event on at once.
    StepJournal(RunEvents& events, bool live);
    StepJournal(const StepJournal&) = delete;
    StepJournal& operator=(const StepJournal&) = delete;

    void Message(int category, MessageId id, va_list args) override;
    bool CancelRequested() override;

    void Text(int category, const char* format, ...) DAVROLIN_PRINTF(3, 4);
    // An entry already formatted.
    void Append(int category, const std::string& text);
    void LogChanged();
    void Progress(uint32_t items);
    void Status(const std::string& input, const std::string& output);

    // Cheap enough to ask before each scan.
    bool IsLive() const { return live_.load(std::memory_order_acquire); }
    // Passes on the events kept so far, then every later one as it comes.
    void GoLive();
    // The step's work will never count: its cancel request is raised and a
    // wait for going live ends.
    void Abandon();
    // Waits until the journal is live (true) or abandoned (false).
    bool WaitUntilLive();

private:
    struct Event {
        enum Type { Entry, LogChanged, Progress, Status } type;
        int category;
        uint32_t items;
        std::string text;    // the entry, or the input of a status
        std::string output;  // the output of a status
    };
    void Add(Event event);
    void PassOn(const Event& event);

    RunEvents& events_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<bool> live_;
    std::atomic<bool> abandoned_{false};  // asked before every scan: no lock
    std::vector<Event> kept_;
};
