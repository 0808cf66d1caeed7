"""The size a classic netCDF file (CDF-1 or CDF-2) must have, from its header.

netCDF-C opens a classic file that was cut short and gives fill values for
the bytes that are not there: a copy that stopped half way would look like
a deployment with missing scans. Reading the header's variable offsets and
sizes tells a whole file from a cut one.
"""
import struct

TYPE_SIZES = {1: 1, 2: 1, 3: 2, 4: 4, 5: 4, 6: 8}   # byte, char, short, int, float, double
DIMENSION_TAG, VARIABLE_TAG, ATTRIBUTE_TAG = 0x0A, 0x0B, 0x0C


class HeaderError(Exception):
    pass


class Reader:
    def __init__(self, data):
        self.data = data
        self.at = 0

    def take(self, count):
        if self.at + count > len(self.data):
            raise HeaderError("the header ends early")
        chunk = self.data[self.at:self.at + count]
        self.at += count
        return chunk

    def uint32(self):
        return struct.unpack(">I", self.take(4))[0]

    def offset(self, wide):
        return struct.unpack(">Q", self.take(8))[0] if wide else self.uint32()

    def skip_name(self):
        length = self.uint32()
        self.take((length + 3) // 4 * 4)

    def list_length(self, tag):
        found, count = self.uint32(), self.uint32()
        if found not in (0, tag) or (found == 0 and count != 0):
            raise HeaderError("a header list has a wrong tag")
        return count

    def skip_attributes(self):
        for _ in range(self.list_length(ATTRIBUTE_TAG)):
            self.skip_name()
            kind, count = self.uint32(), self.uint32()
            if kind not in TYPE_SIZES:
                raise HeaderError("an attribute has an unknown type")
            self.take((count * TYPE_SIZES[kind] + 3) // 4 * 4)


def required_size(path, header_limit=1 << 24):
    """The bytes the data of the classic file at `path` need, or None when it
    is not a CDF-1/CDF-2 file (another format is left to netCDF-C)."""
    with open(path, "rb") as f:
        data = f.read(header_limit)
    if data[:3] != b"CDF" or len(data) < 4 or data[3] not in (1, 2):
        return None
    wide = data[3] == 2
    r = Reader(data)
    r.at = 4
    records = r.uint32()
    if records == 0xFFFFFFFF:          # written as a stream: no count to check against
        return None
    lengths = []
    for _ in range(r.list_length(DIMENSION_TAG)):
        r.skip_name()
        lengths.append(r.uint32())
    r.skip_attributes()
    variables = []
    for _ in range(r.list_length(VARIABLE_TAG)):
        r.skip_name()
        dims = [r.uint32() for _ in range(r.uint32())]
        r.skip_attributes()
        kind, vsize, begin = r.uint32(), r.uint32(), r.offset(wide)
        if kind not in TYPE_SIZES or any(d >= len(lengths) for d in dims):
            raise HeaderError("a variable has an unknown type or dimension")
        is_record = bool(dims) and lengths[dims[0]] == 0
        count = 1
        for d in dims[1:] if is_record else dims:
            count *= lengths[d]
        variables.append((is_record, begin, vsize, count * TYPE_SIZES[kind]))
    record_variables = [v for v in variables if v[0]]
    # one record variable alone is not padded to four bytes
    record_size = record_variables[0][3] if len(record_variables) == 1 else sum(v[2] for v in record_variables)
    required = r.at
    for is_record, begin, _, size in variables:
        if is_record:
            if records:
                required = max(required, begin + (records - 1) * record_size + size)
        elif size:
            required = max(required, begin + size)
    return required
