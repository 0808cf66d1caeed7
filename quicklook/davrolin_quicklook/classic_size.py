"""The size a classic netCDF file (CDF-1 or CDF-2) must have, from its header.

netCDF-C opens a classic file that was cut short and gives fill values for
the bytes that are not there: a copy that stopped half way would look like
a deployment with missing scans. Reading the header's variable offsets and
sizes tells a whole file from a cut one.
"""
import struct

kTypeSizes = {1: 1, 2: 1, 3: 2, 4: 4, 5: 4, 6: 8}   # byte, char, short, int, float, double
kDimensionTag, kVariableTag, kAttributeTag = 0x0A, 0x0B, 0x0C


class HeaderError(Exception):
    pass


class Reader:
    def __init__(self, data):
        self.data = data
        self.at = 0

    def Bytes(self, count):
        if self.at + count > len(self.data):
            raise HeaderError("the header ends early")
        chunk = self.data[self.at:self.at + count]
        self.at += count
        return chunk

    def Int(self):
        return struct.unpack(">I", self.Bytes(4))[0]

    def Offset(self, wide):
        return struct.unpack(">Q", self.Bytes(8))[0] if wide else self.Int()

    def Name(self):
        length = self.Int()
        self.Bytes((length + 3) // 4 * 4)

    def List(self, tag):
        found, count = self.Int(), self.Int()
        if found not in (0, tag) or (found == 0 and count != 0):
            raise HeaderError("a header list has a wrong tag")
        return count

    def Attributes(self):
        for _ in range(self.List(kAttributeTag)):
            self.Name()
            kind, count = self.Int(), self.Int()
            if kind not in kTypeSizes:
                raise HeaderError("an attribute has an unknown type")
            self.Bytes((count * kTypeSizes[kind] + 3) // 4 * 4)


def RequiredSize(path, header_limit=1 << 24):
    """The bytes the data of the classic file at `path` need, or None when it
    is not a CDF-1/CDF-2 file (another format is left to netCDF-C)."""
    with open(path, "rb") as f:
        data = f.read(header_limit)
    if data[:3] != b"CDF" or len(data) < 4 or data[3] not in (1, 2):
        return None
    wide = data[3] == 2
    r = Reader(data)
    r.at = 4
    records = r.Int()
    if records == 0xFFFFFFFF:          # written as a stream: no count to check against
        return None
    lengths = []
    for _ in range(r.List(kDimensionTag)):
        r.Name()
        lengths.append(r.Int())
    r.Attributes()
    variables = []
    for _ in range(r.List(kVariableTag)):
        r.Name()
        dims = [r.Int() for _ in range(r.Int())]
        r.Attributes()
        kind, vsize, begin = r.Int(), r.Int(), r.Offset(wide)
        if kind not in kTypeSizes or any(d >= len(lengths) for d in dims):
            raise HeaderError("a variable has an unknown type or dimension")
        is_record = bool(dims) and lengths[dims[0]] == 0
        count = 1
        for d in dims[1:] if is_record else dims:
            count *= lengths[d]
        variables.append((is_record, begin, vsize, count * kTypeSizes[kind]))
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
