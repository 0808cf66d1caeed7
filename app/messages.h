#pragma once
// The message catalogue: every text the program shows or logs, by id.

// The text of message `id`, or null for an id with no text.
const char* MessageText(int id);
