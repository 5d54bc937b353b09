#include "bench/measurements.h"

#include <malloc.h>
#include <simdjson.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

#include "analysis/quillstat.h"
#include "bench/dom_checksum.h"

namespace quill::bench {

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

std::string BaselineRun::floorOutput() const {
    return "lines=" + std::to_string(lines) + " checksum=" + std::to_string(checksum) +
           " utf8=" + (validUtf8 ? "valid" : "invalid");
}

BaselineRun timeBaseline(std::string_view text) {
    BaselineRun run;
    simdjson::dom::parser parser;
    const auto start = Clock::now();
    run.validUtf8 = simdjson::validate_utf8(text.data(), text.size());
    std::size_t begin = 0;
    while (begin < text.size()) {
        const void* found = std::memchr(text.data() + begin, '\n', text.size() - begin);
        const std::size_t end =
            found ? static_cast<std::size_t>(static_cast<const char*>(found) - text.data())
                  : text.size();
        simdjson::dom::element document;
        if (end > begin && parser.parse(text.data() + begin, end - begin, false).get(document) ==
                               simdjson::SUCCESS) {
            run.checksum += recordChecksum(document);
            ++run.lines;
        }
        begin = end + 1;
    }
    run.ms = millisecondsSince(start);
    return run;
}

LoadRun timeLoad(const std::string& path) {
    LoadRun run;
    // Made and destroyed outside the timed span: only the load itself is measured.
    auto model = std::make_unique<Quillstat>();
    const auto start = Clock::now();
    LoadOutcome outcome = model->loadStatPath(path);
    run.ms = millisecondsSince(start);
    run.loaded = outcome.status == LoadStatus::Loaded;
    run.error = std::move(outcome.error);
    run.lines = model->statList().size();
    model.reset();
    // Hand the freed model back to the system: the next run then starts like a first load,
    // faulting its pages in, instead of reusing the ones this run left in the heap.
    ::malloc_trim(0);
    return run;
}

std::int64_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::int64_t sizePages = 0;
    std::int64_t residentPages = 0;
    statm >> sizePages >> residentPages;
    return residentPages * static_cast<std::int64_t>(::sysconf(_SC_PAGESIZE));
}

namespace {

/// What the measuring child sends back.
struct ChildReport {
    std::int64_t rssBefore = 0;
    std::int64_t rssAfter = 0;
    std::int64_t heapBefore = 0;
    std::int64_t heapAfter = 0;
    std::int64_t tableBytes = 0;
    std::uint64_t lines = 0;
    bool loaded = false;
};

std::int64_t heapInUse() {
    const struct mallinfo2 info = ::mallinfo2();
    return static_cast<std::int64_t>(info.uordblks + info.hblkhd);
}

[[noreturn]] void runChild(const std::string& path, int out) {
    ChildReport report;
    Quillstat model;
    report.heapBefore = heapInUse();
    report.rssBefore = residentBytes();
    const LoadOutcome outcome = model.loadStatPath(path);
    report.rssAfter = residentBytes();
    report.heapAfter = heapInUse();
    report.tableBytes = static_cast<std::int64_t>(model.statList().bytes());
    report.loaded = outcome.status == LoadStatus::Loaded;
    report.lines = model.statList().size();
    const bool sent = ::write(out, &report, sizeof report) == static_cast<ssize_t>(sizeof report);
    // No destructors, no atexit handlers: the parent's stdio buffers must not be flushed twice.
    ::_exit(sent ? 0 : 1);
}

bool readReport(int in, ChildReport& report) {
    auto* bytes = reinterpret_cast<char*>(&report);
    std::size_t done = 0;
    while (done < sizeof report) {
        const ssize_t n = ::read(in, bytes + done, sizeof report - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

LoadMemory measureLoadMemory(const std::string& path) {
    LoadMemory memory;
    int fds[2];
    if (::pipe(fds) != 0) return {.error = std::strerror(errno)};
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) return {.error = std::strerror(errno)};
    if (child == 0) {
        ::close(fds[0]);
        runChild(path, fds[1]);
    }
    ::close(fds[1]);
    ChildReport report;
    const bool received = readReport(fds[0], report);
    ::close(fds[0]);
    int status = 0;
    struct rusage usage {};
    while (::wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    if (!received || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {.error = "the measuring child failed"};
    memory.rssBefore = report.rssBefore;
    memory.peakRss = static_cast<std::int64_t>(usage.ru_maxrss) * 1024;
    memory.rssAfter = report.rssAfter;
    memory.heapGrowth = report.heapAfter - report.heapBefore;
    memory.tableBytes = report.tableBytes;
    memory.lines = report.lines;
    memory.ok = report.loaded;
    if (!memory.ok) memory.error = "the load failed";
    return memory;
}

}  // namespace quill::bench
