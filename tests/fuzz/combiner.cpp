// Fuzzing entry point of the combiner's piece parsing: the bytes are cut into the pieces of a
// split archive, written into a scratch folder, and combined.
//
// The first byte chooses the form (bit 0: a ZIP split set "x.z01 ... x.zip", else a byte
// split "x.001 ..."), and the number of pieces (bits 1 and 2, plus one); the rest is cut
// into that many pieces of equal length. Combining may succeed or refuse with a sentence;
// any other exception, a crash or a hang is a fault, and so is a file left behind beside
// the pieces and the output.
#include "FuzzSupport.h"

#include "tools/combiner/Combine.h"

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fs::path scratch = fuzzsupport::scratchFolder("combiner");
    if (size == 0)
        return 0;
    const bool zipSplit = (data[0] & 1) != 0;
    const std::size_t count = ((data[0] >> 1) & 3) + 1;
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(scratch))
        fs::remove_all(entry.path(), ec);
    std::vector<fs::path> pieces;
    const std::size_t each = rest.size() / count;
    for (std::size_t k = 0; k < count; ++k) {
        const std::string name = zipSplit
                                     ? (k + 1 == count ? "x.zip" : "x.z0" + std::to_string(k + 1))
                                     : "x.00" + std::to_string(k + 1);
        const std::size_t from = k * each;
        const std::size_t n = k + 1 == count ? rest.size() - from : each;
        std::ofstream(scratch / name, std::ios::binary)
            .write(rest.data() + from, static_cast<std::streamsize>(n));
        pieces.push_back(scratch / name);
    }
    const fs::path output = scratch / "out.zip";
    try {
        combiner::combine(zipSplit ? pieces.back() : pieces.front(), output, false);
    } catch (const combiner::CombineError& e) {
        const std::string text = e.what();
        if (text.empty() || text.back() != '.')
            fuzzsupport::fault("a refusal that is no sentence: " + text);
    }
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(scratch))
        ++files;
    if (files > count + 1)
        fuzzsupport::fault("a file was left behind");
    return 0;
}
