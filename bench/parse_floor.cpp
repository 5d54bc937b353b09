// quillometer-parse-floor: reads a statistics file and parses every line into a DOM on one thread,
// keeping nothing. Its run time is the floor that a bare single-threaded decode sets: the whole
// report tool, run on the same file, is measured against it.

#include <fcntl.h>
#include <simdjson.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/dom_checksum.h"

namespace {

// Small enough to stay in the cache between reading a chunk and parsing it, large enough that
// the read calls cost nothing beside the parse.
constexpr std::size_t kChunk = std::size_t{1} << 20;

struct Totals {
    std::size_t lines = 0;
    std::uint64_t checksum = 0;
};

class LineParser {
public:
    /// Parses the line at `line`; at least SIMDJSON_PADDING allocated bytes must follow it.
    void parse(const char* line, std::size_t size) {
        simdjson::dom::element document;
        if (size == 0 || parser_.parse(line, size, false).get(document) != simdjson::SUCCESS)
            return;
        totals_.checksum += quill::bench::domChecksum(document);
        ++totals_.lines;
    }

    /// Parses every line that ends in [data, data + size); returns how many bytes that took.
    std::size_t parseComplete(const char* data, std::size_t size) {
        std::size_t begin = 0;
        while (const void* found = std::memchr(data + begin, '\n', size - begin)) {
            const auto end = static_cast<std::size_t>(static_cast<const char*>(found) - data);
            parse(data + begin, end - begin);
            begin = end + 1;
        }
        return begin;
    }

    const Totals& totals() const { return totals_; }

private:
    simdjson::dom::parser parser_;
    Totals totals_;
};

/// Reads `fd` to its end in chunks, straight into one padded buffer, and parses each line once
/// its line feed has arrived; a line longer than the buffer grows it. Returns errno on failure.
int parseStream(int fd, LineParser& parser) {
    std::vector<char> buffer(kChunk + simdjson::SIMDJSON_PADDING);
    std::size_t filled = 0;
    for (;;) {
        const std::size_t capacity = buffer.size() - simdjson::SIMDJSON_PADDING;
        if (filled == capacity) buffer.resize(2 * capacity + simdjson::SIMDJSON_PADDING);
        const ssize_t n =
            ::read(fd, buffer.data() + filled, buffer.size() - simdjson::SIMDJSON_PADDING - filled);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) break;
        filled += static_cast<std::size_t>(n);
        const std::size_t used = parser.parseComplete(buffer.data(), filled);
        std::memmove(buffer.data(), buffer.data() + used, filled - used);
        filled -= used;
    }
    // The last line need not end in a line feed.
    parser.parse(buffer.data(), filled);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillometer-parse-floor FILE\n");
        return 2;
    }
    const char* path = argv[1];
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "quillometer-parse-floor: %s: %s\n", path, std::strerror(errno));
        return 1;
    }
    LineParser parser;
    const int error = parseStream(fd, parser);
    ::close(fd);
    if (error != 0) {
        std::fprintf(stderr, "quillometer-parse-floor: %s: %s\n", path, std::strerror(error));
        return 1;
    }
    // Printed so that the checksum, and with it every value read, is observable.
    std::printf("lines=%zu checksum=%llu\n", parser.totals().lines,
                static_cast<unsigned long long>(parser.totals().checksum));
    return 0;
}
