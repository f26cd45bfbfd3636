// Runs a fuzz target over the inputs of its corpus without the fuzzer and prints, for each input
// in name order, a digest of what it gave: the values converted or read, the exit code and the
// bytes written. The digests of builds on different floating-point units must be equal.
//   lncalc_replay_<target> CORPUS_DIR...
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::uint64_t fnv1a(const std::string& bytes) {
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    for (unsigned char c : bytes) {
        hash = (hash ^ c) * 0x100000001B3ULL;
    }
    return hash;
}

std::vector<std::filesystem::path> inputs_of(int argc, char** argv) {
    std::vector<std::filesystem::path> paths;
    for (int i = 1; i < argc; ++i) {
        for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
            if (entry.is_regular_file()) {
                paths.push_back(entry.path());
            }
        }
    }
    std::sort(paths.begin(), paths.end(),
              [](const auto& a, const auto& b) { return a.filename() < b.filename(); });
    return paths;
}

} // namespace

int main(int argc, char** argv) {
    lnc::fuzz::start_noting();
    for (const auto& path : inputs_of(argc, argv)) {
        std::ifstream file(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        std::printf("%s %016llx\n", path.filename().c_str(),
                    static_cast<unsigned long long>(fnv1a(lnc::fuzz::take_noted_results())));
    }
    return 0;
}
