#pragma once
// The entry reader behind TArchiver::ReadDirectory: finds the first local file header by a
// byte scan from the start of the archive and walks the local headers one after another up
// to the central directory. It works on a ByteSource so that the walk can be driven by any
// readable stream; the component hands it the archive file.
#include "archive/Archiver.h"
#include "platform/Files.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace archive_detail {

// What the reader needs of a stream: reads that may come short only at the end, and
// relative or absolute moves that report where they landed.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::size_t read(void* buffer, std::size_t count) = 0;
    virtual std::int64_t seekBy(std::int64_t delta) = 0;
    virtual std::int64_t seekTo(std::int64_t position) = 0;
    virtual std::int64_t position() const = 0;
    virtual std::int64_t size() const = 0;
};

// The scan examines at most this many bytes as a possible first byte of the first header.
inline constexpr std::int64_t ScanLimit = 60000;
// FileName keeps at most this many bytes of a stored name.
inline constexpr std::size_t NameLimit = 256;

// Appends the archive's entries to ENTRIES in file order. Shows "No valid zip entries
// found" through platform::messages() when no first header is found; raises
// platform::EStreamError on a damaged walk, leaving the entries read so far in ENTRIES.
//
// When the archive has a readable central directory (found as the archive libraries find
// it, holding all the entries it counts) and the walk disagrees with it (an entry one has
// and the other lacks, or another name or size at the same place), the entries are the
// directory's, in the order of their data, and the first difference is shown through
// platform::messages(); the result is then true. With TOLD, the text shown is kept there and
// not shown again while it stays the same (a listing read again after a change).
bool readEntries(ByteSource& source, std::vector<std::unique_ptr<ZipDirEntry>>& entries,
                 std::string* told = nullptr);

// The same walk, handing each entry on as soon as it is read: a listing that prints the
// entries needs no memory for them. The entries handed on before an error are those the
// form above keeps.
using EntrySink = std::function<void(std::unique_ptr<ZipDirEntry>)>;
bool readEntries(ByteSource& source, const EntrySink& sink, std::string* told = nullptr);

// An archive file as a byte source, opened for reading. Raises platform::EFOpenError when
// the file cannot be opened.
class FileSource : public ByteSource {
public:
    explicit FileSource(const std::string& path) : file_(path) {}
    std::size_t read(void* buffer, std::size_t count) override { return file_.read(buffer, count); }
    std::int64_t seekBy(std::int64_t delta) override { return file_.seekBy(delta); }
    std::int64_t seekTo(std::int64_t position) override { return file_.seekTo(position); }
    std::int64_t position() const override { return file_.position(); }
    std::int64_t size() const override { return file_.size(); }

private:
    platform::FileStream file_;
};

} // namespace archive_detail
