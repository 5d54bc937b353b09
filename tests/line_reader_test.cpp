#include "analysis/line_reader.h"

#include <gtest/gtest.h>

#include "records/line_decoder.h"
#include "tests/support.h"

namespace quill {
namespace {

std::vector<std::string> readAll(const std::string& path, std::size_t chunk) {
    LineReader reader(path, chunk);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.next(line)) {
        // Each line is followed by padding the decoder may read.
        volatile char last = line.data()[line.size() + kLinePadding - 1];
        (void)last;
        lines.emplace_back(line);
    }
    EXPECT_EQ(reader.error(), "");
    return lines;
}

TEST(LineReader, CutsAtLineFeedsWhateverTheChunkSize) {
    test::TempDir dir;
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"\n\n\n", {}},
        {"a", {"a"}},
        {"\na\n\n b\r\n \n", {"a", " b\r", " "}},
        {"\xEF\xBB\xBF{x}\n{y}", {"{x}", "{y}"}},
        {"\xEF\xBB\xBF\n{y}", {"{y}"}},
        {"a\n\xEF\xBB\xBF{y}", {"a", "\xEF\xBB\xBF{y}"}},  // only a leading mark is skipped
        {"\xEF\xBB", {"\xEF\xBB"}},
        {std::string(100, 'x') + "\n" + std::string(3, 'y'), {std::string(100, 'x'), "yyy"}},
    };
    for (std::size_t chunk : {1u, 2u, 3u, 7u, 64u, 1u << 20}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << "chunk " << chunk << ", bytes " << c.bytes);
            EXPECT_EQ(readAll(dir.write("f.jsonl", c.bytes), chunk), c.lines);
        }
    }
}

}  // namespace
}  // namespace quill
