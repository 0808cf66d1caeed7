"""Davrolin in Python: the conversion engine of davrolin-unpack.

    import davrolin
    outcome = davrolin.convert("/cards/M1-2025", "/out/M1-2025", export="netcdf,csv",
                               latitude=-33.9, longitude=18.4)
    deployment = davrolin.read_deployment("/cards/M1-2025", latitude=-33.9, longitude=18.4)
    deployment.ctd        # xarray.Dataset, as xarray.open_dataset gives ctd.nc

Both release the global interpreter lock while they decode. Refused options
raise ValueError, folders and files that cannot be read or written OSError,
each with the message davrolin-unpack prints. A damaged card is no exception:
it shows in the outcome's errors and exit code, and in `data_status`.
"""
from .convert import ConvertOutcome, convert, command_words
from .read import Deployment, read_deployment

__all__ = ["ConvertOutcome", "Deployment", "command_words", "convert", "read_deployment"]
