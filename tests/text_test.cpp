#include "records/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "records/utf8.h"
#include "records/wide_int.h"

namespace quill {
namespace {

TEST(Text, CopiesShareOutliveTheOriginalAndSurviveSelfAssignment) {
    const std::string_view bytes("/usr/libexec/\0logd", 18);  // a NUL byte must not end it
    Text copy;
    {
        const Text original(bytes);
        copy = original;
        EXPECT_TRUE(copy.sharesBufferWith(original));
    }
    EXPECT_EQ(copy.view(), bytes);
    const Text& same = copy;  // through a reference, as self-assignment happens in real code
    copy = same;
    EXPECT_EQ(copy.view(), bytes);
    const Text moved(std::move(copy));
    EXPECT_TRUE(copy.empty());  // NOLINT: a moved-from text is documented as empty
    EXPECT_EQ(moved.view(), bytes);
}

// The hash multiplies in 128 bits; compilers without them take the plain code, whose carries
// must come out as the compiler's own product does.
TEST(WideInt, PlainProductEqualsTheCompilers) {
    constexpr std::uint64_t kAll = ~std::uint64_t{0};
    // Carries out of every 32-bit quarter, up to the largest product.
    const std::uint64_t factors[] = {1, 0xffffffffu, 0x100000000u, 0x9e3779b97f4a7c15u, kAll};
    for (const std::uint64_t a : factors) {
        for (const std::uint64_t b : factors) {
            const WideProduct plain = portable::multiplyWide(a, b);
            const WideProduct builtIn = multiplyWide(a, b);
            EXPECT_EQ(plain.high, builtIn.high) << a << " * " << b;
            EXPECT_EQ(plain.low, builtIn.low) << a << " * " << b;
        }
    }
    const WideProduct largest = portable::multiplyWide(kAll, kAll);
    EXPECT_EQ(largest.high, kAll - 1);
    EXPECT_EQ(largest.low, 1u);
}

const std::string kFffd = "\xEF\xBF\xBD";

TEST(Utf8, RepairReplacesEachMaximalSubpartOnce) {
    const struct {
        std::string input;
        std::string expected;
    } cases[] = {
        {"plain", "plain"},
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {"a\x80z", "a" + kFffd + "z"},                        // lone continuation byte
        {"\xE2\x82z", kFffd + "z"},                           // a truncated sequence is one subpart
        {"a\xF0\x9F\x98", "a" + kFffd},                       // truncated at the end
        {"\xC0\xAF", kFffd + kFffd},                          // overlong
        {"\xE0\x80\xAF", kFffd + kFffd + kFffd},              // overlong
        {"\xED\xA0\x80", kFffd + kFffd + kFffd},              // surrogate
        {"\xF4\x90\x80\x80", kFffd + kFffd + kFffd + kFffd},  // above U+10FFFF
        {"\xF5\xFF\xFE", kFffd + kFffd + kFffd},              // bytes that never lead
        // The example of the Unicode standard's table 3-8.
        {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
         "a" + kFffd + kFffd + kFffd + "b" + kFffd + "c" + kFffd + kFffd + "d"},
        {"\xE2\n", kFffd + "\n"},  // a line feed ends a sequence
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.input));
        const std::string repaired = repairUtf8(c.input);
        EXPECT_EQ(repaired, c.expected);
        EXPECT_TRUE(isValidUtf8(repaired));
        EXPECT_EQ(isValidUtf8(c.input), c.input == c.expected);
    }
}

}  // namespace
}  // namespace quill
