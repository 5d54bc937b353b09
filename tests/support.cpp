#include "tests/support.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>

#include <stdexcept>

namespace quill::test {

ScopedTimeZone::ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) previous_ = old;
    ::setenv("TZ", zone, 1);
    ::tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
    if (previous_)
        ::setenv("TZ", previous_->c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quill-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::write(const std::string& name, const std::string& bytes) const {
    const auto file = path_ / name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file.string();
}

std::string makeFifo(const TempDir& dir, const std::string& name) {
    const std::string path = (dir.path() / name).string();
    if (::mkfifo(path.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
    return path;
}

std::string statLine(long long unixTime, long long totalBytes, const std::string& file,
                     const std::vector<Proc>& processes) {
    std::string list;
    for (const auto& p : processes) {
        if (!list.empty()) list += ',';
        list +=
            R"({"process":")" + p.process + R"(","sizeBytes":)" + std::to_string(p.sizeBytes) + "}";
    }
    return R"({"unixTime":)" + std::to_string(unixTime) + R"(,"totalBytes":)" +
           std::to_string(totalBytes) + R"(,"processList":[)" + list +
           R"(],"type":"stats","record":"r","file":")" + file + R"("})";
}

StatEntry entry(long long unixTime, long long totalBytes, const std::string& file,
                const std::vector<Proc>& processes) {
    StatEntry e;
    e.unixTime = unixTime;
    e.totalBytes = totalBytes;
    for (const auto& p : processes) e.processList.push_back({Text(p.process), p.sizeBytes});
    e.type = Text("stats");
    e.record = Text("r");
    e.file = Text(file);
    return e;
}

LoadOutcome loadBytes(Quillstat& model, const std::string& bytes, const std::string& name) {
    return model.loadStatBytes(name, bytes);
}

}  // namespace quill::test
