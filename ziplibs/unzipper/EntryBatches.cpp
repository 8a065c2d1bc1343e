#include "ziplibs/unzipper/EntryBatches.h"

#include "zipformat/Records.h"
#include "ziplibs/common/ArchiveBounds.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace ziplibs {

namespace {

void put16(std::string& out, std::uint16_t v) {
    out += static_cast<char>(v & 0xff);
    out += static_cast<char>(v >> 8);
}
void put32(std::string& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v & 0xffff));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}
void put64(std::string& out, std::uint64_t v) {
    put32(out, static_cast<std::uint32_t>(v & 0xffffffff));
    put32(out, static_cast<std::uint32_t>(v >> 32));
}

// The bytes one batch's archive reads: the file's from the archive's start up to its
// directory, then TAIL (the batch's records and their end records).
struct BatchSource {
    int fd = -1;
    std::uint64_t start = 0; // in the file
    std::uint64_t head = 0;  // bytes taken from the file
    std::string tail;
    std::uint64_t pos = 0;
    zip_error_t error;

    std::uint64_t size() const { return head + tail.size(); }

    zip_int64_t read(void* data, zip_uint64_t len) {
        len = std::min<zip_uint64_t>(len, size() - std::min(pos, size()));
        auto* out = static_cast<char*>(data);
        zip_uint64_t done = 0;
        while (done < len) {
            if (pos < head) {
                const auto n = static_cast<std::size_t>(std::min(len - done, head - pos));
                const ssize_t got = pread(fd, out + done, n, static_cast<off_t>(start + pos));
                if (got <= 0) {
                    zip_error_set(&error, ZIP_ER_READ, got < 0 ? errno : EIO);
                    return -1;
                }
                done += static_cast<zip_uint64_t>(got);
                pos += static_cast<zip_uint64_t>(got);
            } else {
                const auto n = static_cast<std::size_t>(len - done);
                std::memcpy(out + done, tail.data() + (pos - head), n);
                done += n;
                pos += n;
            }
        }
        return static_cast<zip_int64_t>(done);
    }
};

zip_int64_t batchCallback(void* ud, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* s = static_cast<BatchSource*>(ud);
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        s->pos = 0;
        return 0;
    case ZIP_SOURCE_READ:
        return s->read(data, len);
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_SEEK: {
        const zip_int64_t to =
            zip_source_seek_compute_offset(s->pos, s->size(), data, len, &s->error);
        if (to < 0)
            return -1;
        s->pos = static_cast<zip_uint64_t>(to);
        return 0;
    }
    case ZIP_SOURCE_TELL:
        return static_cast<zip_int64_t>(s->pos);
    case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        st->size = s->size();
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(*st);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&s->error, data, len);
    case ZIP_SOURCE_FREE:
        if (s->fd >= 0)
            close(s->fd);
        zip_error_fini(&s->error);
        delete s;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

} // namespace

std::optional<EntryBatches> EntryBatches::plan(const std::string& path) {
    EntryBatches b;
    b.path_ = path;
    std::uint64_t cdSize = 0;
    bool large = false;
    const bool whole =
        visitCentralRecords(path, [&](const zipformat::EndRecord& end,
                                      const zipformat::CentralRecordView&, std::uint64_t at) {
            if (b.entries_ == 0) {
                b.start_ = end.start;
                b.cdOffset_ = end.cdStart - end.start;
                cdSize = end.cdSize;
                large = end.entries > BatchEntries;
            }
            if (b.entries_ % BatchEntries == 0)
                b.bounds_.push_back(at);
            ++b.entries_;
        });
    if (!whole || !large)
        return std::nullopt;
    b.bounds_.push_back(cdSize);
    // A batch's directory must stay below 4 GiB, as its end record counts it.
    for (std::size_t i = 1; i < b.bounds_.size(); ++i)
        if (b.bounds_[i] - b.bounds_[i - 1] >= 0xffffffffu)
            return std::nullopt;
    return b;
}

zip_t* EntryBatches::open(std::size_t batch) const {
    if (batch >= count())
        return nullptr;
    auto* s = new BatchSource;
    zip_error_init(&s->error);
    s->fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    s->start = start_;
    s->head = cdOffset_;
    const std::uint64_t from = bounds_[batch], to = bounds_[batch + 1];
    const std::uint64_t records = std::min<std::uint64_t>(BatchEntries, entries_ - first(batch));
    s->tail.resize(static_cast<std::size_t>(to - from));
    const bool read = s->fd >= 0 && pread(s->fd, s->tail.data(), s->tail.size(),
                                          static_cast<off_t>(start_ + cdOffset_ + from)) ==
                                        static_cast<ssize_t>(s->tail.size());
    // The end records of a directory of these records at the archive's own offset; a
    // directory at 4 GiB or beyond is found through the ZIP64 end record.
    const std::uint64_t size = to - from;
    if (cdOffset_ >= 0xffffffffu) {
        const std::uint64_t zip64End = cdOffset_ + size;
        s->tail += "PK\x06\x06";
        put64(s->tail, 44);
        put16(s->tail, 45);
        put16(s->tail, 45);
        put32(s->tail, 0);
        put32(s->tail, 0);
        put64(s->tail, records);
        put64(s->tail, records);
        put64(s->tail, size);
        put64(s->tail, cdOffset_);
        s->tail += "PK\x06\x07";
        put32(s->tail, 0);
        put64(s->tail, zip64End);
        put32(s->tail, 1);
    }
    s->tail += "PK\x05\x06";
    put16(s->tail, 0);
    put16(s->tail, 0);
    put16(s->tail, static_cast<std::uint16_t>(records));
    put16(s->tail, static_cast<std::uint16_t>(records));
    put32(s->tail, static_cast<std::uint32_t>(size));
    put32(s->tail, static_cast<std::uint32_t>(std::min<std::uint64_t>(cdOffset_, 0xffffffffu)));
    put16(s->tail, 0);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = read ? zip_source_function_create(batchCallback, s, &error) : nullptr;
    if (!src) {
        if (s->fd >= 0)
            close(s->fd);
        zip_error_fini(&s->error);
        delete s;
        zip_error_fini(&error);
        return nullptr;
    }
    zip_t* za = zip_open_from_source(src, ZIP_RDONLY, &error);
    if (!za)
        zip_source_free(src);
    zip_error_fini(&error);
    return za;
}

} // namespace ziplibs
