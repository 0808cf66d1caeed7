// The QARTOD tests' edge rules. tests/qartod/check_qartod.py compares them
// with the reference implementation over many more profiles; these are the
// cases it cannot take (times missing, our own rules) and the ones that show
// a fault at a glance, and they run under wine too.
#include "export/pressure_grid.h"
#include "export/qartod.h"

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

const double N = NAN;

std::string Text(const std::vector<uint8_t>& flags)
{
    std::string text;
    for (uint8_t f : flags)
        text += static_cast<char>('0' + f);
    return text;
}

std::vector<double> Steps(std::size_t n, double step)
{
    std::vector<double> t(n);
    for (std::size_t i = 0; i < n; ++i)
        t[i] = 1000.0 + step * static_cast<double>(i);
    return t;
}

std::string Gross(const std::vector<double>& v)
{
    std::vector<uint8_t> f(v.size());
    const QartodSpan suspect{0, 10};
    GrossRangeTest(v, {-5, 20}, &suspect, f.data());
    return Text(f);
}

std::string Spike(const std::vector<double>& v)
{
    std::vector<uint8_t> f(v.size());
    SpikeTest(v, 1, 3, f.data());
    return Text(f);
}

std::string Rate(const std::vector<double>& v, const std::vector<double>& t)
{
    std::vector<uint8_t> f(v.size());
    RateOfChangeTest(v, t, 1, 2, f.data());
    return Text(f);
}

std::string Flat(const std::vector<double>& v, const std::vector<double>& t)
{
    std::vector<uint8_t> f(v.size());
    FlatLineTest(v, MedianInterval(t), 2, 4, 0.01, f.data());
    return Text(f);
}

}  // namespace

TEST(QartodTest, GrossRangeEdgesAreInside)
{
    EXPECT_EQ(Gross({-5, 0, 10, 20, -5.001, 20.001, 10.5, N, INFINITY}), "311344394");
}

TEST(QartodTest, SpikeEndsAndNeighboursOfMissingScansAreNotEvaluated)
{
    EXPECT_EQ(Spike({}), "");
    EXPECT_EQ(Spike({5}), "2");
    EXPECT_EQ(Spike({N, 5}), "92");
    EXPECT_EQ(Spike({9, 0, 0, 2, 0, 0, 5, 0, N, 0, 0}), "24131342922");
}

TEST(QartodTest, RateOfChangeUsesTheRealTimeDifference)
{
    // A quarter of a second apart: 0.4 in 0.25 s is 1.6 per second.
    EXPECT_EQ(Rate({0, 0.2, 0.6, 0.6, 1.2}, Steps(5, 0.25)), "11314");
    // Equal times: a changed value is infinitely fast, an unchanged one passes.
    EXPECT_EQ(Rate({0, 1, 1, 5}, {0, 1, 1, 1}), "1114");
    // After a missing value the rate is unknown and passes; no time: not evaluated.
    EXPECT_EQ(Rate({0, N, 9, 9.5}, Steps(4, 1)), "1911");
    EXPECT_EQ(Rate({0, 1, 5, 5}, {0, N, 2, 3}), "1221");
}

TEST(QartodTest, FlatLineCountsMedianIntervalsAndSkipsMissingScans)
{
    EXPECT_EQ(Flat({1, 1, 1, 1, 1, 1, 2}, Steps(7, 1)), "1133441");
    EXPECT_EQ(Flat({1, N, 1, N, 1, 1, 2}, Steps(7, 1)), "1939441");
    // Half-second steps: the two seconds of the suspect duration are four scans.
    EXPECT_EQ(Flat({1, 1, 1, 1, 1, 1, 1, 1, 1}, Steps(9, 0.5)), "111133334");
    // Fewer than three scans pass, but a missing one is still missing.
    EXPECT_EQ(Flat({1, N}, Steps(2, 1)), "19");
    // Without usable times the test is not evaluated.
    EXPECT_EQ(Flat({1, 1, 1, N}, {0, N, 2, 3}), "2229");
    EXPECT_EQ(Flat({1, 1, 1}, {5, 5, 5}), "222");
}

TEST(QartodTest, AggregateTakesTheWorstFlagAndMissingOnlyWhenAllAreMissing)
{
    const std::vector<uint8_t> a{1, 2, 9, 3, 9, 2, 1};
    const std::vector<uint8_t> b{2, 2, 9, 1, 4, 9, 9};
    std::vector<uint8_t> out(a.size());
    QartodAggregate({a.data(), b.data()}, a.size(), out.data());
    EXPECT_EQ(Text(out), "1293421");
}

TEST(PressureGridTest, BinsFromShallowToDeep)
{
    PressureGrid grid;
    ASSERT_TRUE(grid.Make(10, 20.5, 1));
    EXPECT_EQ(grid.bins, 11u);
    EXPECT_EQ(grid.Centre(0), 10.5);
    EXPECT_EQ(grid.BinOf(10), 0);
    EXPECT_EQ(grid.BinOf(10.999), 0);
    EXPECT_EQ(grid.BinOf(11), 1);
    EXPECT_EQ(grid.BinOf(21), 10);  // the last bin's high end
    EXPECT_EQ(grid.BinOf(21.01), -1);
    EXPECT_EQ(grid.BinOf(9.99), -1);
    EXPECT_EQ(grid.BinOf(NAN), -1);
    EXPECT_FALSE(grid.Make(20, 10, 1));
    EXPECT_FALSE(grid.Make(0, INFINITY, 1));

    BinMeans means(grid, 2);
    means.Add(0, 0, 1.0);
    means.Add(0, 0, 2.0);
    means.Add(0, 0, NAN);
    means.Add(-1, 0, 5.0);
    means.Add(3, 1, 7.0);
    std::vector<float> m(grid.bins);
    std::vector<int16_t> n(grid.bins);
    means.Take(0, m.data(), n.data());
    EXPECT_EQ(m[0], 1.5f);
    EXPECT_EQ(n[0], 2);
    EXPECT_TRUE(std::isnan(m[1]));
    EXPECT_EQ(n[1], 0);
    means.Take(1, m.data(), n.data());
    EXPECT_EQ(m[3], 7.0f);
}
