#pragma once
// Deleting entries by copying the kept ones' bytes as they stand. Each entry's bytes run from
// its local header to the next entry's local header (or to the central directory), so its
// data descriptor and anything between it and the next entry go with it; the kept runs are
// copied by the kernel (copy_file_range) where it can, and the kept central records are
// written unchanged but for their local header offsets. An archive of any unusual shape is
// left to the general rewrite: that is decided before anything is written.
#include "ziplibs/common/Reporter.h"
#include "ziplibs/zipper/ArchiveFile.h"

#include <string>
#include <vector>

namespace ziplibs {

enum class RawDelete {
    NotApplicable, // nothing written: the caller deletes another way
    Done,          // the new archive is in place
    Failed,        // the archive was left as it was; ERROR says why
    Cancelled,     // the caller asked to stop; the archive was left as it was
};

// Writes the archive that FILE opened and locked without the entries whose index (the
// position of their record in the central directory) is set in DELETED, which holds one flag
// for each entry the archive was opened with, and puts it in place through FILE. Reports the
// copied bytes as progress of REP and stops when REP is stopped.
RawDelete rawDelete(ArchiveFile& file, const std::vector<bool>& deleted, Reporter& rep,
                    std::string& error);

} // namespace ziplibs
