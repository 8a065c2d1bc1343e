#include "zipformat/CentralDirectory.h"

#include "zipformat/ExtraFields.h"
#include "zipformat/Names.h"
#include "zipformat/Records.h"

#include <algorithm>
#include <numeric>

namespace zipformat {

std::optional<CentralRecordView> viewCentralRecord(std::string_view dir, std::size_t p,
                                                   bool& cutShort) {
    cutShort = false;
    if (p > dir.size() || dir.size() - p < 4 || get32(dir.data() + p) != CentralSignature)
        return std::nullopt;
    cutShort = true;
    if (dir.size() - p < CentralHeaderSize)
        return std::nullopt;
    const char* h = dir.data() + p;
    const std::size_t n = get16(h + 28), x = get16(h + 30), c = get16(h + 32);
    if (dir.size() - p - CentralHeaderSize < n + x + c)
        return std::nullopt;
    cutShort = false;
    CentralRecordView r;
    r.at = p;
    r.header = dir.substr(p, CentralHeaderSize);
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
    return r;
}

CentralDirectoryView viewCentralDirectory(std::string_view dir) {
    CentralDirectoryView out;
    std::size_t p = 0;
    while (auto r = viewCentralRecord(dir, p, out.cutShort)) {
        p = recordEnd(*r);
        out.records.push_back(*r);
    }
    out.used = p;
    return out;
}

CentralDirectory readCentralDirectory(std::string_view dir) {
    const auto view = viewCentralDirectory(dir);
    CentralDirectory out;
    out.cutShort = view.cutShort;
    out.used = view.used;
    out.records.reserve(view.records.size());
    for (const auto& v : view.records) {
        CentralRecord r;
        r.header = v.header;
        r.name = v.name;
        r.extra = v.extra;
        r.comment = v.comment;
        r.flags = v.flags;
        r.method = v.method;
        r.crc = v.crc;
        r.compressed = v.compressed;
        r.uncompressed = v.uncompressed;
        r.disk = v.disk;
        r.offset = v.offset;
        r.zip64Complete = v.zip64Complete;
        r.at = v.at;
        out.records.push_back(std::move(r));
    }
    return out;
}

CentralDirectory readCentralDirectory(RandomAccess& in, const EndRecord& e) {
    if (e.cdSize > in.size())
        return {};
    std::string dir(static_cast<std::size_t>(e.cdSize), '\0');
    if (!in.read(e.cdStart, dir.data(), dir.size()))
        return {};
    return readCentralDirectory(dir);
}

template <typename Record>
std::vector<bool>
overlappingRecords(RandomAccess& in, std::uint64_t start, const std::vector<Record>& records,
                   std::vector<std::uint64_t>* dataStarts, std::vector<bool>* localExtras) {
    // Each record's bytes: its local header, name, extra field and data, from the sizes of
    // its local header and of the directory (a header that cannot be read counts as its
    // fixed part). Sums are kept from running over.
    struct Span {
        std::uint64_t from = 0, to = 0;
    };
    const auto add = [](std::uint64_t a, std::uint64_t b) {
        return a > UINT64_MAX - b ? UINT64_MAX : a + b;
    };
    std::vector<Span> spans(records.size());
    if (dataStarts)
        dataStarts->assign(records.size(), NoDataStart);
    if (localExtras)
        localExtras->assign(records.size(), true);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::uint64_t at = add(start, records[i].offset);
        unsigned char h[LocalHeaderSize];
        std::uint64_t header = LocalHeaderSize;
        if (in.read(at, h, sizeof h) && get32(h) == LocalSignature) {
            header += get16(h + 26) + static_cast<std::uint64_t>(get16(h + 28));
            if (dataStarts)
                (*dataStarts)[i] = add(at, header);
            if (localExtras)
                (*localExtras)[i] = get16(h + 28) != 0;
        }
        spans[i] = {at, add(add(at, header), records[i].compressed)};
    }
    std::vector<std::size_t> order(records.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return spans[a].from < spans[b].from; });
    // Walking the spans by their start: one that starts before the furthest end so far
    // overlaps the span that reaches there.
    std::vector<bool> overlaps(records.size(), false);
    std::size_t reaching = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const std::size_t i = order[k];
        if (k > 0 && spans[i].from < spans[reaching].to) {
            overlaps[i] = true;
            overlaps[reaching] = true;
        }
        if (k == 0 || spans[i].to > spans[reaching].to)
            reaching = i;
    }
    return overlaps;
}

template std::vector<bool> overlappingRecords(RandomAccess&, std::uint64_t,
                                              const std::vector<CentralRecord>&,
                                              std::vector<std::uint64_t>*, std::vector<bool>*);
template std::vector<bool> overlappingRecords(RandomAccess&, std::uint64_t,
                                              const std::vector<CentralRecordView>&,
                                              std::vector<std::uint64_t>*, std::vector<bool>*);
template std::vector<bool> overlappingRecords(RandomAccess&, std::uint64_t,
                                              const std::vector<RecordPlace>&,
                                              std::vector<std::uint64_t>*, std::vector<bool>*);

} // namespace zipformat
