#include "records/line_decoder.h"

#include <simdjson.h>

#include <cstdint>
#include <string>

#include "records/ignored_members.h"
#include "records/utf8.h"

namespace quill {

static_assert(kLinePadding >= simdjson::SIMDJSON_PADDING);

namespace {

using simdjson::dom::element;

bool readInt(element value, std::int64_t& out) {
    return value.get_int64().get(out) == simdjson::SUCCESS;
}

bool readText(element value, TextPool& pool, Text& out) {
    std::string_view s;
    if (value.get_string().get(s) != simdjson::SUCCESS) return false;
    out = pool.intern(s);
    return true;
}

/// A view into the parser's strings: whoever keeps the line copies it out.
bool readText(element value, TextPool&, std::string_view& out) {
    return value.get_string().get(out) == simdjson::SUCCESS;
}

/// A record's file name is its own as a rule: interning it would only fill the pool.
bool readOwnText(element value, Text& out) {
    std::string_view s;
    if (value.get_string().get(s) != simdjson::SUCCESS) return false;
    out = Text(s);
    return true;
}

bool readOwnText(element value, std::string_view& out) {
    return value.get_string().get(out) == simdjson::SUCCESS;
}

template <typename Process>
bool readProcess(element value, TextPool& pool, Process& out) {
    simdjson::dom::object object;
    if (value.get_object().get(object) != simdjson::SUCCESS) return false;
    unsigned seen = 0;
    for (auto field : object) {
        if (field.key == "process") {
            if (!readText(field.value, pool, out.process)) return false;
            seen |= 1;
        } else if (field.key == "sizeBytes") {
            if (!readInt(field.value, out.sizeBytes)) return false;
            seen |= 2;
        }
    }
    return seen == 3;
}

template <typename Process>
bool readProcessList(element value, TextPool& pool, std::vector<Process>& out) {
    simdjson::dom::array array;
    if (value.get_array().get(array) != simdjson::SUCCESS) return false;
    out.clear();
    out.reserve(array.size());
    for (element item : array) {
        if (!readProcess(item, pool, out.emplace_back())) return false;
    }
    return true;
}

enum Member : unsigned {
    kUnixTime = 1,
    kTotalBytes = 2,
    kProcessList = 4,
    kType = 8,
    kRecord = 16,
    kFile = 32,
    kAllMembers = 63
};

/// Reads one member of the line object into a `StatEntry` or a `DecodedLine`; returns the bit
/// of the member it filled, 0 for an ignored member, or -1 when the value is wrong.
template <typename Out>
int readMember(std::string_view key, element value, TextPool& pool, Out& out) {
    bool ok = true;
    unsigned bit = 0;
    if (key == "unixTime") {
        ok = readInt(value, out.unixTime), bit = kUnixTime;
    } else if (key == "totalBytes") {
        ok = readInt(value, out.totalBytes), bit = kTotalBytes;
    } else if (key == "processList") {
        ok = readProcessList(value, pool, out.processList), bit = kProcessList;
    } else if (key == "type") {
        ok = readText(value, pool, out.type), bit = kType;
    } else if (key == "record") {
        ok = readText(value, pool, out.record), bit = kRecord;
    } else if (key == "file") {
        ok = readOwnText(value, out.file), bit = kFile;
    }
    return ok ? static_cast<int>(bit) : -1;
}

template <typename Out>
bool readLine(element document, TextPool& pool, Out& out) {
    simdjson::dom::object object;
    if (document.get_object().get(object) != simdjson::SUCCESS) return false;
    unsigned seen = 0;
    for (auto field : object) {
        const int bit = readMember(field.key, field.value, pool, out);
        if (bit < 0) return false;
        seen |= static_cast<unsigned>(bit);
    }
    return seen == kAllMembers;
}

}  // namespace

struct LineDecoder::Impl {
    simdjson::dom::parser parser;
    TextPool pool;
    std::string scratch;
    std::string kept;  ///< a refused line without its ignored members
};

LineDecoder::LineDecoder() : impl_(std::make_unique<Impl>()) {}
LineDecoder::~LineDecoder() = default;

bool LineDecoder::decodePadded(std::string_view line, StatEntry& out) {
    return decodeAny(line, out);
}

bool LineDecoder::decodePadded(std::string_view line, DecodedLine& out) {
    return decodeAny(line, out);
}

template <typename Out>
bool LineDecoder::decodeAny(std::string_view line, Out& out) {
    simdjson::dom::parser& parser = impl_->parser;
    element document;
    if (parser.parse(line.data(), line.size(), false).get(document) == simdjson::SUCCESS)
        return readLine(document, impl_->pool, out);
    // The parser refuses some valid JSON as a whole: numbers beyond 64 bits or beyond a double,
    // lone surrogate escapes, nesting deeper than its limit. A line whose ignored members alone
    // hold such things is still a good line, so it is parsed again without them; only lines that
    // fail pay for that.
    std::string& kept = impl_->kept;
    if (!isValidUtf8(line) || !dropIgnoredMembers(line, kept)) return false;
    const std::size_t length = kept.size();
    kept.append(kLinePadding, '\0');
    if (parser.parse(kept.data(), length, false).get(document) != simdjson::SUCCESS) return false;
    return readLine(document, impl_->pool, out);
}

template <typename Out>
bool LineDecoder::decodeRepaired(std::string_view line, Out& out) {
    auto& scratch = impl_->scratch;
    scratch.clear();
    if (isValidUtf8(line))
        scratch.append(line);
    else
        appendRepairedUtf8(line, scratch);
    const std::size_t length = scratch.size();
    scratch.append(kLinePadding, '\0');
    return decodePadded(std::string_view(scratch.data(), length), out);
}

std::optional<StatEntry> LineDecoder::decode(std::string_view line) {
    StatEntry entry;
    if (!decodeRepaired(line, entry)) return std::nullopt;
    return entry;
}

bool LineDecoder::decode(std::string_view line, DecodedLine& out) {
    return decodeRepaired(line, out);
}

}  // namespace quill
