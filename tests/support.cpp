#include "tests/support.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>

#include <fstream>
#include <stdexcept>

#include "analysis/derivation.h"

namespace quill::test {

namespace {

// Every test expects UTC dates, also when its program is run by hand.
const bool kUtc = (::setenv("TZ", "UTC", 1), ::tzset(), true);

std::string folded(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace

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

FollowedFile::FollowedFile(Quillstat& model, const std::string& bytes)
    : model_(model), path_(dir_.write("followed.jsonl", bytes)) {
    StatLoad load = StatFollower::load(path_);
    follower_ = load.follower;
    model_.applyLoad(std::move(load));
}

bool FollowedFile::append(const std::string& bytes) {
    std::ofstream(path_, std::ios::binary | std::ios::app) << bytes;
    const FollowStep step = follower_->poll();
    return step.change == FollowChange::Appended && model_.applyGrowth(step.table);
}

std::string makeFifo(const TempDir& dir, const std::string& name) {
    const std::string path = (dir.path() / name).string();
    if (::mkfifo(path.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
    return path;
}

StatEntry entry(long long unixTime, long long totalBytes, const std::string& file,
                const std::vector<Proc>& processes) {
    StatEntry e{unixTime, totalBytes, {}, Text("stats"), Text("r"), Text(file)};
    for (const auto& p : processes) e.processList.push_back({Text(p.process), p.sizeBytes});
    return e;
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

std::vector<std::string> texts(const StatTable& table) {
    (void)kUtc;
    LineTexts formatter;
    std::vector<std::string> out;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const StatLine l = formatter.line(table, i);
        std::string text = l.prevDate.str() + "|" + l.entryDate.str() + "|" + l.size + "|" +
                           l.duration + "|" + l.rate + "|" + std::to_string(l.rateInt) + "|" +
                           l.entry.file.str() + "|" + l.entry.type.str() + "|" +
                           l.entry.record.str() + "|" + std::to_string(l.entry.totalBytes);
        for (const auto& p : l.entry.processList)
            text += "|" + p.process.str() + "=" + std::to_string(p.sizeBytes);
        out.push_back(std::move(text));
    }
    return out;
}

RowIndices plainFilter(const StatTable& table, std::string_view needle) {
    const std::string want = folded(needle);
    LineTexts formatter;
    RowIndices rows;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const StatLine l = formatter.line(table, i);
        for (std::string_view text :
             {l.prevDate.view(), l.entryDate.view(), std::string_view(l.duration),
              std::string_view(l.size), std::string_view(l.rate), l.entry.file.view()}) {
            if (folded(text).find(want) != std::string::npos) {
                rows.push_back(static_cast<std::uint32_t>(i));
                break;
            }
        }
    }
    return rows;
}

}  // namespace quill::test
