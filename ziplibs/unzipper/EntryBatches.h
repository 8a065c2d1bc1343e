#pragma once
// A large archive opened a part of its entries at a time. libzip keeps some 260 bytes and a
// dozen allocations for every entry of an open archive, a quarter of a gigabyte for a
// million entries. An archive of more than BatchEntries entries is therefore opened as a
// series of archives that each hold the next BatchEntries records of its central directory:
// each reads the file's bytes up to the directory as they stand, followed by those records
// and an end record made for them, so that every entry keeps its offsets and data.
#include <zip.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ziplibs {

class EntryBatches {
public:
    static constexpr std::uint64_t BatchEntries = 32768;

    // The batches of the archive at PATH; nullopt when it holds no more than BatchEntries
    // entries, or when its directory cannot be read record by record (it is then opened
    // whole, as any other archive).
    static std::optional<EntryBatches> plan(const std::string& path);

    std::uint64_t entries() const { return entries_; }
    std::size_t count() const { return bounds_.size() - 1; }
    // The index of batch B's first entry in the whole archive.
    std::uint64_t first(std::size_t b) const { return b * BatchEntries; }
    // Batch B opened read-only; null on failure.
    zip_t* open(std::size_t b) const;

private:
    std::string path_;
    std::uint64_t start_ = 0;    // where the archive's offsets count from, in the file
    std::uint64_t cdOffset_ = 0; // the directory's offset, as its records count it
    std::uint64_t entries_ = 0;
    // Where each batch's records begin in the directory, and the directory's end.
    std::vector<std::uint64_t> bounds_;
};

} // namespace ziplibs
