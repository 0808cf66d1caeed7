"""davrolin.convert: one davrolin-unpack run, its outcome returned."""
import dataclasses
import os

from . import _davrolin


def command_words(source, dest, **options):
    """The words of the davrolin-unpack command line for these options.

    A keyword is the long option with "_" for "-" (no_text is --no-text);
    True gives the bare flag, False and None leave the option out, a list
    or tuple is joined with commas (kinds=["ctd", "acm"]) and profiles=(3, 9)
    is --profiles 3-9. The command line's own parser judges the result, so
    an unknown option is refused there, with its message."""
    words = []
    for name, value in options.items():
        if value is None or value is False:
            continue
        flag = "--" + name.replace("_", "-")
        if value is True:
            words.append(flag)
        elif name == "profiles" and isinstance(value, (list, tuple)):
            first, last = value
            words += [flag, f"{first}-{last}"]
        elif isinstance(value, (list, tuple)):
            words += [flag, ",".join(str(v) for v in value)]
        else:
            words += [flag, os.fspath(value) if isinstance(value, os.PathLike) else str(value)]
    return words + ["--quiet", os.fspath(source), os.fspath(dest)]


@dataclasses.dataclass
class ConvertOutcome:
    exit_code: int      # 0 no errors, 1 the run had errors (a damaged card)
    files: list         # the files of DEST the run wrote (names under DEST), sorted
    errors: list        # the run's error lines, as davrolin-unpack prints them
    log: list           # the activity log's lines
    profiles: dict      # per instrument: (profiles decoded, of which not complete)


def _raise_refusal(result):
    message = result["message"].rstrip("\n")
    if result["refusal"] == "usage":
        raise ValueError(message)
    if result["refusal"] == "folder":
        raise OSError(message)
    raise RuntimeError(message)


def run_words(words, netcdf_in_memory=False):
    """Runs the command line `words`; the module's result, or the exception of a refusal."""
    result = _davrolin.unpack(words, netcdf_in_memory)
    if result["refusal"]:
        _raise_refusal(result)
    return result


def log_lines(result):
    return result["log"].decode("latin-1").replace("\r\n", "\n").splitlines()


def _snapshot(dest):
    seen = {}
    for folder, _, names in os.walk(dest):
        for name in names:
            path = os.path.join(folder, name)
            try:
                st = os.stat(path)
            except OSError:
                continue
            seen[os.path.relpath(path, dest)] = (st.st_mtime_ns, st.st_size, st.st_ino)
    return seen


def convert(source, dest, **options):
    """Converts the deployment in `source` into `dest`, as davrolin-unpack
    does with the same options (see command_words), and returns a
    ConvertOutcome instead of printing."""
    return convert_words(command_words(source, dest, **options))


def convert_words(words):
    """convert() with the words of a davrolin-unpack command line (DEST last)."""
    dest = words[-1]
    before = _snapshot(dest) if os.path.isdir(dest) else {}
    result = run_words(words)
    after = _snapshot(dest) if os.path.isdir(dest) else {}
    files = sorted(name for name, stamp in after.items() if before.get(name) != stamp)
    return ConvertOutcome(exit_code=result["exit_code"], files=files, errors=list(result["errors"]),
                          log=log_lines(result), profiles=dict(result["profiles"]))
