// Runs a fuzz target over saved inputs, so that the seed corpus and every reproducer saved in it
// are checked by the ordinary test build, with any compiler and without libFuzzer.
//
// Usage: <target>_replay PATH...   (each PATH a file, or a folder whose files are all run)

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    // Folders are expanded one level deep and sorted, so that runs are repeatable. A path that
    // does not exist is an error: a misspelt corpus folder must not pass as an empty one.
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        if (fs::is_regular_file(argv[i])) {
            inputs.emplace_back(argv[i]);
        } else if (fs::is_directory(argv[i])) {
            std::vector<fs::path> files;
            for (const auto& item : fs::directory_iterator(argv[i]))
                if (item.is_regular_file()) files.push_back(item.path());
            std::sort(files.begin(), files.end());
            inputs.insert(inputs.end(), files.begin(), files.end());
        } else {
            std::cerr << "replay: no such file or folder: " << argv[i] << '\n';
            return 1;
        }
    }
    if (inputs.empty()) {
        std::cerr << "usage: " << argv[0] << " FILE_OR_FOLDER...  (no inputs found)\n";
        return 1;
    }
    for (const auto& input : inputs) {
        std::ifstream in(input, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
        if (!in) {
            std::cerr << "replay: cannot read " << input << '\n';
            return 1;
        }
        // Named before running, so that a crash leaves the culprit as the last line printed.
        std::cout << "replay: " << input.filename().string() << " (" << bytes.size() << " bytes)"
                  << std::endl;
        // In a buffer of exactly their size, as libFuzzer gives them, so that a sanitizer
        // catches any read past the end.
        const auto exact = std::make_unique<std::uint8_t[]>(bytes.size());
        std::copy(bytes.begin(), bytes.end(), exact.get());
        LLVMFuzzerTestOneInput(exact.get(), bytes.size());
    }
    std::cout << "replay: " << inputs.size() << " inputs passed\n";
    return 0;
}
