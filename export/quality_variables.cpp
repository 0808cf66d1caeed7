#include "export/quality_variables.h"

#include "export/profile_record.h"

#include <cmath>
#include <cstring>

namespace {

struct TestRow {
    const char* test;          // in the variable's name: qartod_<name>_<test>_flag
    const char* standardName;
    const char* longName;      // after the column's name
};
constexpr TestRow kTests[kFlagKinds] = {
    {"gross_range", "gross_range_test_quality_flag", "QARTOD gross range test flag"},
    {"spike", "spike_test_quality_flag", "QARTOD spike test flag"},
    {"rate_of_change", "rate_of_change_test_quality_flag", "QARTOD rate of change test flag"},
    {"flat_line", "flat_line_test_quality_flag", "QARTOD flat line test flag"},
    {nullptr, "aggregate_quality_flag", "QARTOD aggregate flag"},
};

constexpr const char* kFlagMeanings = "pass not_evaluated suspect fail missing";

std::string FlagName(const char* name, int kind)
{
    return kind == kFlagAggregate ? std::string(name) + "_qc"
                                  : std::string("qartod_") + name + "_" + kTests[kind].test + "_flag";
}

Attribute Doubles(const char* name, std::vector<double> values)
{
    return NumbersAttribute(name, NetcdfType::Double, std::move(values));
}

// The settings of a test, as attributes.
std::vector<Attribute> ThresholdAttributes(int kind, const QcThresholds& t)
{
    switch (kind) {
    case kFlagGrossRange: {
        std::vector<Attribute> a{Doubles("fail_span", {t.failLow, t.failHigh})};
        if (!std::isnan(t.suspectLow))
            a.push_back(Doubles("suspect_span", {t.suspectLow, t.suspectHigh}));
        a.push_back(TextAttribute("comment", "spans in the variable's units"));
        return a;
    }
    case kFlagSpike:
        return {Doubles("suspect_threshold", {t.spikeSuspect}), Doubles("fail_threshold", {t.spikeFail}),
                TextAttribute("method", "average"),
                TextAttribute("comment", "thresholds in the variable's units, of |x[n] - (x[n-1] + x[n+1]) / 2|")};
    case kFlagRateOfChange:
        return {Doubles("suspect_threshold", {t.rateSuspect}), Doubles("fail_threshold", {t.rateFail}),
                TextAttribute("comment", "thresholds in the variable's units per second, over the scans' times")};
    case kFlagFlatLine:
        return {Doubles("suspect_threshold", {t.flatSuspect}), Doubles("fail_threshold", {t.flatFail}),
                Doubles("tolerance", {t.flatTolerance}),
                TextAttribute("comment", "thresholds in seconds, tolerance in the variable's units")};
    default:
        return {TextAttribute("comment", "the worst flag of the four tests: fail, suspect, pass, not_evaluated, "
                                         "missing in that order")};
    }
}

}  // namespace

std::vector<QcColumn> QcColumnsOf(Instrument instrument, const std::vector<Column>& columns)
{
    std::vector<QcColumn> tested;
    if (instrument == Instrument::Acm)
        return tested;
    for (std::size_t c = 0; c < columns.size(); ++c)
        for (int v = 0; v < kQcVariableCount; ++v)
            if (std::strcmp(columns[c].name, kQcVariableNames[v]) == 0 &&
                (instrument == Instrument::Ctd || v == kQcPressure))
                tested.push_back({c, static_cast<QcVariable>(v)});
    return tested;
}

std::vector<QcVariableRow> FlagVariables(const char* name, const QcThresholds& t, const std::string& coordinates)
{
    std::vector<QcVariableRow> rows;
    for (int kind = 0; kind < kFlagKinds; ++kind) {
        std::vector<Attribute> a{
            TextAttribute("standard_name", kTests[kind].standardName),
            TextAttribute("long_name", std::string(name) + " " + kTests[kind].longName),
            NumbersAttribute("flag_values", NetcdfType::Byte, {1, 2, 3, 4, 9}),
            TextAttribute("flag_meanings", kFlagMeanings),
            TextAttribute("coverage_content_type", "qualityInformation"),
            TextAttribute("coordinates", coordinates),
        };
        for (Attribute& s : ThresholdAttributes(kind, t))
            a.push_back(std::move(s));
        rows.push_back({FlagName(name, kind), std::move(a)});
    }
    return rows;
}

Attribute AncillaryVariables(const char* name)
{
    std::string names;
    for (int kind = 0; kind < kFlagKinds; ++kind)
        names += (names.empty() ? "" : " ") + FlagName(name, kind);
    return TextAttribute("ancillary_variables", names);
}

QcVariableRow GradeVariable(const char* name)
{
    return {std::string("profile_") + name + "_qc",
            {TextAttribute("long_name", std::string("grade of the profile's ") + name + " by its aggregate flags"),
             FillAttribute(), NumbersAttribute("flag_values", NetcdfType::Byte, {0, 1, 2, 3, 4, 5}),
             TextAttribute("flag_meanings", "A B C D E F"),
             TextAttribute("coverage_content_type", "qualityInformation"),
             TextAttribute("comment",
                           std::string("share of the profile's scans that are not missing whose ") + name +
                               "_qc is pass: A all, B 75 % or more, C 50 % or more, D 25 % or more, E more than "
                               "0, F none; fill when every scan is missing")}};
}

int8_t ProfileGrade(uint32_t passed, uint32_t notMissing)
{
    if (notMissing == 0)
        return kByteFill;
    if (passed == notMissing)
        return 0;
    const uint64_t p = passed, n = notMissing;
    if (4 * p >= 3 * n)
        return 1;
    if (2 * p >= n)
        return 2;
    if (4 * p >= n)
        return 3;
    return p > 0 ? 4 : 5;
}

const char* GradeLetter(int8_t grade)
{
    static const char* const kLetters[] = {"A", "B", "C", "D", "E", "F"};
    return grade >= 0 && grade <= 5 ? kLetters[grade] : "";
}
