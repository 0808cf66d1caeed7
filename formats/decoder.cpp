#include "formats/decoder.h"

const char* DecodeResultName(DecodeResult result)
{
    switch (result) {
    case DecodeResult::Done: return "Done";
    case DecodeResult::Cancelled: return "Cancelled";
    case DecodeResult::ReadError: return "ReadError";
    case DecodeResult::OpenError: return "OpenError";
    case DecodeResult::WriteError: return "WriteError";
    }
    return "?";
}

void Reporter::Report(int category, MessageId id, ...)
{
    va_list args;
    va_start(args, id);
    Message(category, id, args);
    va_end(args);
}
