#pragma once
// Catalogue messages with their placeholders filled from the settings, as the
// programs show them.

#include "engine/messages.h"
#include "platform/desktop.h"

#include <cstddef>
#include <string>

// For showing as it is (stderr, a summary piece without conversions).
std::string ExpandedMessage(MessageId id);
// For use as a format: a '%' that a placeholder put in is doubled.
std::string ExpandedFormat(MessageId id);

// ExpandMessage and ExpandMessageAsFormat (engine/messages.h) with the
// settings' values. `instance` names the module holding the texts; they are
// compiled in, so it is only passed on.
int ExpandMessage(ModuleHandle instance, MessageId id, char* out, std::size_t size);
int ExpandMessageAsFormat(ModuleHandle instance, MessageId id, char* out, std::size_t size);
