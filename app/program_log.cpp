#include "app/program_log.h"

#include "app/run_request.h"
#include "app/settings_record.h"
#include "platform/platform.h"

#include <string>

namespace {

class ProgramLogReporter final : public Reporter {
public:
    void Message(int category, MessageId id, va_list args) override { LogMessageV(category, id, args); }
    bool CancelRequested() override { return false; }
};

}  // namespace

int CreateActivityLog(ModuleHandle module)
{
    const int result = LogCreate(module, Settings.LogSize);
    LogSetLevel(Settings.LogLevel);
    return result;
}

void SaveActivityLog()
{
    if (Settings.SaveLog != 0)
        LogSave(WithSeparator(Settings.DstDir) + Settings.LogName);
}

void LogMessageV(int category, MessageId id, va_list args)
{
    if (LogCreated())
        LogAppend(MessageEntry(SettingsMessageValues(Settings), id, args).c_str(), category);
}

void LogMessage(int category, MessageId id, ...)
{
    va_list args;
    va_start(args, id);
    LogMessageV(category, id, args);
    va_end(args);
}

Reporter& ProgramReporter()
{
    static ProgramLogReporter reporter;
    return reporter;
}
