#include "records/line_decoder.h"

#include <gtest/gtest.h>

#include <string>

namespace quill {
namespace {

const std::string kGood =
    R"({"unixTime":1700000000,"totalBytes":3000000,"processList":[{"process":"/usr/libexec/logd","sizeBytes":2048},{"process":"kernel_task","sizeBytes":-1500}],"type":"t","record":"r","file":"Persist/0001.tracev3"})";

struct Case {
    const char* name;
    std::string line;
};

/// kGood with `from` replaced by `to`.
std::string variant(const std::string& from, const std::string& to) {
    std::string line = kGood;
    const auto at = line.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return line.replace(at, from.size(), to);
}

/// Every member of a record in one text.
std::string describe(const StatEntry& e) {
    std::string text = std::to_string(e.unixTime) + " " + std::to_string(e.totalBytes) + " " +
                       e.type.str() + " " + e.record.str() + " " + e.file.str();
    for (const auto& p : e.processList)
        text += " " + p.process.str() + "=" + std::to_string(p.sizeBytes);
    return text;
}

TEST(LineDecoder, DecodesEveryMemberInOrder) {
    const std::string good = "1700000000 3000000 t r Persist/0001.tracev3";
    const std::string procs = " /usr/libexec/logd=2048 kernel_task=-1500";
    const std::pair<std::string, std::string> cases[] = {
        {kGood, good + procs},
        {variant("Persist/0001", "Persist/\xFF\xE2\x82"),  // repaired, not refused
         "1700000000 3000000 t r Persist/\xEF\xBF\xBD\xEF\xBF\xBD.tracev3" + procs},
        {variant(R"("type":"t")", R"("type":"first","type":"t")"), good + procs},  // the last
        {variant(R"("file":"Persist/0001.tracev3")", R"("file":"Persist\/\u00e9\"q\"")"),
         "1700000000 3000000 t r Persist/\xC3\xA9\"q\"" + procs},
    };
    LineDecoder decoder;
    for (const auto& [line, expected] : cases) {
        const auto e = decoder.decode(line);
        ASSERT_TRUE(e) << line;
        EXPECT_EQ(describe(*e), expected);
    }
}

TEST(LineDecoder, AcceptsFormsAroundTheRequiredMembers) {
    LineDecoder decoder;
    const Case cases[] = {
        {"emptyProcessList",
         variant(
             R"([{"process":"/usr/libexec/logd","sizeBytes":2048},{"process":"kernel_task","sizeBytes":-1500}])",
             "[]")},
        {"extraMembers", variant(R"("type":"t")", R"("Type":null,"type":"t","extra":{"a":[1,2]})")},
        {"extraProcessMember", variant(R"("sizeBytes":2048)", R"("sizeBytes":2048,"pid":7)")},
        {"membersInAnyOrder",
         R"({"file":"f","record":"r","type":"t","processList":[],"totalBytes":1,"unixTime":2})"},
        {"carriageReturnAndSpaces", " \t" + kGood + " \r"},
        {"int64Extremes", variant("1700000000", "-9223372036854775808")},
        {"int64Max", variant("3000000", "9223372036854775807")},
        // Valid JSON that the parser refuses on its own, where only ignored members hold it.
        {"bigIntegers",
         variant(R"("type")",
                 R"("big":123456789012345678901234567890,"low":-18446744073709551617,"type")")},
        {"hugeExponents", variant(R"("type")", R"("e":[1e400,-1E+400,1.8e308],"type")")},
        {"loneSurrogates", variant(R"("type")", R"("\udc00":"\ud800x","type")")},
        {"deepNesting", variant(R"("type")", "\"deep\":" + std::string(5000, '[') +
                                                 std::string(5000, ']') + ",\"type\"")},
        {"bigNumberInProcess", variant(R"("sizeBytes":2048)", R"("sizeBytes":2048,"pid":1e999)")},
    };
    for (const auto& c : cases) EXPECT_TRUE(decoder.decode(c.line)) << c.name;
}

TEST(LineDecoder, FailsTheWholeLineOnAnyBreach) {
    LineDecoder decoder;
    const Case cases[] = {
        {"truncated", kGood.substr(0, kGood.size() - 1)},
        {"array", "[" + kGood + "]"},
        {"twoObjects", kGood + kGood},
        {"onlySpaces", "   "},
        {"missingRecord", variant(R"("record":"r",)", "")},
        {"unixTimeInOtherCase", variant("unixTime", "UnixTime")},
        {"quotedNumber", variant("1700000000", "\"1700000000\"")},
        {"nullTime", variant("1700000000", "null")},
        {"nullText", variant(R"("t")", "null")},
        {"numberForText", variant(R"("r")", "7")},
        {"fraction", variant("1700000000", "1700000000.0")},
        {"exponent", variant("3000000", "3e6")},
        {"aboveInt64", variant("3000000", "9223372036854775808")},
        {"belowInt64", variant("1700000000", "-9223372036854775809")},
        {"processListNotArray",
         variant(
             R"([{"process":"/usr/libexec/logd","sizeBytes":2048},{"process":"kernel_task","sizeBytes":-1500}])",
             "{}")},
        {"nullProcess", variant(R"({"process":"kernel_task","sizeBytes":-1500})", "null")},
        {"processWithoutSize", variant(R"(,"sizeBytes":-1500)", "")},
        {"processNameNumber", variant(R"("kernel_task")", "5")},
        {"duplicateWithBadValue", variant(R"("type":"t")", R"("type":"t","type":1)")},
        {"byteOutsideStrings", variant(R"(,"type")", ",\xFF\"type\"")},
        // Beside an ignored member that the parser refuses, every rule still holds.
        {"bigTime", variant("1700000000", R"(123456789012345678901234567890,"big":1e400)")},
        {"bigSizeBytes", variant("-1500", R"(-1e400,"big":1e400)")},
        {"loneSurrogateInFile", variant(R"("file":")", R"("big":1e400,"file":"\ud800)")},
        {"escapedNameIsRequired", variant(R"("type":"t")", R"("type":"t","typ\u0065":1e400)")},
        {"missingMemberBesideBig", variant(R"("record":"r",)", R"("big":1e400,)")},
        {"invalidIgnoredMember", variant(R"("type")", R"("big":1e400,"bad":[1,],"type")")},
        {"invalidAfterBig", variant(R"("type")", R"("big":1e400,"type")") + "x"},
    };
    for (const auto& c : cases) EXPECT_FALSE(decoder.decode(c.line)) << c.name;
}

TEST(LineDecoder, DecodesInPlaceInsideALargerBuffer) {
    // The loader hands lines that are followed by the next line's bytes, not by padding.
    LineDecoder decoder;
    const std::string buffer = kGood + "\n{\"broken\"" + std::string(kLinePadding, ' ');
    StatEntry e;
    EXPECT_TRUE(decoder.decodePadded(std::string_view(buffer).substr(0, kGood.size()), e));
    EXPECT_EQ(e.file.view(), "Persist/0001.tracev3");
}

}  // namespace
}  // namespace quill
