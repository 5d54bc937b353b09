#include "analysis/record_decoding.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/chunk_reader.h"
#include "records/line_decoder.h"
#include "tests/support.h"

namespace quill {
namespace {

using test::statLine;

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
    // The end is seen by the chunk that holds it, and by every one after it.
    const MemorySource source("a\nb\n");
    PaddedBuffer buffer;
    EXPECT_TRUE(readChunk(source, 0, 100, buffer).reachedEnd);
    const ChunkText after = readChunk(source, 100, 200, buffer);
    EXPECT_TRUE(after.reachedEnd && after.text.empty());
}

/// `count` lines, some bad, some with ill-formed UTF-8, some empty, with CR LF ends, in three
/// categories whose lines interleave, so that chains of previous lines cross chunks.
std::string manyLines(int count = 3000) {
    std::string bytes = "\xEF\xBB\xBF";
    for (int i = 0; i < count; ++i) {
        // Appended, not "literal" + ...: GCC 12 warns about that at -O3 (-Wrestrict, bug 105329).
        std::string file = i % 7 == 0 ? "Persist/\xFF" : i % 3 ? "Special/" : "other/";
        if (i % 7 != 0) file += std::to_string(i);
        std::string process = "p";
        process += std::to_string(i % 5);
        bytes += statLine(1000 + i * (i % 4), i * 100, file, {{process, i}, {"q", -i}});
        bytes += i % 11 == 0 ? "\r\n\n" : "\n";
        if (i % 13 == 0) bytes += "{\"not\": \"a record\"}\n";
    }
    return bytes;
}

/// Every line `source` holds, as the table built from the decoded chunks shows it, and last
/// the count of lines skipped.
std::vector<std::string> decodeAll(const ByteSource& source, const DecodeOptions& options,
                                   std::string* error = nullptr) {
    StatTableBuilder builder;
    const DecodeResult result = decodeRecords(
        source, [&](ChunkBatch batch) { builder.append(batch.lines); }, options);
    EXPECT_FALSE(result.cancelled);
    if (error)
        *error = result.error;
    else
        EXPECT_EQ(result.error, "");
    const std::shared_ptr<const StatTable> table = builder.snapshot();
    std::vector<std::string> lines = test::texts(*table);
    lines.push_back("skipped " + std::to_string(table->skippedLines()));
    return lines;
}

TEST(RecordDecoding, AnyChunkSizeAndThreadCountFindsTheRecordsInFileOrder) {
    const std::string bytes = manyLines();
    const MemorySource source(bytes);
    const std::vector<std::string> whole = decodeAll(source, {bytes.size() * 2, 1});
    ASSERT_EQ(whole.size(), 3001u);
    EXPECT_EQ(whole.back(), "skipped 231");
    // Repaired, not dropped; every member, the processes in order.
    EXPECT_EQ(whole.front(),
              "|00:16:40+0000 1970-01-01|0 KB|||0|Persist/\xEF\xBF\xBD|stats|r|0|p0=0|q=0");
    EXPECT_EQ(whole[2999],
              "01:56:36+0000 1970-01-01|02:46:37+0000 1970-01-01|292 KB|3001|99 "
              "B/s|0|Special/2999|stats|r|299900|p4=2999|q=-2999");
    const test::Watchdog watchdog;
    for (std::size_t chunk : {100u, 4096u, 65536u})
        for (unsigned threads : {0u, 1u, 2u, 3u, 8u})
            EXPECT_EQ(decodeAll(source, {chunk, threads}), whole)
                << "chunk " << chunk << ", threads " << threads;
    // Chunks of a few bytes cut every line, and cost a hand-over each: fewer lines for them.
    const std::string few = manyLines(40);
    const MemorySource fewSource(few);
    const std::vector<std::string> fewWhole = decodeAll(fewSource, {few.size() * 2, 1});
    for (std::size_t chunk : {1u, 2u, 5u, 33u})
        for (unsigned threads : {1u, 3u})
            EXPECT_EQ(decodeAll(fewSource, {chunk, threads}), fewWhole)
                << "chunk " << chunk << ", threads " << threads;
}

TEST(RecordDecoding, AReadFailingPartWayStopsAtTheChunkBeforeIt) {
    const std::string bytes = manyLines();
    const std::vector<std::string> whole = decodeAll(MemorySource(bytes), {4096, 1});
    const test::Watchdog watchdog;
    for (unsigned threads : {1u, 2u, 4u}) {
        const test::HookedSource source(bytes, bytes.size() / 2, [] { return EIO; });
        std::string error;
        const std::vector<std::string> found = decodeAll(source, {4096, threads}, &error);
        EXPECT_EQ(error, "Input/output error");
        EXPECT_LT(found.size(), 1500u);
        EXPECT_TRUE(std::equal(found.begin(), found.end() - 1, whole.begin())) << "a prefix";
    }
}

TEST(RecordDecoding, AConsumerThatThrowsStopsEveryThread) {
    const std::string bytes = manyLines();
    const MemorySource source(bytes);
    const test::Watchdog watchdog;
    int batches = 0;
    const auto consume = [&](ChunkBatch) {
        if (++batches == 3) throw std::runtime_error("full");
    };
    EXPECT_THROW(decodeRecords(source, consume, {1024, 4}), std::runtime_error);
    EXPECT_EQ(batches, 3);
}

}  // namespace
}  // namespace quill
