#pragma once
// The QARTOD tests of one profile's values, in scan order, and their
// aggregate, with the flag values and edge rules of the IOOS reference
// implementation (ioos_qc's qartod module):
//
//   1 pass, 2 not evaluated, 3 suspect, 4 fail, 9 missing.
//
// A value that is NaN or infinite is missing (except to the gross range test,
// to which an infinite value is out of range). Thresholds compare strictly
// (a value equal to a threshold passes). Where the reference truncates time
// differences to whole seconds, these take the real difference, so scans less
// than a second apart are judged by their real rate. Two rules of our own,
// where the reference gives no sound answer: without usable times (a time
// missing, or a median scan interval that is not positive) the rate of change
// of the scans concerned and the flat line test are not evaluated (2); and a
// missing value is flagged missing by the flat line test even in a profile of
// fewer than three scans (the reference passes it, and so would its
// aggregate).

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

enum QartodFlag : uint8_t {
    kQartodPass = 1,
    kQartodNotEvaluated = 2,
    kQartodSuspect = 3,
    kQartodFail = 4,
    kQartodMissing = 9,
};

struct QartodSpan {
    double low;
    double high;
};

// Outside `suspect` (when given): 3; outside `fail`: 4; NaN: 9; else 1.
void GrossRangeTest(std::span<const double> values, QartodSpan fail, const QartodSpan* suspect, uint8_t* flags);

// The "average" method: |x[n] - (x[n-1] + x[n+1]) / 2| above `suspect` is 3,
// above `fail` 4 (a threshold of 0 is no threshold). The first and last
// scans and a scan next to a missing one are 2; a missing one 9.
void SpikeTest(std::span<const double> values, double suspect, double fail, uint8_t* flags);

// |x[n] - x[n-1]| / |t[n] - t[n-1]| above `suspect` per second is 3, above
// `fail` (NaN: none) 4. The first scan and a scan after a NaN pass, as does a
// scan at the same time as the one before with the same value (with another
// value its rate is infinite); a missing scan is 9; a scan whose time or
// previous time is missing is 2.
void RateOfChangeTest(std::span<const double> values, std::span<const double> times, double suspect, double fail,
                      uint8_t* flags);

// A scan whose last `seconds` (as a count of scan intervals, truncated)
// stay within a range below `tolerance`, missing scans left out, is 3 for the
// suspect duration and 4 for the fail duration; missing 9. Fewer than three
// scans all pass. `interval`: the profile's MedianInterval.
void FlatLineTest(std::span<const double> values, double interval, double suspectSeconds, double failSeconds,
                  double tolerance, uint8_t* flags);

// The median of the differences of consecutive times (NaN when any is NaN,
// or with fewer than two times).
double MedianInterval(std::span<const double> times);

// The aggregate of the tests' flags of `count` scans: of each scan's, fail
// before suspect before pass before not evaluated before missing (missing
// when none is any of these).
void QartodAggregate(std::initializer_list<const uint8_t*> tests, std::size_t count, uint8_t* aggregate);
