// The registry hive file at sizes a user never reaches by hand but a tool may write: 20,000
// keys of one value each (1.2 MB), and one binary value continued over 100,000 lines (7.5 MB).
// Reading (opening a key and reading a value) and writing (one value, the whole file written back)
// should take time in proportion to the file.
//   registry_bench
#include "platform/Registry.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr int Keys = 20'000;
constexpr int HexLines = 100'000;

std::string manyKeys() {
    std::string out = "REGEDIT4\n\n";
    for (int i = 0; i < Keys; ++i)
        out += "[HKEY_CURRENT_USER\\Software\\Bench\\Key" + std::to_string(i) + "]\n\"Value\"=\"" +
               std::to_string(i) + "\"\n\n";
    return out;
}

std::string longHex() {
    std::string out = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Bench\\Key0]\n\"Blob\"=hex:00";
    for (int i = 0; i < HexLines; ++i)
        out += ",\\\n  01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18";
    out += "\n\"Value\"=\"x\"\n";
    return out;
}

// A hive file in a scratch folder, named by QUEMBLY_REGISTRY for the run.
struct Hive {
    std::filesystem::path path;
    explicit Hive(const std::string& content) {
        path = std::filesystem::temp_directory_path() /
               ("registry_bench_" + std::to_string(getpid()) + ".reg");
        std::ofstream(path, std::ios::binary) << content;
        setenv("QUEMBLY_REGISTRY", path.c_str(), 1);
        setenv("QUEMBLY_MACHINE_REGISTRY", "", 1);
    }
    ~Hive() {
        std::filesystem::remove(path);
        std::filesystem::remove(path.string() + ".lock");
    }
};

void read(benchmark::State& state, const std::string& content, const std::string& key) {
    const Hive hive(content);
    for (auto _ : state) {
        platform::Registry reg;
        if (!reg.openKey(key, false))
            state.SkipWithError("key not found");
        benchmark::DoNotOptimize(reg.readString("Value"));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * content.size()));
}

void write(benchmark::State& state, const std::string& content, const std::string& key) {
    const Hive hive(content);
    for (auto _ : state) {
        platform::Registry reg;
        reg.openKey(key, false);
        reg.writeString("Value", "changed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * content.size()));
}

void BM_Read20000Keys(benchmark::State& state) {
    read(state, manyKeys(), "\\Software\\Bench\\Key19999");
}
void BM_Write20000Keys(benchmark::State& state) {
    write(state, manyKeys(), "\\Software\\Bench\\Key19999");
}
void BM_ReadHexOver100000Lines(benchmark::State& state) {
    read(state, longHex(), "\\Software\\Bench\\Key0");
}
void BM_WriteHexOver100000Lines(benchmark::State& state) {
    write(state, longHex(), "\\Software\\Bench\\Key0");
}

BENCHMARK(BM_Read20000Keys)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write20000Keys)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadHexOver100000Lines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteHexOver100000Lines)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
