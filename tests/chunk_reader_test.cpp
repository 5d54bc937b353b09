#include "analysis/chunk_reader.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "records/line_decoder.h"
#include "tests/support.h"

namespace quill {
namespace {

using test::FailingSource;

/// The lines of `bytes` read chunk by chunk, as a load's threads would, each chunk alone.
std::vector<std::string> readInChunks(const std::string& bytes, std::size_t chunk) {
    const MemorySource source(bytes);
    PaddedBuffer buffer;
    std::vector<std::string> lines;
    for (std::uint64_t begin = 0;; begin += chunk) {
        const ChunkText text = readChunk(source, begin, begin + chunk, buffer);
        EXPECT_EQ(text.error, 0);
        forEachLine(text.text, [&](std::string_view line) {
            // Each line is followed by bytes the decoder may read.
            volatile char last = line.data()[line.size() + kLinePadding - 1];
            (void)last;
            lines.emplace_back(line);
        });
        if (text.reachedEnd) return lines;
        if (begin > bytes.size() + chunk) {
            ADD_FAILURE() << "the end was never reached";
            return lines;
        }
    }
}

TEST(ChunkReader, EveryLineOnceWhateverTheChunkSize) {
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    };
    const std::string longLine(40000, 'x');  // longer than a chunk and its first read
    const Case cases[] = {
        {"", {}},
        {"\n\n\n", {}},
        {"a", {"a"}},
        {"\na\n\n b\r\n \n", {"a", " b\r", " "}},
        {"\xEF\xBB\xBF{x}\n{y}", {"{x}", "{y}"}},
        {"\xEF\xBB\xBF\n{y}", {"{y}"}},
        {"\xEF\xBB\xBF", {}},
        {"a\n\xEF\xBB\xBF{y}", {"a", "\xEF\xBB\xBF{y}"}},  // only a leading mark is skipped
        {"\xEF\xBB", {"\xEF\xBB"}},
        {std::string(100, 'x') + "\n" + std::string(3, 'y'), {std::string(100, 'x'), "yyy"}},
        {"a\n" + longLine + "\nb\n" + longLine, {"a", longLine, "b", longLine}},
    };
    for (std::size_t chunk : {1u, 2u, 3u, 4u, 7u, 64u, 1u << 20})
        for (const auto& c : cases)
            EXPECT_EQ(readInChunks(c.bytes, chunk), c.lines)
                << "chunk " << chunk << ", bytes " << c.bytes.substr(0, 40);
}

TEST(ChunkReader, AFailedReadGivesItsErrorAndNoText) {
    const FailingSource source(std::string(100, 'x') + "\n", 10);
    PaddedBuffer buffer;
    const ChunkText text = readChunk(source, 0, 64, buffer);
    EXPECT_EQ(text.error, EIO);
    EXPECT_TRUE(text.text.empty());
}

TEST(ChunkReader, TheEndIsSeenByTheChunkThatHoldsIt) {
    const MemorySource source("a\nb\n");
    PaddedBuffer buffer;
    EXPECT_TRUE(readChunk(source, 0, 100, buffer).reachedEnd);
    EXPECT_TRUE(readChunk(source, 100, 200, buffer).reachedEnd);
    EXPECT_TRUE(readChunk(source, 100, 200, buffer).text.empty());
}

}  // namespace
}  // namespace quill
