// quillometer-parse-floor: the floor a bare single-threaded decode of a statistics file sets.
// It reads the file in blocks into one reused buffer, validates the UTF-8 of each block's
// lines, and parses every line with simdjson's DOM parser, reading the six members of the line
// and the two of each process, keeping nothing. The report tool, run on the same file as a
// whole process, is measured against it.

#include <fcntl.h>
#include <simdjson.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/dom_checksum.h"

namespace {

// Small enough to stay in the cache between reading a block and parsing it, large enough that
// the read calls cost nothing beside the parse.
constexpr std::size_t kBlock = std::size_t{1} << 20;

class LineParser {
public:
    /// Parses the line at `line`; at least SIMDJSON_PADDING allocated bytes must follow it.
    void parse(const char* line, std::size_t size) {
        simdjson::dom::element document;
        if (size == 0 || parser_.parse(line, size, false).get(document) != simdjson::SUCCESS)
            return;
        checksum_ += quill::bench::recordChecksum(document);
        ++lines_;
    }

    /// Validates and parses every line that ends in [data, data + size); returns how many
    /// bytes that took.
    std::size_t parseComplete(const char* data, std::size_t size) {
        const void* lastFeed = ::memrchr(data, '\n', size);
        if (lastFeed == nullptr) return 0;
        const auto end = static_cast<std::size_t>(static_cast<const char*>(lastFeed) - data) + 1;
        validUtf8_ = simdjson::validate_utf8(data, end) && validUtf8_;
        std::size_t begin = 0;
        while (begin < end) {
            const auto feed = static_cast<std::size_t>(
                static_cast<const char*>(std::memchr(data + begin, '\n', end - begin)) - data);
            parse(data + begin, feed - begin);
            begin = feed + 1;
        }
        return end;
    }

    /// The last line, which need not end in a line feed.
    void parseLast(const char* data, std::size_t size) {
        validUtf8_ = simdjson::validate_utf8(data, size) && validUtf8_;
        parse(data, size);
    }

    void print() const {
        std::printf("lines=%zu checksum=%llu utf8=%s\n", lines_,
                    static_cast<unsigned long long>(checksum_), validUtf8_ ? "valid" : "invalid");
    }

private:
    simdjson::dom::parser parser_;
    std::size_t lines_ = 0;
    std::uint64_t checksum_ = 0;
    bool validUtf8_ = true;
};

/// Reads `fd` to its end in blocks, straight into one padded buffer, and parses each line once
/// its line feed has arrived; a line longer than the buffer grows it. Returns errno on failure.
int parseStream(int fd, LineParser& parser) {
    std::vector<char> buffer(kBlock + simdjson::SIMDJSON_PADDING);
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
    parser.parseLast(buffer.data(), filled);
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
    parser.print();
    return 0;
}
