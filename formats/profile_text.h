#pragma once
// The text sinks of the three profile kinds: the profile's own text file
// (E, C or A%07d.TXT) and the row or entry of its log. Either stream may be
// null, and nothing is written to it then: the job gives no text file for a
// profile read only to reach a later one, and gives the termination log only
// with the text file, the sensor time log always. A sink gathers the text
// file in one buffer and hands it over in large writes: at the profile's end
// and, at the latest, when the sink goes.

#include "formats/decoder.h"
#include "formats/sink.h"
#include "formats/termination_log.h"
#include "formats/text_buffer.h"

#include <cstdint>
#include <cstdio>

// The engineering profile's text and its row of the termination log, written
// when a closing stop record ends the profile.
class EngineeringText final : public ProfileSink {
public:
    EngineeringText(std::FILE* out, std::FILE* terminationLog, const DecodeOptions& options);
    void BeginProfile(uint32_t profile) override;
    void ProfileTimes(int32_t sensorOn, int32_t motionStart) override;
    void EngineeringScan(const EngineeringValues& scan) override;
    void Stop(int32_t marker, const StopRecord& stop) override;
    void EndProfile(ProfileEnd end) override;

private:
    TextBuffer out_;
    std::FILE* terminationLog_;
    bool human_;
    bool layout301_;
    uint32_t profile_ = 0;
    TerminationState state_{};
};

struct SensorClose;

// What the CTD and ACM texts share: the profile's text file, the sensor time
// log, the form, and the close of a profile (its on and off times).
class SensorProfileText : public ProfileSink {
public:
    SensorProfileText(std::FILE* out, std::FILE* sensorTimeLog, const DecodeOptions& options,
                      const SensorClose& close);
    void SensorTimes(int32_t on, int32_t off) override;

protected:
    TextBuffer out_;
    std::FILE* sensorTimeLog_;
    bool human_;
    uint32_t profile_ = 0;

private:
    const SensorClose& close_;
};

// The CTD profile's text and its entry of the sensor time log.
class CtdText final : public SensorProfileText {
public:
    CtdText(std::FILE* out, std::FILE* sensorTimeLog, const DecodeOptions& options);
    void BeginProfile(uint32_t profile) override;
    void CtdScan(const CtdValues& scan) override;
    void EndProfile(ProfileEnd end) override;
};

// The ACM profile's text and its entry of the sensor time log.
class AcmText final : public SensorProfileText {
public:
    AcmText(std::FILE* out, std::FILE* sensorTimeLog, const DecodeOptions& options);
    void BeginProfile(uint32_t profile) override;
    void AcmScan(const AcmValues& scan) override;
    void EndProfile(ProfileEnd end) override;
};

// The human-form notes of one stop record; nothing in machine form.
void WriteStopNotes(TextBuffer& out, int32_t marker, const StopRecord& stop, bool human);
