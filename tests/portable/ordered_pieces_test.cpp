#include "export/ordered_pieces.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A job that notes what happens to it, and checks the order as it goes.
class NotingJob final : public PieceJob {
public:
    NotingJob(std::size_t pieces, int throwAt = -1)
        : pieces_(pieces), worked_(std::max<std::size_t>(pieces, 1)), throwAt_(throwAt)
    {
    }
    std::size_t Pieces() const override { return pieces_; }
    void Start() override { started_ = true; }
    void Work(std::size_t piece) override
    {
        if (!started_)
            faults_ += "work before start; ";
        if (static_cast<int>(piece) == throwAt_)
            throw std::runtime_error("piece failed");
        ++worked_[piece];
    }
    void Commit(std::size_t piece) override
    {
        const std::lock_guard<std::mutex> hold(lock_);
        if (worked_[piece] != 1)
            faults_ += "commit before its work; ";
        committed_.push_back(piece);
    }
    void Finish() override { finished_ = committed_.size(); }

    std::vector<std::size_t> Committed() const { return committed_; }
    std::size_t FinishedAfter() const { return finished_; }
    const std::string& Faults() const { return faults_; }

private:
    std::size_t pieces_;
    std::vector<std::atomic<int>> worked_;
    int throwAt_;
    std::atomic<bool> started_{false};
    std::mutex lock_;
    std::vector<std::size_t> committed_;
    std::size_t finished_ = 0;
    std::string faults_;
};

std::vector<std::size_t> Upto(std::size_t n)
{
    std::vector<std::size_t> all;
    for (std::size_t i = 0; i < n; ++i)
        all.push_back(i);
    return all;
}

}  // namespace

TEST(OrderedPieces, EveryJobCommitsEachPieceOnceInOrderOnAnyCountOfThreads)
{
    for (int threads : {1, 2, 5}) {
        SCOPED_TRACE(threads);
        NotingJob a(40), b(1), c(17), none(0);
        RunPieceJobs({&a, &b, &none, &c}, threads);
        for (NotingJob* job : {&a, &b, &c}) {
            EXPECT_EQ(job->Committed(), Upto(job->Pieces()));
            EXPECT_EQ(job->FinishedAfter(), job->Pieces());
            EXPECT_EQ(job->Faults(), "");
        }
        // A job of no pieces has one, empty: it is started and finished all the same.
        EXPECT_EQ(none.Committed(), Upto(1));
        EXPECT_EQ(none.FinishedAfter(), 1u);
    }
}

TEST(OrderedPieces, AnExceptionOfAPieceReachesTheCaller)
{
    for (int threads : {1, 3}) {
        NotingJob a(30, 7), b(30);
        EXPECT_THROW(RunPieceJobs({&a, &b}, threads), std::runtime_error);
        // Nothing after the failed piece is committed.
        EXPECT_LE(a.Committed().size(), 7u);
    }
}
