#include "tests/follow_writer.h"

#include <fstream>
#include <stdexcept>
#include <vector>

#include "tests/support.h"

namespace quill::test {

namespace {

long long roll(std::mt19937& random, long long below) {
    return std::uniform_int_distribution<long long>(0, below - 1)(random);
}

void append(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::app);
    if (!file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush())
        throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

FollowWriter::FollowWriter(std::filesystem::path path, unsigned seed)
    : path_(std::move(path)), random_(seed) {
    burst(path_);
}

std::string FollowWriter::line() {
    const long long kind = roll(random_, 100);
    if (kind < 3) return "";
    if (kind < 6) return R"({"unixTime":"soon"})";
    constexpr const char* kFiles[] = {"Persist.db", "Special.db", "other.log"};
    constexpr const char* kProcesses[] = {"/usr/bin/a", "b", "/opt/c", "d"};
    std::vector<Proc> processes(roll(random_, 5));
    for (Proc& p : processes) p = {kProcesses[roll(random_, 4)], 1 + roll(random_, 1 << 20)};
    time_ += 1 + roll(random_, 30);
    // One record from before every other, in each file written anew.
    const long long time = ++records_ == 40 ? 1600000000 : time_;
    return statLine(time, roll(random_, 1 << 30), kFiles[roll(random_, 3)], processes);
}

void FollowWriter::burst(const std::filesystem::path& to) {
    for (long long n = 1 + roll(random_, 20); n > 0; --n) waiting_ += line() + '\n';
    const auto cut = static_cast<std::size_t>(1 + roll(random_, std::ssize(waiting_)));
    append(to, std::string_view(waiting_).substr(0, cut));
    waiting_.erase(0, cut);
}

void FollowWriter::run(std::chrono::milliseconds budget,
                       const std::function<void(std::chrono::milliseconds)>& pause) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    int stage = 0;
    for (Clock::duration spent{}; spent < budget; spent = Clock::now() - start) {
        const auto startAnew = [&] { waiting_.clear(), records_ = 0, ++stage; };
        if (stage == 0 && spent > budget / 3) {
            std::filesystem::resize_file(path_, 0);
            startAnew();
        } else if (stage == 1 && spent > budget * 2 / 3) {
            const std::filesystem::path beside = path_.string() + ".new";
            startAnew();
            burst(beside);
            std::filesystem::rename(beside, path_);
        } else {
            burst(path_);
        }
        pause(std::chrono::milliseconds(roll(random_, 80)));
    }
    append(path_, waiting_);
    waiting_.clear();
}

}  // namespace quill::test
