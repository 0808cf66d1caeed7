#pragma once
// The settings of the export's quality control: for each variable the
// QARTOD tests run on, the thresholds of its four tests; and the pressure
// step of the grid. Defaults come from one table (qc_settings.cpp, the
// README says where each comes from); a [QC] section of the metadata file
// overrides any of them, one key per setting:
//
//   temperature.gross_range.fail = -2.5, 40
//   temperature.gross_range.suspect = -2, 30
//   temperature.spike.suspect = 0.5          (also .fail)
//   temperature.rate_of_change.suspect = 0.2 (per second; also .fail)
//   temperature.flat_line.suspect = 600      (whole seconds; also .fail, .tolerance)
//
// for the variables pressure, temperature, conductivity and
// practical_salinity (pressure covers the CTD's and the engineering
// pressure).

#include "export/qartod.h"

#include <array>
#include <string>
#include <string_view>

struct CtdConstants;
struct DeploymentRecord;

enum QcVariable { kQcPressure, kQcTemperature, kQcConductivity, kQcSalinity, kQcVariableCount };

// The variables' names, as in the keys and the netCDF files.
constexpr const char* kQcVariableNames[kQcVariableCount] = {"pressure", "temperature", "conductivity",
                                                            "practical_salinity"};

// The thresholds of one variable. NaN: not set (in an override), none (a
// suspect span or a rate's fail threshold).
struct QcThresholds {
    double failLow, failHigh;
    double suspectLow, suspectHigh;
    double spikeSuspect, spikeFail;
    double rateSuspect, rateFail;            // per second
    double flatSuspect, flatFail;            // seconds
    double flatTolerance;
};

struct QcSettings {
    std::array<QcThresholds, kQcVariableCount> variables;
};

// Thresholds with nothing set: what a metadata file's [QC] section fills.
QcSettings UnsetQcSettings();

// Sets the key of a [QC] section to its value. False with `error` ("<where>:
// \"<value>\" is ...") when the key is none of the settings or the value is
// not what the setting takes: two numbers low, high with low < high for a
// span; a number above 0 for a threshold; whole seconds above 0 for a
// duration; a number of 0 or more for a tolerance.
bool SetQcKey(std::string_view key, std::string_view value, const std::string& where, QcSettings& settings,
              std::string& error);

// Checks what one file set, together: a suspect span inside the fail span,
// a fail threshold not below the suspect one. `file` names the file in the
// message.
bool CheckQcSettings(const QcSettings& settings, const std::string& file, std::string& error);

// The settings of a run: the defaults, with the fail spans of pressure,
// temperature and conductivity from the count range of the fitted CTD
// (`ctd`) and the suspect span of pressure from the deployment's pressure
// limits and their errors (none without a deployment record), then what
// `overrides` sets.
QcSettings EffectiveQcSettings(const QcSettings& overrides, const CtdConstants& ctd,
                               const DeploymentRecord* deployment);

// The four tests and their aggregate over one profile's values and times
// (`count` each); each flags array holds `count`.
struct QcFlags {
    uint8_t* grossRange;
    uint8_t* spike;
    uint8_t* rateOfChange;
    uint8_t* flatLine;
    uint8_t* aggregate;
};
// `interval`: MedianInterval of the times.
void RunQartod(const QcThresholds& t, const double* values, const double* times, double interval, std::size_t count,
               const QcFlags& flags);
