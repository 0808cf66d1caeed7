"""The data_status of a profile: how its data came off the card. A code is
the index into STATUSES, which holds for each the word of the export's
flag_meanings and the colour the figures give it."""

STATUSES = (
    ("complete", "#9aa5b1"),
    ("truncated", "#ff7f0e"),
    ("sensor_times_missing", "#e6c300"),
    ("read_error", "#d62728"),
    ("data_file_missing", "#7b2cbf"),
    ("not_read", "#111111"),
)
UNKNOWN_COLOUR = "#ff00ff"


def status_name(code):
    return STATUSES[code][0] if 0 <= code < len(STATUSES) else f"unknown ({code})"


def status_colour(code):
    return STATUSES[code][1] if 0 <= code < len(STATUSES) else UNKNOWN_COLOUR
