"""The quick look of a deployment export: figures and index.html.

main            the command line and its exit codes; builds the page
export_reader   finds the export's files, reads the per-profile variables,
                and the scans in chunks (Instrument.scan_chunks); the grid
                file's bins in chunks of profiles (Grid.rows)
classic_size    the size a classic netCDF file's header asks for
data_status     the one table of data_status names and colours
figures         the figures of the page, each drawn apart from the others
*_figure        one module per figure, each reducing the scans it reads to
                what its pixels show; figure_common holds what they share
water           TEOS-10 properties of CTD scans
summary         the numbers of the page; activity_log the log's error lines
report_page     the HTML of index.html
quality         the numbers of quality.html (flag shares, grades, worst
                profiles); quality_page its HTML
"""
