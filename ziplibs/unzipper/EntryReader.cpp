#include "ziplibs/unzipper/EntryReader.h"

#include "ziplibs/unzipper/Decryption.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace ziplibs {

namespace {

constexpr std::size_t StoredChunk = 64 * 1024;

// An entry's stored bytes through libzip, in pieces of StoredChunk bytes.
class StoredSource : public ChunkSource {
public:
    StoredSource(zip_file_t* file, std::vector<char>& buffer) : file_(file), buffer_(buffer) {
        if (buffer_.size() < StoredChunk)
            buffer_.resize(StoredChunk);
    }
    ~StoredSource() override { zip_fclose(file_); }
    std::ptrdiff_t next(const unsigned char*& data) override {
        const zip_int64_t n = zip_fread(file_, buffer_.data(), StoredChunk);
        data = reinterpret_cast<const unsigned char*>(buffer_.data());
        return n < 0 ? -1 : static_cast<std::ptrdiff_t>(n);
    }
    zip_file_t* file() const { return file_; }

private:
    zip_file_t* file_;
    std::vector<char>& buffer_;
};

} // namespace

EntryReader::EntryReader(zip_t* za, zip_uint64_t idx, const zip_stat_t& st, EntryBuffers& buffers,
                         const char* password, bool authenticated)
    : za_(za), idx_(idx), buffers_(buffers) {
    zip_error_init(&decodeError_);
    if (password && (st.valid & ZIP_STAT_ENCRYPTION_METHOD) &&
        st.encryption_method != ZIP_EM_NONE) {
        encrypted_ = true;
        authenticated_ = authenticated;
        openEncrypted(st, password);
        return;
    }
    if (inflateWhole(st, nullptr))
        return;
    if ((st.valid & ZIP_STAT_COMP_METHOD) && decodedHere(st.comp_method) &&
        (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method == ZIP_EM_NONE) {
        openDecoder(st, nullptr);
        return;
    }
    file_ = zip_fopen_index(za_, idx_, 0);
}

// libzip decrypts what it reads as stored: a compressed entry is decoded here from that. An
// AE-2 entry stored uncompressed is decrypted here (libzip would check its zero CRC).
void EntryReader::openEncrypted(const zip_stat_t& st, const char* password) {
    const bool method = (st.valid & ZIP_STAT_COMP_METHOD) != 0;
    if (authenticated_ && method && st.comp_method == ZIP_CM_STORE) {
        auto aes = std::make_unique<AesSource>(za_, idx_, st, password, buffers_.stored);
        if (aes->status() != ZIP_ER_OK) {
            zip_error_set(&decodeError_, aes->status(), 0);
            return;
        }
        aes_ = aes.get();
        source_ = std::move(aes);
        decoder_ = makeMethodDecoder(MethodStored, -1, *source_);
        return;
    }
    if (method && (st.comp_method == ZIP_CM_DEFLATE || st.comp_method == ZIP_CM_BZIP2 ||
                   decodedHere(st.comp_method))) {
        if (inflateWhole(st, password))
            return;
        openDecoder(st, password);
        return;
    }
    file_ = zip_fopen_index_encrypted(za_, idx_, 0, password);
}

EntryReader::~EntryReader() {
    decoder_.reset();
    source_.reset();
    if (file_)
        zip_fclose(file_);
    zip_error_fini(&decodeError_);
}

void EntryReader::openDecoder(const zip_stat_t& st, const char* password) {
    zip_file_t* raw = zip_fopen_index_encrypted(za_, idx_, ZIP_FL_COMPRESSED, password);
    if (!raw)
        return;
    source_ = std::make_unique<StoredSource>(raw, buffers_.stored);
    const bool sized =
        (st.valid & ZIP_STAT_SIZE) && st.size <= static_cast<zip_uint64_t>(INT64_MAX);
    if (sized)
        sizeLimit_ = st.size;
    decoder_ = makeMethodDecoder(st.comp_method, sized ? static_cast<std::int64_t>(st.size) : -1,
                                 *source_);
}

zip_int64_t EntryReader::readDecoded(const char*& data, std::size_t max) {
    std::vector<char>& buffer = buffers_.inflated;
    if (buffer.size() < max)
        buffer.resize(max);
    data = buffer.data();
    std::size_t got = 0;
    const DecodeResult r =
        decoder_->read(reinterpret_cast<unsigned char*>(buffer.data()), max, got);
    if (r == DecodeResult::ReadFailed) {
        if (aes_) {
            zip_error_set(&decodeError_, aes_->status(), 0);
            return -1;
        }
        const zip_error_t* why = zip_file_get_error(static_cast<StoredSource&>(*source_).file());
        zip_error_set(&decodeError_, zip_error_code_zip(why), zip_error_code_system(why));
        return -1;
    }
    // Data that decodes to more than the entry's size is damaged; it is not written out.
    if (r == DecodeResult::BadData || got > sizeLimit_ - decoded_) {
        zip_error_set(&decodeError_, ZIP_ER_COMPRESSED_DATA, 0);
        return -1;
    }
    decoded_ += got;
    // At the end of an encrypted entry's data its source is read to its own end, where the
    // authentication code of an AES entry is checked.
    if (got == 0 && encrypted_ && !drained_) {
        drained_ = true;
        const unsigned char* rest = nullptr;
        std::ptrdiff_t n = 1;
        while (n > 0)
            n = source_->next(rest);
        if (n < 0) {
            const zip_error_t* why =
                aes_ ? nullptr : zip_file_get_error(static_cast<StoredSource&>(*source_).file());
            zip_error_set(&decodeError_, aes_ ? aes_->status() : zip_error_code_zip(why), 0);
            return -1;
        }
    }
    return static_cast<zip_int64_t>(got);
}

bool EntryReader::inflateWhole(const zip_stat_t& st, const char* password) {
    constexpr zip_uint64_t needed =
        ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
    if ((st.valid & needed) != needed || st.comp_method != ZIP_CM_DEFLATE ||
        (st.encryption_method != ZIP_EM_NONE) != (password != nullptr) ||
        st.size > WholeBufferLimit || st.comp_size > WholeBufferLimit)
        return false;
    zip_file_t* raw = zip_fopen_index_encrypted(za_, idx_, ZIP_FL_COMPRESSED, password);
    if (!raw)
        return false;
    std::vector<char>& stored = buffers_.stored;
    if (stored.size() < st.comp_size)
        stored.resize(static_cast<std::size_t>(st.comp_size));
    const auto storedSize = static_cast<std::size_t>(st.comp_size);
    std::size_t got = 0;
    zip_int64_t n = 1;
    while (got < storedSize && (n = zip_fread(raw, stored.data() + got, storedSize - got)) > 0)
        got += static_cast<std::size_t>(n);
    // Decrypted data is shorter than what is stored, so the reads run into its end, where an
    // AES entry's authentication code is checked. A failure is found again, and reported, by
    // the stream.
    zip_fclose(raw);
    if (password ? n != 0 : got != storedSize)
        return false;
    size_ = static_cast<std::size_t>(st.size);
    if (buffers_.inflated.size() < size_)
        buffers_.inflated.resize(size_);
    whole_ = buffers_.inflater.inflate(stored.data(), got, buffers_.inflated.data(), size_);
    return whole_;
}

const zip_error_t* EntryReader::error() const {
    if (zip_error_code_zip(&decodeError_) != ZIP_ER_OK)
        return &decodeError_;
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
    if (decoder_)
        return readDecoded(data, max);
    if (buffer.size() < max)
        buffer.resize(max);
    data = buffer.data();
    return zip_fread(file_, buffer.data(), max);
}

} // namespace ziplibs
