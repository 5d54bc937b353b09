// Fuzz target for LineDecoder: any byte string must decode or be refused without a crash, and a
// decoded record must be one the rest of the program can trust.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/invariants.h"
#include "records/line_decoder.h"
#include "records/records.h"
#include "records/utf8.h"

namespace {

void check(bool holds, const char* invariant) {
    if (!holds) quill::fuzz::fail("line_decoder_fuzzer", invariant);
}

/// Texts reach the tables and charts as they are, so they must be well-formed UTF-8 whatever
/// the line held.
void checkTexts(const quill::StatEntry& entry) {
    for (const quill::Text* text : {&entry.type, &entry.record, &entry.file})
        check(quill::isValidUtf8(*text), "type, record and file are valid UTF-8");
    for (const auto& process : entry.processList)
        check(quill::isValidUtf8(process.process), "process is valid UTF-8");
}

/// Decodes `line` in place, from an allocation holding exactly the line and its padding so
/// that a sanitizer sees any read beyond. The padding repeats the line's last byte: its values
/// must not matter, and bytes that look like more of the line are the likeliest to be taken
/// for it.
std::optional<quill::StatEntry> decodeInPlace(quill::LineDecoder& decoder, std::string_view line) {
    const char filler = line.empty() ? '"' : line.back();
    std::vector<char> padded(line.size() + quill::kLinePadding, filler);
    std::copy(line.begin(), line.end(), padded.begin());
    quill::StatEntry entry;
    if (!decoder.decodePadded(std::string_view(padded.data(), line.size()), entry))
        return std::nullopt;
    return entry;
}

void checkSameOutcome(const std::optional<quill::StatEntry>& a,
                      const std::optional<quill::StatEntry>& b, const char* invariant) {
    check(a.has_value() == b.has_value(), invariant);
    if (a) check(quill::fuzz::sameEntry(*a, *b), invariant);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    quill::LineDecoder decoder;

    const std::optional<quill::StatEntry> decoded = decoder.decode(input);
    if (decoded) checkTexts(*decoded);

    // The decoder keeps its parser and text pool from line to line; what the previous line
    // left behind must not change how the next one reads.
    checkSameOutcome(decoded, decoder.decode(input), "decoding again gives the same record");

    // The in-place path, used for valid files, must agree with the copying one. An ill-formed
    // line goes in repaired, which is what the copying path promises to decode.
    const bool valid = quill::isValidUtf8(input);
    const std::string repaired = valid ? std::string() : quill::repairUtf8(input);
    check(quill::isValidUtf8(repaired), "a repaired line is valid UTF-8");
    const std::string_view wellFormed = valid ? input : std::string_view(repaired);
    checkSameOutcome(decoded, decodeInPlace(decoder, wellFormed),
                     "decodePadded agrees with decode");

    checkSameOutcome(decoded, decoder.decode(quill::fuzz::withIgnoredMember(input)),
                     "an ignored member changes nothing, whatever valid JSON it holds");
    return 0;
}
