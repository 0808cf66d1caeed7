#pragma once
// IRQ_XCPT.TXT: the text sink of the exception log, one line per record.

#include "formats/sink.h"

#include <cstdint>
#include <cstdio>

class IrqText final : public IrqSink {
public:
    IrqText(std::FILE* out, bool human);
    void Record(int32_t time, int16_t code) override;

private:
    std::FILE* out_;
    bool human_;
};
