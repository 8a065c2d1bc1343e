#include "ziplibs/unzipper/EntryReader.h"

#include <algorithm>

namespace ziplibs {

EntryReader::EntryReader(zip_t* za, zip_uint64_t idx, const zip_stat_t& st, EntryBuffers& buffers)
    : za_(za), idx_(idx), buffers_(buffers) {
    if (inflateWhole(st))
        return;
    file_ = zip_fopen_index(za_, idx_, 0);
}

EntryReader::~EntryReader() {
    if (file_)
        zip_fclose(file_);
}

bool EntryReader::inflateWhole(const zip_stat_t& st) {
    constexpr zip_uint64_t needed =
        ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
    if ((st.valid & needed) != needed || st.comp_method != ZIP_CM_DEFLATE ||
        st.encryption_method != ZIP_EM_NONE || st.size > WholeBufferLimit ||
        st.comp_size > WholeBufferLimit)
        return false;
    zip_file_t* raw = zip_fopen_index(za_, idx_, ZIP_FL_COMPRESSED);
    if (!raw)
        return false;
    std::vector<char>& stored = buffers_.stored;
    if (stored.size() < st.comp_size)
        stored.resize(static_cast<std::size_t>(st.comp_size));
    const auto storedSize = static_cast<std::size_t>(st.comp_size);
    std::size_t got = 0;
    while (got < storedSize) {
        const zip_int64_t n = zip_fread(raw, stored.data() + got, storedSize - got);
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    zip_fclose(raw);
    if (got != storedSize)
        return false;
    size_ = static_cast<std::size_t>(st.size);
    if (buffers_.inflated.size() < size_)
        buffers_.inflated.resize(size_);
    whole_ = buffers_.inflater.inflate(stored.data(), storedSize, buffers_.inflated.data(), size_);
    return whole_;
}

const zip_error_t* EntryReader::error() const {
    return file_ ? zip_file_get_error(file_) : zip_get_error(za_);
}

zip_int64_t EntryReader::read(const char*& data, std::size_t max) {
    std::vector<char>& buffer = buffers_.inflated;
    if (whole_) {
        const std::size_t n = std::min(max, size_ - pos_);
        data = buffer.data() + pos_;
        pos_ += n;
        return static_cast<zip_int64_t>(n);
    }
    if (buffer.size() < max)
        buffer.resize(max);
    data = buffer.data();
    return zip_fread(file_, buffer.data(), max);
}

} // namespace ziplibs
