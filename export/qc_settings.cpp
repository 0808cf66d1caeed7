#include "export/qc_settings.h"

#include "export/export_metadata.h"
#include "formats/decoder.h"
#include "formats/deployment.h"

#include <cmath>
#include <sstream>
#include <vector>

namespace {

constexpr double kUnset = NAN;
// The largest count of the CTD's 24-bit fields.
constexpr double kMaxCount = 16777215.0;

// The defaults (README, "Quality flags"). NaN where the run supplies the
// value: the fail spans of the CTD's own quantities from its count range,
// the suspect span of pressure from the deployment's limits.
constexpr QcThresholds kDefaults[kQcVariableCount] = {
    // fail span        suspect span      spike       rate (/s)   flat line (s, tolerance)
    {kUnset, kUnset, kUnset, kUnset, 2.0, 10.0, 1.0, 5.0, 600, 1800, 0.01},      // pressure [dbar]
    {kUnset, kUnset, -2.0, 30.0, 0.5, 2.0, 0.2, 1.0, 600, 1800, 0.001},          // temperature [degC]
    {kUnset, kUnset, 20.0, 65.0, 0.5, 2.0, 0.3, 1.5, 600, 1800, 0.001},          // conductivity [mS/cm]
    {0.0, 42.0, 2.0, 41.0, 0.3, 1.0, 0.2, 1.0, 600, 1800, 0.001},                // practical salinity
};

enum class Kind { Span, Threshold, Seconds, Tolerance };

struct Key {
    const char* name;  // after "<variable>."
    Kind kind;
    double QcThresholds::*first;
    double QcThresholds::*second;  // spans only
};
constexpr Key kKeys[] = {
    {"gross_range.fail", Kind::Span, &QcThresholds::failLow, &QcThresholds::failHigh},
    {"gross_range.suspect", Kind::Span, &QcThresholds::suspectLow, &QcThresholds::suspectHigh},
    {"spike.suspect", Kind::Threshold, &QcThresholds::spikeSuspect, nullptr},
    {"spike.fail", Kind::Threshold, &QcThresholds::spikeFail, nullptr},
    {"rate_of_change.suspect", Kind::Threshold, &QcThresholds::rateSuspect, nullptr},
    {"rate_of_change.fail", Kind::Threshold, &QcThresholds::rateFail, nullptr},
    {"flat_line.suspect", Kind::Seconds, &QcThresholds::flatSuspect, nullptr},
    {"flat_line.fail", Kind::Seconds, &QcThresholds::flatFail, nullptr},
    {"flat_line.tolerance", Kind::Tolerance, &QcThresholds::flatTolerance, nullptr},
};

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// The value of a count at its field's extremes, rounded to single precision
// as the decoder rounds it. (Through a call: GCC 12's vectorizer drops the
// rounding of two such values computed side by side into doubles.)
double Converted(double count, double divisor, double offset)
{
    const float value = static_cast<float>(count / divisor - offset);
    return std::nextafter(value, value);
}

std::string Number(double v)
{
    std::ostringstream text;
    text << v;
    return text.str();
}

}  // namespace

QcSettings UnsetQcSettings()
{
    QcSettings s;
    for (auto& t : s.variables)
        t = {kUnset, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset};
    return s;
}

bool SetQcKey(std::string_view key, std::string_view value, const std::string& where, QcSettings& settings,
              std::string& error)
{
    const auto dot = key.find('.');
    int variable = -1;
    for (int v = 0; v < kQcVariableCount; ++v)
        if (dot != std::string_view::npos && key.substr(0, dot) == kQcVariableNames[v])
            variable = v;
    const Key* found = nullptr;
    if (variable >= 0)
        for (const Key& k : kKeys)
            if (key.substr(dot + 1) == k.name)
                found = &k;
    if (!found) {
        error = where + ": not a quality control setting (<variable>.<test>.<setting>: variables pressure, "
                        "temperature, conductivity, practical_salinity; settings gross_range.fail, "
                        "gross_range.suspect, spike.suspect, spike.fail, rate_of_change.suspect, "
                        "rate_of_change.fail, flat_line.suspect, flat_line.fail, flat_line.tolerance)";
        return false;
    }
    QcThresholds& t = settings.variables[variable];
    const std::string quoted = "\"" + std::string(value) + "\"";
    if (found->kind == Kind::Span) {
        const auto comma = value.find(',');
        double low = 0, high = 0;
        if (comma == std::string_view::npos || !ParseNumber(Trim(value.substr(0, comma)), low) ||
            !ParseNumber(Trim(value.substr(comma + 1)), high) || !(low < high)) {
            error = where + ": " + quoted + " is not a span of two numbers, low, high (low below high)";
            return false;
        }
        t.*(found->first) = low;
        t.*(found->second) = high;
        return true;
    }
    double v = 0;
    const bool number = ParseNumber(value, v);
    if (found->kind == Kind::Tolerance && !(number && v >= 0)) {
        error = where + ": " + quoted + " is not a number of 0 or more";
        return false;
    }
    if (found->kind == Kind::Threshold && !(number && v > 0)) {
        error = where + ": " + quoted + " is not a number above 0";
        return false;
    }
    if (found->kind == Kind::Seconds && !(number && v >= 1 && v <= 1e9 && v == std::floor(v))) {
        error = where + ": " + quoted + " is not a whole number of seconds from 1 to 1000000000";
        return false;
    }
    t.*(found->first) = v;
    return true;
}

bool CheckQcSettings(const QcSettings& settings, const std::string& file, std::string& error)
{
    for (int v = 0; v < kQcVariableCount; ++v) {
        const QcThresholds& t = settings.variables[v];
        const std::string name = kQcVariableNames[v];
        auto bad = [&](const char* what, double a, double b) {
            error = file + ": key " + name + "." + what + ": " + Number(a) + ", " + Number(b);
            return false;
        };
        if (t.suspectLow < t.failLow || t.suspectHigh > t.failHigh)
            return bad("gross_range.suspect is not inside gross_range.fail", t.suspectLow, t.suspectHigh);
        if (t.spikeFail < t.spikeSuspect)
            return bad("spike.fail is below spike.suspect", t.spikeFail, t.spikeSuspect);
        if (t.rateFail < t.rateSuspect)
            return bad("rate_of_change.fail is below rate_of_change.suspect", t.rateFail, t.rateSuspect);
        if (t.flatFail < t.flatSuspect)
            return bad("flat_line.fail is below flat_line.suspect", t.flatFail, t.flatSuspect);
    }
    return true;
}

QcSettings EffectiveQcSettings(const QcSettings& overrides, const CtdConstants& ctd,
                               const DeploymentRecord* deployment)
{
    QcSettings s;
    for (int v = 0; v < kQcVariableCount; ++v)
        s.variables[v] = kDefaults[v];
    auto countRange = [](QcThresholds& t, double divisor, double offset) {
        t.failLow = Converted(0, divisor, offset);
        t.failHigh = Converted(kMaxCount, divisor, offset);
    };
    countRange(s.variables[kQcPressure], ctd.pressureDivisor, ctd.pressureOffset);
    countRange(s.variables[kQcTemperature], ctd.temperatureDivisor, ctd.temperatureOffset);
    countRange(s.variables[kQcConductivity], ctd.conductivityDivisor, ctd.conductivityOffset);
    if (deployment) {
        const double low = static_cast<double>(deployment->shallowPressure) - deployment->shallowError;
        const double high = static_cast<double>(deployment->deepPressure) + deployment->deepError;
        if (std::isfinite(low) && std::isfinite(high) && low < high) {
            s.variables[kQcPressure].suspectLow = low;
            s.variables[kQcPressure].suspectHigh = high;
        }
    }
    for (int v = 0; v < kQcVariableCount; ++v) {
        const QcThresholds& o = overrides.variables[v];
        QcThresholds& t = s.variables[v];
        for (const Key& k : kKeys) {
            if (std::isnan(o.*(k.first)))
                continue;
            t.*(k.first) = o.*(k.first);
            if (k.second)
                t.*(k.second) = o.*(k.second);
        }
    }
    return s;
}

void RunQartod(const QcThresholds& t, const double* values, const double* times, double interval, std::size_t count,
               const QcFlags& flags)
{
    const std::span<const double> v(values, count), time(times, count);
    const QartodSpan suspect{t.suspectLow, t.suspectHigh};
    GrossRangeTest(v, {t.failLow, t.failHigh}, std::isnan(t.suspectLow) ? nullptr : &suspect, flags.grossRange);
    SpikeTest(v, t.spikeSuspect, t.spikeFail, flags.spike);
    RateOfChangeTest(v, time, t.rateSuspect, t.rateFail, flags.rateOfChange);
    FlatLineTest(v, interval, t.flatSuspect, t.flatFail, t.flatTolerance, flags.flatLine);
    QartodAggregate({flags.grossRange, flags.spike, flags.rateOfChange, flags.flatLine}, count, flags.aggregate);
}
