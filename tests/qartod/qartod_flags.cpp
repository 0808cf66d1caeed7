// Runs the QARTOD tests on the profiles given on stdin, one a line, for
// check_qartod.py to compare with the reference implementation:
//
//   fail_low fail_high suspect_low suspect_high spike_suspect spike_fail
//   rate_suspect rate_fail flat_suspect flat_fail flat_tolerance n v1..vn t1..tn
//
// (numbers as strtod reads them, "nan" included; a rate_fail of nan is none).
// Prints per line the flags of gross range, spike, rate of change, flat line
// and their aggregate, one digit a scan, the five separated by '|'.
#include "export/qartod.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Digits(const std::vector<uint8_t>& flags)
{
    std::string text;
    for (uint8_t f : flags)
        text += static_cast<char>('0' + f);
    return text;
}

double Number(std::istringstream& in)
{
    std::string word;
    in >> word;
    return std::strtod(word.c_str(), nullptr);
}

}  // namespace

int main()
{
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        double p[11];
        for (double& v : p)
            v = Number(in);
        const std::size_t n = static_cast<std::size_t>(Number(in));
        std::vector<double> values(n), times(n);
        for (double& v : values)
            v = Number(in);
        for (double& t : times)
            t = Number(in);
        const QartodSpan fail{p[0], p[1]}, suspect{p[2], p[3]};
        std::vector<uint8_t> gross(n), spike(n), rate(n), flat(n), aggregate(n, kQartodMissing);
        GrossRangeTest(values, fail, &suspect, gross.data());
        SpikeTest(values, p[4], p[5], spike.data());
        RateOfChangeTest(values, times, p[6], p[7], rate.data());
        FlatLineTest(values, MedianInterval(times), p[8], p[9], p[10], flat.data());
        QartodAggregate({gross.data(), spike.data(), rate.data(), flat.data()}, n, aggregate.data());
        std::printf("%s|%s|%s|%s|%s\n", Digits(gross).c_str(), Digits(spike).c_str(), Digits(rate).c_str(),
                    Digits(flat).c_str(), Digits(aggregate).c_str());
    }
    return 0;
}
