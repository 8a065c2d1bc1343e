// The entry reader's walk over 100,000 local headers: from memory (the walk alone) and from a
// file through the buffered file source (the walk and its reads), keeping the entries as the
// component does or handing them on as the command-line listing does.
//   reader_bench
#include "archive/DirectoryReader.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

constexpr int Entries = 100'000;

void put16(std::string& out, unsigned v) {
    out += char(v & 0xff);
    out += char((v >> 8) & 0xff);
}
void put32(std::string& out, std::uint32_t v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

// Local headers with names like an archive of a source tree and a few bytes of data each,
// then the central directory's first header, where the walk stops.
const std::string& archiveBytes() {
    static const std::string bytes = [] {
        std::string out;
        for (int i = 0; i < Entries; ++i) {
            const std::string name = "folder" + std::to_string(i % 500) + "/sub" +
                                     std::to_string(i % 37) + "/file" + std::to_string(i) + ".txt";
            const std::uint32_t size = 20 + i % 64;
            put32(out, 0x04034B50);
            put16(out, 20);
            put16(out, 0);
            put16(out, 0);
            put32(out, 0x58A76B12u + std::uint32_t(i));
            put32(out, 0x12345678u);
            put32(out, size);
            put32(out, size);
            put16(out, unsigned(name.size()));
            put16(out, 0);
            out += name;
            out.append(size, 'x');
        }
        put32(out, 0x02014B50);
        out.append(60, '\0');
        return out;
    }();
    return bytes;
}

class MemorySource : public archive_detail::ByteSource {
public:
    explicit MemorySource(const std::string& bytes) : bytes_(bytes) {}
    std::size_t read(void* buffer, std::size_t count) override {
        const std::size_t n =
            pos_ >= std::int64_t(bytes_.size()) ? 0 : std::min(count, bytes_.size() - pos_);
        std::memcpy(buffer, bytes_.data() + pos_, n);
        pos_ += std::int64_t(n);
        return n;
    }
    std::int64_t seekBy(std::int64_t delta) override { return pos_ += delta; }
    std::int64_t seekTo(std::int64_t position) override { return pos_ = position; }
    std::int64_t position() const override { return pos_; }
    std::int64_t size() const override { return std::int64_t(bytes_.size()); }

private:
    const std::string& bytes_;
    std::int64_t pos_ = 0;
};

std::string archiveFile() {
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() /
                               ("quembly-reader-bench-" + std::to_string(getpid()) + ".zip"))
                                  .string();
        std::ofstream(p, std::ios::binary) << archiveBytes();
        return p;
    }();
    return path;
}

void BM_WalkFromMemory(benchmark::State& state) {
    const std::string& bytes = archiveBytes();
    for (auto _ : state) {
        MemorySource source(bytes);
        std::vector<std::unique_ptr<ZipDirEntry>> entries;
        archive_detail::readEntries(source, entries);
        if (entries.size() != Entries)
            state.SkipWithError("wrong number of entries");
    }
    state.SetItemsProcessed(state.iterations() * Entries);
}

void BM_WalkFromFileKept(benchmark::State& state) {
    const std::string path = archiveFile();
    for (auto _ : state) {
        archive_detail::FileSource source(path);
        std::vector<std::unique_ptr<ZipDirEntry>> entries;
        archive_detail::readEntries(source, entries);
        benchmark::DoNotOptimize(entries.data());
    }
    state.SetItemsProcessed(state.iterations() * Entries);
}

void BM_WalkFromFileHandedOn(benchmark::State& state) {
    const std::string path = archiveFile();
    for (auto _ : state) {
        archive_detail::FileSource source(path);
        std::size_t names = 0;
        archive_detail::readEntries(
            source, [&](std::unique_ptr<ZipDirEntry> e) { names += e->FileName.size(); });
        benchmark::DoNotOptimize(names);
    }
    state.SetItemsProcessed(state.iterations() * Entries);
}

} // namespace

BENCHMARK(BM_WalkFromMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkFromFileKept)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkFromFileHandedOn)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(archiveFile().c_str());
    return 0;
}
