#pragma once
// The variables of the station and of the profiles, and the deployment's
// settings, as tables: each row names a variable, its type, the files that
// hold it, its attributes in their order and, for a profile variable, how
// its value comes from the profile's record. Adding a variable is adding a
// row here; the writer (deployment_export.cpp) defines and fills every row.

#include "export/export_columns.h"
#include "export/netcdf_attributes.h"
#include "export/profile_record.h"

#include <string>
#include <vector>

struct DeploymentRecord;

// The files a row belongs to: a mask of InstrumentBit()s.
constexpr unsigned InstrumentBit(Instrument instrument)
{
    return 1u << static_cast<unsigned>(instrument);
}
constexpr unsigned kEveryInstrument = 7;

// The station's variables: station (its id, the station dimension's
// coordinate variable), station_name (station, name_strlen), latitude and
// longitude (station).
struct StationVariable {
    const char* name;
    NetcdfType type;
    std::vector<Attribute> attributes;
};
const std::vector<StationVariable>& StationVariables();

// A variable of the profile dimension.
struct ProfileVariable {
    const char* name;
    NetcdfType type;      // Byte, Short, Int or Double
    unsigned instruments;  // the files that hold it
    bool cdmProfile;       // named in cdm_profile_variables
    std::vector<Attribute> attributes;
    // The value of a profile (exact in `type`).
    double (*value)(const ProfileRecord& profile, Instrument instrument);
};
const std::vector<ProfileVariable>& ProfileVariables();

// The rows of ProfileVariables() that `instrument`'s file holds, in order.
std::vector<const ProfileVariable*> ProfileVariablesOf(Instrument instrument);

// The attributes of the scalar `deployment` variable: the deployment
// record's settings (null: DEPLOY.DAT could not be read).
std::vector<Attribute> DeploymentAttributes(const DeploymentRecord* deployment, bool layout301);

// The attributes of an obs variable of the scan columns' table, in order.
std::vector<Attribute> ColumnAttributes(const Column& column, Instrument instrument);

class NetcdfFile;
// Defines the station's variables over `stationDim` (and `strlenDim` for
// the name), or as scalars when `stationDim` is -1 (a file of one station's
// profiles in the orthogonal form); their ids in the table's order.
std::vector<int> DefineStationVariables(NetcdfFile& nc, int stationDim, int strlenDim);
// Puts their values: the one station's name and position.
void PutStationValues(NetcdfFile& nc, const std::vector<int>& ids, const std::string& name, double latitude,
                      double longitude);
// Puts the values of the profile variables `rows` (ids `ids`) of the listed
// profiles.
void PutProfileValues(NetcdfFile& nc, const std::vector<int>& ids, const std::vector<const ProfileVariable*>& rows,
                      const std::vector<ProfileRecord>& listed, Instrument instrument);
