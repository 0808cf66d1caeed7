#pragma once
// The report DEPLOY.TXT of the deployment record: the text sink of the
// deployment file.

#include "formats/sink.h"

#include <cstdint>
#include <cstdio>

// "24:00:00" for 86400 s or more, else the time of day of the value taken
// modulo 86400 (-1 is 23:59:59). `text` holds at least 9 bytes.
void DurationHms(int32_t seconds, char* text);
// "%03ld %02ld:%02ld:%02ld" of days, hours, minutes, seconds, divided with
// truncation toward zero. `text` holds at least 32 bytes.
void DurationDhms(int32_t seconds, char* text);

// Writes the report of `record` (the layout it was decoded from; the time
// stamps in the form chosen).
void WriteDeploymentReport(std::FILE* out, const DeploymentRecord& record, bool human);

// Writes the report of the record handed over to `out`.
class DeploymentText final : public DeploymentSink {
public:
    DeploymentText(std::FILE* out, bool human);
    void Record(const DeploymentRecord& record) override;

private:
    std::FILE* out_;
    bool human_;
};
