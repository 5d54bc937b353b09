#include "records/utf8.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

const std::string kFffd = "\xEF\xBF\xBD";

struct RepairCase {
    const char* name;
    std::string input;
    std::string expected;
};

void PrintTo(const RepairCase& c, std::ostream* out) {
    *out << c.name;
}

class Utf8Repair : public ::testing::TestWithParam<RepairCase> {};

TEST_P(Utf8Repair, ReplacesEachMaximalSubpartOnce) {
    const auto& c = GetParam();
    const std::string repaired = repairUtf8(c.input);
    EXPECT_EQ(repaired, c.expected);
    EXPECT_TRUE(isValidUtf8(repaired));
    EXPECT_EQ(isValidUtf8(c.input), c.input == c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Utf8Repair,
    ::testing::Values(RepairCase{"ascii", "plain", "plain"},
                      RepairCase{"wellFormedMultibyte", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
                                 "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
                      RepairCase{"loneContinuation", "a\x80z", "a" + kFffd + "z"},
                      RepairCase{"truncatedThreeByteIsOneSubpart", "\xE2\x82z", kFffd + "z"},
                      RepairCase{"truncatedAtEnd", "a\xF0\x9F\x98", "a" + kFffd},
                      RepairCase{"overlongTwoByte", "\xC0\xAF", kFffd + kFffd},
                      RepairCase{"overlongThreeByte", "\xE0\x80\xAF", kFffd + kFffd + kFffd},
                      RepairCase{"surrogate", "\xED\xA0\x80", kFffd + kFffd + kFffd},
                      RepairCase{"aboveMaximum", "\xF4\x90\x80\x80", kFffd + kFffd + kFffd + kFffd},
                      RepairCase{"invalidLeads", "\xF5\xFF\xFE", kFffd + kFffd + kFffd},
                      // The example of the Unicode standard's table 3-8.
                      RepairCase{
                          "unicodeTable3_8", "\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
                          "a" + kFffd + kFffd + kFffd + "b" + kFffd + "c" + kFffd + kFffd + "d"},
                      RepairCase{"lineFeedEndsASequence", "\xE2\n", kFffd + "\n"}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace quill
