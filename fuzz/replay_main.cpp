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
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

/// The files `path` names, folders expanded one level deep and sorted so that runs are
/// repeatable. A path that does not exist is an error: a misspelt corpus folder must not pass
/// as an empty one.
bool collectInputs(const fs::path& path, std::vector<fs::path>& out) {
    std::error_code error;
    if (fs::is_regular_file(path, error)) {
        out.push_back(path);
        return true;
    }
    if (!fs::is_directory(path, error)) {
        std::cerr << "replay: no such file or folder: " << path << '\n';
        return false;
    }
    std::vector<fs::path> files;
    for (const auto& item : fs::directory_iterator(path, error)) {
        if (item.is_regular_file()) files.push_back(item.path());
    }
    if (error) {
        std::cerr << "replay: cannot list " << path << ": " << error.message() << '\n';
        return false;
    }
    std::sort(files.begin(), files.end());
    out.insert(out.end(), files.begin(), files.end());
    return true;
}

bool readFile(const fs::path& path, std::vector<std::uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

/// Hands `bytes` to the target in a buffer of exactly their size, as libFuzzer does, so that a
/// sanitizer catches any read past the end.
void runOne(const std::vector<std::uint8_t>& bytes) {
    const auto exact = std::make_unique_for_overwrite<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), exact.get());
    LLVMFuzzerTestOneInput(exact.get(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: " << argv[0] << " FILE_OR_FOLDER...\n";
        return 2;
    }
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        if (!collectInputs(argv[i], inputs)) return 1;
    }
    if (inputs.empty()) {
        std::cerr << "replay: no inputs found\n";
        return 1;
    }
    std::vector<std::uint8_t> bytes;
    for (const auto& input : inputs) {
        if (!readFile(input, bytes)) {
            std::cerr << "replay: cannot read " << input << '\n';
            return 1;
        }
        // Named before running, so that a crash leaves the culprit as the last line printed.
        std::cout << "replay: " << input.filename().string() << " (" << bytes.size() << " bytes)"
                  << std::endl;
        runOne(bytes);
    }
    std::cout << "replay: " << inputs.size() << " inputs passed\n";
    return 0;
}
