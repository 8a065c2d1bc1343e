#include "ziplibs/unzipper/MethodDecoders.h"

#include "ziplibs/unzipper/Deflate64.h"

#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace ziplibs {

namespace {

// The most memory a decoder may ask for: the window an entry's header declares is allocated
// up front, and a damaged header must not make that unbounded.
constexpr std::uint64_t MemoryLimit = std::uint64_t{1} << 30;

// The input side shared by the library-backed decoders: the current piece of the source.
class SourceReader {
public:
    explicit SourceReader(ChunkSource& source) : source_(source) {}
    // Makes input available unless the source has ended; false at its end or on failure.
    bool more() {
        if (len_ > 0)
            return true;
        if (ended_)
            return false;
        const std::ptrdiff_t n = source_.next(data_);
        if (n <= 0) {
            ended_ = true;
            failed_ = n < 0;
            return false;
        }
        len_ = static_cast<std::size_t>(n);
        return true;
    }
    const unsigned char* data() const { return data_; }
    std::size_t size() const { return len_; }
    void consume(std::size_t n) {
        data_ += n;
        len_ -= n;
    }
    bool ended() const { return ended_; }
    DecodeResult whyEnded() const {
        return failed_ ? DecodeResult::ReadFailed : DecodeResult::BadData;
    }

private:
    ChunkSource& source_;
    const unsigned char* data_ = nullptr;
    std::size_t len_ = 0;
    bool ended_ = false;
    bool failed_ = false;
};

// LZMA and XZ through liblzma's streaming decoder.
class LzmaDecoder : public MethodDecoder {
public:
    LzmaDecoder(std::int32_t method, std::int64_t size, ChunkSource& source)
        : method_(method), size_(size), in_(source) {}
    ~LzmaDecoder() override { lzma_end(&strm_); }

    DecodeResult read(unsigned char* out, std::size_t max, std::size_t& got) override {
        got = 0;
        if (failed_)
            return *failed_;
        if (!started_ && !start())
            return fail(in_.ended() ? in_.whyEnded() : DecodeResult::BadData);
        strm_.next_out = out;
        strm_.avail_out = max;
        while (!ended_ && strm_.avail_out > 0) {
            if (!in_.more() && in_.ended() && in_.whyEnded() == DecodeResult::ReadFailed)
                return fail(DecodeResult::ReadFailed);
            strm_.next_in = in_.data();
            strm_.avail_in = in_.size();
            const lzma_ret ret = lzma_code(&strm_, in_.size() == 0 ? LZMA_FINISH : LZMA_RUN);
            in_.consume(in_.size() - strm_.avail_in);
            if (ret == LZMA_STREAM_END) {
                ended_ = true;
            } else if (ret != LZMA_OK) {
                got = max - strm_.avail_out;
                return fail(DecodeResult::BadData);
            } else if (in_.size() == 0 && in_.ended() && strm_.avail_out > 0) {
                // Everything was fed, the output has room and the stream has not ended:
                // it was cut short.
                return fail(DecodeResult::BadData);
            }
        }
        got = max - strm_.avail_out;
        return DecodeResult::Ok;
    }

private:
    DecodeResult fail(DecodeResult r) {
        failed_ = r;
        return r;
    }

    // Reads N bytes of the entry's own header.
    bool header(unsigned char* buf, std::size_t n) {
        for (std::size_t k = 0; k < n;) {
            if (!in_.more())
                return false;
            const std::size_t take = std::min(n - k, in_.size());
            std::memcpy(buf + k, in_.data(), take);
            in_.consume(take);
            k += take;
        }
        return true;
    }

    bool start() {
        started_ = true;
        if (method_ == MethodXz)
            return lzma_stream_decoder(&strm_, MemoryLimit, 0) == LZMA_OK;
        // A ZIP LZMA entry starts with the encoder's version (2 bytes), the size of the
        // properties (2 bytes, 5) and the properties; the raw LZMA data follows, with or
        // without an end marker.
        unsigned char head[4 + 5];
        if (!header(head, 4) || (head[2] | head[3] << 8) != 5 || !header(head + 4, 5))
            return false;
        lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
        if (lzma_properties_decode(&filters[0], nullptr, head + 4, 5) != LZMA_OK)
            return false;
        auto* opt = static_cast<lzma_options_lzma*>(filters[0].options);
        if (size_ >= 0) {
            // The window never needs to be larger than the data; the size then also ends
            // a stream that has no end marker.
            opt->dict_size = static_cast<std::uint32_t>(std::min<std::uint64_t>(
                opt->dict_size, std::max<std::uint64_t>(static_cast<std::uint64_t>(size_), 4096)));
            filters[0].id = LZMA_FILTER_LZMA1EXT;
            opt->ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
            opt->ext_size_low = static_cast<std::uint32_t>(static_cast<std::uint64_t>(size_));
            opt->ext_size_high =
                static_cast<std::uint32_t>(static_cast<std::uint64_t>(size_) >> 32);
        }
        const bool ok =
            opt->dict_size <= MemoryLimit && lzma_raw_decoder(&strm_, filters) == LZMA_OK;
        std::free(opt);
        return ok;
    }

    std::int32_t method_;
    std::int64_t size_;
    SourceReader in_;
    lzma_stream strm_ = LZMA_STREAM_INIT;
    bool started_ = false;
    bool ended_ = false;
    std::optional<DecodeResult> failed_;
};

// Zstandard through libzstd's streaming decoder; frames that follow one another are decoded
// one after the other, as the format allows.
class ZstdDecoder : public MethodDecoder {
public:
    explicit ZstdDecoder(ChunkSource& source) : in_(source), ctx_(ZSTD_createDStream()) {}
    ~ZstdDecoder() override { ZSTD_freeDStream(ctx_); }

    DecodeResult read(unsigned char* out, std::size_t max, std::size_t& got) override {
        got = 0;
        if (failed_)
            return *failed_;
        if (!ctx_)
            return fail(DecodeResult::BadData);
        ZSTD_outBuffer ob{out, max, 0};
        while (ob.pos < ob.size) {
            ZSTD_inBuffer ib{nullptr, 0, 0};
            const bool more = in_.more();
            if (more)
                ib = {in_.data(), in_.size(), 0};
            else if (in_.whyEnded() == DecodeResult::ReadFailed)
                return fail(DecodeResult::ReadFailed);
            const std::size_t before = ob.pos;
            const std::size_t r = ZSTD_decompressStream(ctx_, &ob, &ib);
            in_.consume(ib.pos);
            if (ZSTD_isError(r))
                return fail(DecodeResult::BadData);
            if (more) {
                sawFrame_ = true;
                inFrame_ = r != 0;
                continue;
            }
            if (ob.pos > before) {
                inFrame_ = r != 0;
                continue;
            }
            // The data ended: cleanly only between frames, and after at least one.
            if (inFrame_ || !sawFrame_)
                return fail(DecodeResult::BadData);
            break;
        }
        got = ob.pos;
        return DecodeResult::Ok;
    }

private:
    DecodeResult fail(DecodeResult r) {
        failed_ = r;
        return r;
    }

    SourceReader in_;
    ZSTD_DStream* ctx_;
    bool sawFrame_ = false;
    bool inFrame_ = false;
    std::optional<DecodeResult> failed_;
};

// The decoders of the methods libzip decodes itself, for the data of an encrypted entry read as
// stored (libzip decrypts it but cannot then inflate it in one piece) and too large to inflate
// whole: stored bytes handed on, raw DEFLATE through zlib's stream, bzip2 through libbz2's.
class CopyDecoder : public MethodDecoder {
public:
    explicit CopyDecoder(ChunkSource& source) : source_(source) {}
    DecodeResult read(unsigned char* out, std::size_t max, std::size_t& got) override {
        got = 0;
        while (got < max) {
            if (pos_ == size_) {
                const std::ptrdiff_t n = source_.next(data_);
                if (n < 0)
                    return DecodeResult::ReadFailed;
                if (n == 0)
                    break;
                pos_ = 0;
                size_ = static_cast<std::size_t>(n);
            }
            const std::size_t n = std::min(max - got, size_ - pos_);
            std::memcpy(out + got, data_ + pos_, n);
            pos_ += n;
            got += n;
        }
        return DecodeResult::Ok;
    }

private:
    ChunkSource& source_;
    const unsigned char* data_ = nullptr;
    std::size_t pos_ = 0, size_ = 0;
};

class InflateDecoder : public MethodDecoder {
public:
    explicit InflateDecoder(ChunkSource& source) : source_(source) {
        ready_ = inflateInit2(&z_, -MAX_WBITS) == Z_OK;
    }
    ~InflateDecoder() override {
        if (ready_)
            inflateEnd(&z_);
    }
    InflateDecoder(const InflateDecoder&) = delete;
    InflateDecoder& operator=(const InflateDecoder&) = delete;

    DecodeResult read(unsigned char* out, std::size_t max, std::size_t& got) override {
        got = 0;
        if (!ready_)
            return DecodeResult::BadData;
        z_.next_out = out;
        z_.avail_out = static_cast<uInt>(std::min<std::size_t>(max, UINT_MAX));
        while (z_.avail_out > 0 && !ended_) {
            if (z_.avail_in == 0 && !inputEnded_) {
                const unsigned char* data = nullptr;
                const std::ptrdiff_t n = source_.next(data);
                if (n < 0)
                    return DecodeResult::ReadFailed;
                inputEnded_ = n == 0;
                z_.next_in = const_cast<unsigned char*>(data);
                z_.avail_in = static_cast<uInt>(n);
            }
            const int rc = inflate(&z_, Z_NO_FLUSH);
            if (rc == Z_STREAM_END)
                ended_ = true;
            else if (rc != Z_OK && !(rc == Z_BUF_ERROR && z_.avail_in == 0 && !inputEnded_))
                return DecodeResult::BadData; // damaged, or ended before the stream did
        }
        got = static_cast<std::size_t>(z_.next_out - out);
        return DecodeResult::Ok;
    }

private:
    ChunkSource& source_;
    z_stream z_{};
    bool ready_ = false;
    bool ended_ = false;
    bool inputEnded_ = false;
};

class Bzip2Decoder : public MethodDecoder {
public:
    explicit Bzip2Decoder(ChunkSource& source) : source_(source) {
        ready_ = BZ2_bzDecompressInit(&bz_, 0, 0) == BZ_OK;
    }
    ~Bzip2Decoder() override {
        if (ready_)
            BZ2_bzDecompressEnd(&bz_);
    }
    Bzip2Decoder(const Bzip2Decoder&) = delete;
    Bzip2Decoder& operator=(const Bzip2Decoder&) = delete;

    DecodeResult read(unsigned char* out, std::size_t max, std::size_t& got) override {
        got = 0;
        if (!ready_)
            return DecodeResult::BadData;
        bz_.next_out = reinterpret_cast<char*>(out);
        bz_.avail_out = static_cast<unsigned>(std::min<std::size_t>(max, UINT_MAX));
        while (bz_.avail_out > 0 && !ended_) {
            if (bz_.avail_in == 0) {
                const unsigned char* data = nullptr;
                const std::ptrdiff_t n = source_.next(data);
                if (n < 0)
                    return DecodeResult::ReadFailed;
                if (n == 0)
                    return DecodeResult::BadData; // the data ended before the stream did
                bz_.next_in = const_cast<char*>(reinterpret_cast<const char*>(data));
                bz_.avail_in = static_cast<unsigned>(n);
            }
            const int rc = BZ2_bzDecompress(&bz_);
            if (rc == BZ_STREAM_END)
                ended_ = true;
            else if (rc != BZ_OK)
                return DecodeResult::BadData;
        }
        got = static_cast<std::size_t>(reinterpret_cast<unsigned char*>(bz_.next_out) - out);
        return DecodeResult::Ok;
    }

private:
    ChunkSource& source_;
    bz_stream bz_{};
    bool ready_ = false;
    bool ended_ = false;
};

} // namespace

std::string methodName(std::int32_t method) {
    switch (method) {
    case 1:
        return "Shrink";
    case 6:
        return "Implode";
    case 9:
        return "Deflate64";
    case 14:
        return "LZMA";
    case 93:
        return "Zstandard";
    case 95:
        return "XZ";
    case 98:
        return "PPMd";
    default:
        return "number " + std::to_string(method);
    }
}

bool decodedHere(std::int32_t method) {
    return method == MethodDeflate64 || method == MethodLzma || method == MethodZstd ||
           method == MethodXz;
}

std::unique_ptr<MethodDecoder> makeMethodDecoder(std::int32_t method, std::int64_t size,
                                                 ChunkSource& source) {
    switch (method) {
    case MethodStored:
        return std::make_unique<CopyDecoder>(source);
    case MethodDeflate:
        return std::make_unique<InflateDecoder>(source);
    case MethodBzip2:
        return std::make_unique<Bzip2Decoder>(source);
    case MethodDeflate64:
        return std::make_unique<Deflate64Decoder>(source);
    case MethodLzma:
    case MethodXz:
        return std::make_unique<LzmaDecoder>(method, size, source);
    case MethodZstd:
        return std::make_unique<ZstdDecoder>(source);
    default:
        return nullptr;
    }
}

} // namespace ziplibs
