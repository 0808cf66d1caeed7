"""Water properties of CTD scans from TEOS-10 (python3-gsw): absolute
salinity, conservative and potential temperature, potential density sigma0."""
import dataclasses
import warnings

import numpy as np

# The per-scan variables the properties are computed from.
SCAN_VARIABLES = ("pressure", "temperature", "practical_salinity", "conductivity")
NO_POSITION_NOTE = "The export has no station position: absolute salinity uses the reference salinity (no anomaly)."


@dataclasses.dataclass
class Water:
    pressure: np.ndarray          # dbar
    temperature: np.ndarray       # in-situ, degree_Celsius (ITS-90)
    salinity: np.ndarray          # practical salinity
    potential_temperature: np.ndarray  # referenced to 0 dbar
    sigma0: np.ndarray            # potential density anomaly at 0 dbar, kg m-3


def can_compute(ctd):
    """Whether the CTD file has what the water properties need."""
    return "pressure" in ctd.obs_names and "temperature" in ctd.obs_names


def notes(ctd):
    """What the water properties of `ctd` stand on, when it is not the file's
    own practical salinity at the station's position."""
    out = []
    if "practical_salinity" not in ctd.obs_names:
        if "conductivity" in ctd.obs_names:
            out.append(f"{ctd.file_name} has no practical_salinity: computed here from conductivity (gsw.SP_from_C).")
        else:
            out.append(f"{ctd.file_name} has neither practical_salinity nor conductivity: no salinity or density.")
    if not has_position(ctd.latitude, ctd.longitude):
        out.append(NO_POSITION_NOTE)
    return out


def compute(scans, latitude, longitude):
    """The water properties of the scans in `scans` (per-scan arrays by
    variable name: pressure, temperature, and practical_salinity or
    conductivity)."""
    import gsw

    p = np.asarray(scans["pressure"], dtype=float)
    t = np.asarray(scans["temperature"], dtype=float)
    with warnings.catch_warnings(), np.errstate(all="ignore"):
        warnings.simplefilter("ignore")
        if "practical_salinity" in scans:
            sp = np.asarray(scans["practical_salinity"], dtype=float)
        elif "conductivity" in scans:
            sp = np.asarray(gsw.SP_from_C(np.asarray(scans["conductivity"], dtype=float), t, p), dtype=float)
        else:
            sp = np.full(p.shape, np.nan)
        if has_position(latitude, longitude):
            sa = gsw.SA_from_SP(sp, p, longitude, latitude)
        else:
            sa = gsw.SR_from_SP(sp)
        ct = gsw.CT_from_t(sa, t, p)
        return Water(pressure=p, temperature=t, salinity=sp,
                     potential_temperature=np.asarray(gsw.pt_from_CT(sa, ct), dtype=float),
                     sigma0=np.asarray(gsw.sigma0(sa, ct), dtype=float))


def has_position(latitude, longitude):
    return bool(np.isfinite(latitude) and np.isfinite(longitude))


def sigma0_grid(salinity, potential_temperature, latitude, longitude):
    """sigma0 on a grid of practical salinity and potential temperature (at the sea surface)."""
    import gsw

    sp, pt = np.meshgrid(salinity, potential_temperature)
    with np.errstate(all="ignore"):
        if has_position(latitude, longitude):
            sa = gsw.SA_from_SP(sp, 0, longitude, latitude)
        else:
            sa = gsw.SR_from_SP(sp)
        return gsw.sigma0(sa, gsw.CT_from_pt(sa, pt))
