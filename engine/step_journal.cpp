#include "engine/step_journal.h"

#include "engine/activity_log.h"

#include <cstdarg>
#include <utility>

StepJournal::StepJournal(RunEvents& events, bool live) : events_(events), live_(live) {}

void StepJournal::Message(int category, MessageId id, va_list args)
{
    Add(Event{Event::Entry, category, 0, MessageEntry(events_.Values(), id, args), {}});
}

void StepJournal::Text(int category, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = TextEntry(format, args);
    va_end(args);
    Add(Event{Event::Entry, category, 0, std::move(text), {}});
}

void StepJournal::Append(int category, const std::string& text)
{
    Add(Event{Event::Entry, category, 0, text, {}});
}

bool StepJournal::CancelRequested()
{
    return abandoned_.load(std::memory_order_relaxed) || events_.CancelRequested();
}

void StepJournal::LogChanged()
{
    Add(Event{Event::LogChanged, 0, 0, {}, {}});
}

void StepJournal::Progress(uint32_t items)
{
    Add(Event{Event::Progress, 0, items, {}, {}});
}

void StepJournal::Status(const std::string& input, const std::string& output)
{
    Add(Event{Event::Status, 0, 0, input, output});
}

void StepJournal::GoLive()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (live_.load())
        return;
    // The step's thread waits meanwhile: its next event comes after these.
    for (const Event& event : kept_)
        PassOn(event);
    kept_.clear();
    kept_.shrink_to_fit();
    live_.store(true, std::memory_order_release);
    changed_.notify_all();
}

void StepJournal::Abandon()
{
    std::lock_guard<std::mutex> lock(mutex_);
    abandoned_.store(true);
    kept_.clear();
    changed_.notify_all();
}

bool StepJournal::WaitUntilLive()
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return live_.load() || abandoned_; });
    return live_.load();
}

void StepJournal::Add(Event event)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (live_.load())
        PassOn(event);
    else if (!abandoned_)
        kept_.push_back(std::move(event));
}

void StepJournal::PassOn(const Event& event)
{
    switch (event.type) {
    case Event::Entry: events_.Entry(event.category, event.text); break;
    case Event::LogChanged: events_.LogChanged(); break;
    case Event::Progress: events_.Progress(event.items); break;
    case Event::Status: events_.Status(event.text, event.output); break;
    }
}
