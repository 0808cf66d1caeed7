"""Water properties of the CTD scans from TEOS-10 (python3-gsw): absolute
salinity, conservative and potential temperature, potential density sigma0."""
import dataclasses
import warnings

import numpy as np

kNoPositionNote = "The export has no station position: absolute salinity uses the reference salinity (no anomaly)."


@dataclasses.dataclass
class Water:
    pressure: np.ndarray          # dbar
    temperature: np.ndarray       # in-situ, degree_Celsius (ITS-90)
    salinity: np.ndarray          # practical salinity
    potential_temperature: np.ndarray  # referenced to 0 dbar
    sigma0: np.ndarray            # potential density anomaly at 0 dbar, kg m-3
    latitude: float
    longitude: float
    notes: list


def Compute(ctd):
    """The water properties of every CTD scan; None without the needed variables."""
    import gsw

    obs = ctd.obs
    if "pressure" not in obs or "temperature" not in obs:
        return None
    notes = []
    p = np.asarray(obs["pressure"], dtype=float)
    t = np.asarray(obs["temperature"], dtype=float)
    with warnings.catch_warnings(), np.errstate(all="ignore"):
        warnings.simplefilter("ignore")
        if "practical_salinity" in obs:
            sp = np.asarray(obs["practical_salinity"], dtype=float)
        elif "conductivity" in obs:
            sp = np.asarray(gsw.SP_from_C(np.asarray(obs["conductivity"], dtype=float), t, p), dtype=float)
            notes.append(f"{ctd.file_name} has no practical_salinity: computed here from conductivity (gsw.SP_from_C).")
        else:
            sp = np.full(p.shape, np.nan)
            notes.append(f"{ctd.file_name} has neither practical_salinity nor conductivity: no salinity or density.")
        lat, lon = ctd.latitude, ctd.longitude
        if np.isfinite(lat) and np.isfinite(lon):
            sa = gsw.SA_from_SP(sp, p, lon, lat)
        else:
            sa = gsw.SR_from_SP(sp)
            notes.append(kNoPositionNote)
        ct = gsw.CT_from_t(sa, t, p)
        water = Water(pressure=p, temperature=t, salinity=sp,
                      potential_temperature=np.asarray(gsw.pt_from_CT(sa, ct), dtype=float),
                      sigma0=np.asarray(gsw.sigma0(sa, ct), dtype=float),
                      latitude=lat, longitude=lon, notes=notes)
    return water


def Sigma0Grid(salinity, potential_temperature, latitude, longitude):
    """sigma0 on a grid of practical salinity and potential temperature (at the sea surface)."""
    import gsw

    sp, pt = np.meshgrid(salinity, potential_temperature)
    with np.errstate(all="ignore"):
        if np.isfinite(latitude) and np.isfinite(longitude):
            sa = gsw.SA_from_SP(sp, 0, longitude, latitude)
        else:
            sa = gsw.SR_from_SP(sp)
        return gsw.sigma0(sa, gsw.CT_from_pt(sa, pt))
