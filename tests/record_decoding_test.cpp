#include "analysis/record_decoding.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support.h"

namespace quill {
namespace {

using test::FailingSource;

using test::statLine;

/// `count` lines, some bad, some with ill-formed UTF-8, some empty, with CR LF ends.
std::string manyLines(int count = 3000) {
    std::string bytes = "\xEF\xBB\xBF";
    for (int i = 0; i < count; ++i) {
        // Appended, not "literal" + ...: GCC 12 warns about that at -O3 (-Wrestrict, bug 105329).
        std::string file = i % 7 == 0 ? "Persist/\xFF" : "Special/";
        if (i % 7 != 0) file += std::to_string(i);
        std::string process = "p";
        process += std::to_string(i % 5);
        bytes += statLine(1000 + i, i * 100, file, {{process, i}});
        bytes += i % 11 == 0 ? "\r\n\n" : "\n";
        if (i % 13 == 0) bytes += "{\"not\": \"a record\"}\n";
    }
    return bytes;
}

/// Every member of a record in one text, to compare records found in different ways.
std::string describe(const StatEntry& e) {
    std::string text = std::to_string(e.unixTime);
    text += " " + e.file.str() + " " + e.type.str() + " " + e.record.str();
    for (const auto& p : e.processList)
        text += " " + p.process.str() + "=" + std::to_string(p.sizeBytes);
    return text;
}

std::vector<std::string> decodeAll(const ByteSource& source, const DecodeOptions& options,
                                   std::string* error = nullptr) {
    std::vector<std::string> found;
    const auto collect = [&](RecordBatch batch) {
        for (std::size_t i = 0; i < batch.records.size(); ++i)
            found.push_back(describe(batch.records.take(i)));
    };
    const std::string why = decodeRecords(source, collect, options);
    if (error)
        *error = why;
    else
        EXPECT_EQ(why, "");
    return found;
}

TEST(RecordDecoding, AnyChunkSizeAndThreadCountFindsTheRecordsInFileOrder) {
    const std::string bytes = manyLines();
    const MemorySource source(bytes);
    const std::vector<std::string> whole = decodeAll(source, {bytes.size() * 2, 1});
    ASSERT_EQ(whole.size(), 3000u);
    // Repaired, not dropped; every member, the processes in order.
    EXPECT_EQ(whole.front(), "1000 Persist/\xEF\xBF\xBD stats r p0=0");
    EXPECT_EQ(whole.back(), "3999 Special/2999 stats r p4=2999");
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
    const test::Watchdog watchdog;
    for (unsigned threads : {1u, 2u, 4u}) {
        const FailingSource source(bytes, bytes.size() / 2);
        std::string error;
        const std::vector<std::string> found = decodeAll(source, {4096, threads}, &error);
        EXPECT_EQ(error, "Input/output error");
        EXPECT_LT(found.size(), 1500u);
        const std::vector<std::string> whole = decodeAll(MemorySource(bytes), {4096, 1});
        EXPECT_TRUE(std::equal(found.begin(), found.end(), whole.begin())) << "a prefix";
    }
}

TEST(RecordDecoding, AConsumerThatThrowsStopsEveryThread) {
    const std::string bytes = manyLines();
    const MemorySource source(bytes);
    const test::Watchdog watchdog;
    int batches = 0;
    const auto consume = [&](RecordBatch) {
        if (++batches == 3) throw std::runtime_error("full");
    };
    EXPECT_THROW(decodeRecords(source, consume, {1024, 4}), std::runtime_error);
    EXPECT_EQ(batches, 3);
}

}  // namespace
}  // namespace quill
