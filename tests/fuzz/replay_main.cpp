// Runs a fuzz target over every file under the directories given, for the builds without
// libFuzzer: the corpus and the regression inputs replay in every test run.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    size_t inputs = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code missing;  // a target without regression inputs has no folder
        for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i], missing)) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
            if (entry.is_regular_file()) {
                LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()),
                                       bytes.size());
                ++inputs;
            }
        }
    }
    std::printf("replayed %zu inputs\n", inputs);
    return inputs > 0 ? 0 : 1;  // an empty corpus would test nothing
}
