#pragma once
// The few choices of the settings that the layers below the program read:
// which kinds of file a run takes, how its profile range is given, and the
// firmware whose record layouts the files have.

// File kinds as bit values; a run's kinds are a set of them.
enum FileKind : int {
    KindEngineering = 1,
    KindCtd = 2,
    KindAcm = 4,
    KindDeployment = 8,
    KindException = 16,
    KindAll = 31,
};

// How a run's profile range is given.
enum RangeMode : int {
    RangeEntireDeployment = 1,
    RangeSingleProfile = 2,
    RangeProfiles = 3,
};

// The firmware of a deployment: the record layouts of the instrument's files.
enum FirmwareCode : int {
    Firmware301 = 0,
    Firmware304 = 1,
};
