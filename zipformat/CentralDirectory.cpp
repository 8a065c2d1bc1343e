#include "zipformat/CentralDirectory.h"

#include "zipformat/ExtraFields.h"
#include "zipformat/Names.h"
#include "zipformat/Records.h"

namespace zipformat {

std::string CentralRecord::text() const {
    return decodeEntryName(name, (flags & FlagUtf8) != 0);
}

CentralDirectory readCentralDirectory(std::string_view dir) {
    CentralDirectory out;
    std::size_t p = 0;
    while (dir.size() - p >= 4 && get32(dir.data() + p) == CentralSignature) {
        if (dir.size() - p < CentralHeaderSize) {
            out.cutShort = true;
            break;
        }
        const char* h = dir.data() + p;
        const std::size_t n = get16(h + 28), x = get16(h + 30), c = get16(h + 32);
        if (dir.size() - p - CentralHeaderSize < n + x + c) {
            out.cutShort = true;
            break;
        }
        CentralRecord r;
        r.header.assign(h, CentralHeaderSize);
        r.name = dir.substr(p + CentralHeaderSize, n);
        r.extra = dir.substr(p + CentralHeaderSize + n, x);
        r.comment = dir.substr(p + CentralHeaderSize + n + x, c);
        r.flags = get16(h + 8);
        r.method = get16(h + 10);
        r.crc = get32(h + 16);
        Zip64Fields wide{get32(h + 24), get32(h + 20), get32(h + 42), get16(h + 34)};
        r.zip64Complete = applyZip64(r.extra, wide);
        r.uncompressed = wide.uncompressed;
        r.compressed = wide.compressed;
        r.offset = wide.offset;
        r.disk = wide.disk;
        out.records.push_back(std::move(r));
        p += CentralHeaderSize + n + x + c;
    }
    out.used = p;
    return out;
}

} // namespace zipformat
