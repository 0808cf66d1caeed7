#pragma once
// Catalogue messages with their placeholders filled, as std::string.

#include "formats/message_ids.h"

#include <string>

// For showing as it is (stderr, a summary piece without conversions).
std::string ExpandedMessage(MessageId id);
// For use as a format: a '%' that a placeholder put in is doubled.
std::string ExpandedFormat(MessageId id);
