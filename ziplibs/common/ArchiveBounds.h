#pragma once
// Where the archive proper lies inside a file that holds other bytes too: a program part
// before it whose length its offsets do not count (a self-extractor put in front without
// correcting them), and anything after its end record (padding, a signature block, a second
// copy of the trailer). The end record is found by the format layer's search
// (zipformat/EndRecord.h), which accepts it only when its central directory stands where
// it says.
#include "zipformat/CentralDirectory.h"
#include "zipformat/EndRecord.h"

#include <zip.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ziplibs {

struct ArchiveBounds {
    std::uint64_t start = 0; // the file position that the archive's offsets count from
    std::uint64_t end = 0;   // just after the end record and its comment
    std::uint64_t fileSize = 0;
    bool dataAfter() const { return end < fileSize; }
    // Whether libzip, which takes the whole file as the archive, needs a window onto it.
    bool needsWindow() const { return start > 0 || dataAfter(); }
};

// The bounds of the archive in the file at PATH; nullopt when no valid end record is found.
std::optional<ArchiveBounds> locateArchive(const std::string& path);

// Hands each record of the central directory of the archive at PATH to VISIT with the end
// record and the record's position in the directory, reading the directory a piece at a
// time. False when it cannot be read or holds other than the end record's count of records.
using RecordVisitor = std::function<void(const zipformat::EndRecord&,
                                         const zipformat::CentralRecordView&, std::uint64_t)>;
bool visitCentralRecords(const std::string& path, const RecordVisitor& visit);

// For each entry of the archive at PATH, in the order of its central directory: whether its
// bytes overlap those of another entry, and where in the file its data begins (after its
// local header; zipformat::NoDataStart when that header cannot be read) and whether that
// header has an extra field (true when it cannot be read). All empty when the
// directory cannot be read.
struct EntryPlaces {
    std::vector<bool> overlapping;
    std::vector<std::uint64_t> dataStart;
    std::vector<bool> localExtra; // whether the local header has an extra field
};
EntryPlaces entryPlaces(const std::string& path);

// For each entry of the archive at PATH, in the order of its central directory, whether it is
// AES-encrypted in the AE-2 form (vendor version 2 of its 0x9901 field): its stored CRC is 0
// and its authentication code alone checks the data. libzip keeps that field to itself.
// Empty when the directory cannot be read.
std::vector<bool> authenticatedEntries(const std::string& path);

// Opens the archive read-only through a window from its start to its end; null on failure.
zip_t* openArchiveWindow(const std::string& path, const ArchiveBounds& bounds);

} // namespace ziplibs
