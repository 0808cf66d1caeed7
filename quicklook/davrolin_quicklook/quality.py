"""The numbers of the quality page: per flagged variable the share of scans
each quality test and the aggregate flag suspect and fail, the profiles by
grade, and the worst profiles. The flags are read in chunks like any scans."""
import dataclasses

import numpy as np

from .data_status import status_name

INSTRUMENTS = ("ctd", "engineering")
TESTS = ("gross_range", "spike", "rate_of_change", "flat_line")
PASS, NOT_EVALUATED, SUSPECT, FAIL, MISSING = 1, 2, 3, 4, 9
WORST_SHOWN = 10
NO_GRADE = "none"           # a profile without a scan that is not missing


@dataclasses.dataclass
class FlagRow:
    label: str              # the test, or "aggregate"
    scans: int
    suspect: int
    fail: int


@dataclasses.dataclass
class WorstProfile:
    number: int
    grade: str
    scans: int              # scans that are not missing
    suspect: int            # by the aggregate flag
    fail: int
    status: str             # data_status name


@dataclasses.dataclass
class VariableQuality:
    file_name: str
    variable: str
    rows: list              # FlagRow per test, then the aggregate
    grades: list            # (grade letter or NO_GRADE, profiles); empty without grades
    worst: list             # WorstProfile, worst first


def flag_name(variable, test):
    return f"qartod_{variable}_{test}_flag"


def flagged_variables(instrument):
    """The variables of `instrument` that carry an aggregate flag, in file order."""
    return [name[:-3] for name in instrument.obs_names
            if name.endswith("_qc") and name[:-3] in instrument.obs_names]


def assess(export):
    """VariableQuality of each flagged variable of ctd.nc and engineering.nc."""
    out = []
    for name in INSTRUMENTS:
        instrument = export.instruments.get(name)
        if instrument is not None and flagged_variables(instrument):
            out += assess_instrument(instrument)
    return out


def flag_codes(values):
    """Flag values as integers 0 to 9; a value that is not a flag counts as missing."""
    values = np.asarray(values, dtype=float)
    known = np.isfinite(values) & (values >= 0) & (values <= MISSING)
    return np.where(known, values, MISSING).astype(np.int64)


def assess_instrument(instrument):
    variables = flagged_variables(instrument)
    columns = {v: [flag_name(v, t) for t in TESTS if flag_name(v, t) in instrument.obs_names] + [f"{v}_qc"]
               for v in variables}
    counts = {n: np.zeros(MISSING + 1, dtype=np.int64) for names in columns.values() for n in names}
    profiles = len(instrument.profile)
    per_profile = {v: np.zeros((3, profiles), dtype=np.int64) for v in variables}   # scans, suspect, fail
    for chunk in instrument.scan_chunks(list(counts)):
        for name, values in chunk.values.items():
            codes = flag_codes(values)
            counts[name] += np.bincount(codes, minlength=MISSING + 1)
            variable = name[:-3]
            if name.endswith("_qc") and variable in per_profile:
                for row, selected in enumerate((codes != MISSING, codes == SUSPECT, codes == FAIL)):
                    per_profile[variable][row] += np.bincount(chunk.profile_index[selected], minlength=profiles)
    out = []
    for variable in variables:
        rows = []
        for name in columns[variable]:
            label = "aggregate" if name.endswith("_qc") else name[len(f"qartod_{variable}_"):-len("_flag")]
            c = counts[name]
            rows.append(FlagRow(label.replace("_", " "), int(c.sum()), int(c[SUSPECT]), int(c[FAIL])))
        grades, worst = grade_profiles(instrument, variable, per_profile[variable])
        out.append(VariableQuality(instrument.file_name, variable, rows, grades, worst))
    return out


def grade_profiles(instrument, variable, per_profile):
    """(grade letter, profiles) in grade order, and the worst profiles: those
    below the best grade, worst grade first, then most failed scans."""
    name = f"profile_{variable}_qc"
    values = instrument.per_profile.get(name)
    if values is None:
        return [], []
    letters = instrument.flags(name)
    values = np.asarray(values, dtype=float)
    grade = np.where(np.isfinite(values), values, -1).astype(np.int64)
    named = [letters.get(int(g), str(int(g))) if g >= 0 else NO_GRADE for g in grade]
    order = sorted(letters) + [g for g in sorted(set(grade.tolist())) if g not in letters and g >= 0]
    grades = [(letters.get(g, str(g)), int((grade == g).sum())) for g in order]
    if (grade < 0).any():
        grades.append((NO_GRADE, int((grade < 0).sum())))
    best = min(letters) if letters else 0
    below = np.flatnonzero(grade > best)
    ranked = sorted(below, key=lambda i: (-grade[i], -per_profile[2][i], -per_profile[1][i], instrument.profile[i]))
    worst = [WorstProfile(int(instrument.profile[i]), named[i], int(per_profile[0][i]), int(per_profile[1][i]),
                          int(per_profile[2][i]), status_name(int(instrument.status[i])))
             for i in ranked[:WORST_SHOWN]]
    return grades, worst
