"""The error lines of the activity log DAVROLIN.LOG.

The log is CRLF text with no category mark on its lines. The entries of the
Error category are recognised by how the message catalogue starts them: the
"Error ..." messages (opening, reading, creating, writing files), the cancel
message, the log's own "Unable to save log to ...", the wrong firmware
version and the exception text, each with its continuation lines.
"""

ERROR_STARTS = (
    "error",                           # "Error opening ...", "ERROR: LoadString failed ..."
    "unable to save log to ",
    "operation cancelled by user",
    "wrong version of deploy.dat detected.",
    "an exception occured while unpacking data.",
)
# Lines that continue the error line just before them.
CONTINUATIONS = (
    "vxp davrolin is configured to unpack version ",
    "this could be due to invalid data,",
    "please contact ostrel laboratories.",
)
# The options summary's "ERROR!  Source folder ..." is an Info entry.
NOT_ERRORS = ("ERROR!",)
MAX_LOG_BYTES = 16 * 1024 * 1024


def read_log_errors(path):
    """The error lines of the log at `path`, in order; raises OSError."""
    with open(path, "rb") as f:
        data = f.read(MAX_LOG_BYTES)
    return error_lines(data.decode("latin-1"))


def error_lines(text):
    errors = []
    previous_was_error = False
    for line in text.replace("\r\n", "\n").replace("\r", "\n").split("\n"):
        stripped = line.strip()
        lowered = stripped.lower()
        if lowered.startswith(ERROR_STARTS) and not stripped.startswith(NOT_ERRORS):
            errors.append(stripped)
            previous_was_error = True
        elif previous_was_error and lowered.startswith(CONTINUATIONS):
            errors[-1] += " " + stripped
        else:
            previous_was_error = False
    return errors
