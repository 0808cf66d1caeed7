#pragma once
// A run as a sequence of steps that counts in its own order, whatever order
// the work is done in. With one thread every step runs on the calling thread
// when its turn comes, as a plain loop would run it. With more, worker
// threads run the steps that have work ahead of their turn, each with a
// journal that keeps its events (engine/step_journal.h), while the calling
// thread takes each step in order: when the step's turn comes it decides
// whether the step still counts (Begin), makes its journal live, waits for its
// work and commits it. A step that no longer counts is abandoned: its journal
// is dropped and, once every thread has ended, Discard undoes what its work
// left behind.

#include "engine/step_journal.h"

#include <memory>

struct Step {
    virtual ~Step() = default;
    bool hasWork = true;  // false: the step is done by its commit alone
    bool faulted = false;  // its work, or the observer on its events, raised an exception
};

class StepSequence {
public:
    virtual ~StepSequence() = default;
    // The step after those given so far; null at the end of the sequence.
    virtual std::unique_ptr<Step> Next() = 0;
    // The step's turn has come: false when it no longer counts. `started`:
    // its work began ahead of its turn (and may have ended); for a step
    // without work, the work of the next step that counts did. Steps are
    // taken up in order, so every step before a started one has begun too.
    virtual bool Begin(Step& step, bool started) = 0;
    // Whether a step given out but not yet begun can still count (it is
    // abandoned at once when not).
    virtual bool Wanted(const Step& step) = 0;
    // The step's work, on any thread. The journal is live when the step's turn
    // came before its work began.
    virtual void Work(Step& step, StepJournal& journal) = 0;
    // After the work, in order, on the calling thread, with the journal live.
    virtual void Commit(Step& step, StepJournal& journal) = 0;
    // A step that was abandoned, after every thread has ended.
    virtual void Discard(Step& step) = 0;
};

// Runs every step of `sequence` with `threads` threads for the work (1: on the
// calling thread alone).
void RunOrderedSteps(StepSequence& sequence, RunEvents& events, int threads);
