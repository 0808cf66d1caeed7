#pragma once
// Several jobs, each cut into pieces, on a few threads: any thread works on
// any piece, and each job's pieces are committed in their order, one at a
// time, so that what a job writes in its commits (a text file, rows of a
// table) comes out as if one thread had done it all. Each job's pieces are
// taken up in turn; a thread takes its next from the first job (in the
// order given) that no other thread works on, else from the first with
// pieces left, so that the threads work on different jobs as long as they
// can. A job is started by the thread that takes its first piece (the
// others wait for it) and finished by the one that commits its last.
//
// A thread whose next piece would leave more than a few pieces worked out
// and waiting for their commit waits instead: the pieces' results stay few
// in memory.

#include <cstddef>
#include <vector>

class PieceJob {
public:
    virtual ~PieceJob() = default;
    // The count of its pieces, at least one; asked before it starts.
    virtual std::size_t Pieces() const = 0;
    // Before its first piece, on the thread that takes it.
    virtual void Start() = 0;
    // Piece `piece`'s work, on any thread, beside other pieces of the job.
    virtual void Work(std::size_t piece) = 0;
    // Piece `piece`'s commit, after its work, in order, one at a time.
    virtual void Commit(std::size_t piece) = 0;
    // After its last commit.
    virtual void Finish() = 0;
};

// Runs every job with `threads` threads (the calling one among them). An
// exception from a job ends the taking of pieces; the first is thrown again
// once every thread has stopped.
void RunPieceJobs(const std::vector<PieceJob*>& jobs, int threads);
