#include "bench/dom_checksum.h"

#include <string_view>

namespace quill::bench {

namespace {

using simdjson::dom::element;

std::uint64_t integer(element value) {
    std::int64_t n = 0;
    return value.get_int64().get(n) == simdjson::SUCCESS ? static_cast<std::uint64_t>(n) : 0;
}

std::uint64_t text(element value) {
    std::string_view s;
    if (value.get_string().get(s) != simdjson::SUCCESS || s.empty()) return 0;
    return s.size() + static_cast<unsigned char>(s.back());
}

std::uint64_t process(element value) {
    simdjson::dom::object object;
    if (value.get_object().get(object) != simdjson::SUCCESS) return 0;
    std::uint64_t sum = 0;
    for (auto field : object) {
        if (field.key == "process")
            sum += text(field.value);
        else if (field.key == "sizeBytes")
            sum += integer(field.value);
    }
    return sum;
}

std::uint64_t processList(element value) {
    simdjson::dom::array array;
    if (value.get_array().get(array) != simdjson::SUCCESS) return 0;
    std::uint64_t sum = 0;
    for (element item : array) sum += process(item);
    return sum;
}

}  // namespace

std::uint64_t recordChecksum(element document) {
    simdjson::dom::object object;
    if (document.get_object().get(object) != simdjson::SUCCESS) return 0;
    std::uint64_t sum = 0;
    for (auto field : object) {
        const std::string_view key = field.key;
        if (key == "unixTime" || key == "totalBytes")
            sum += integer(field.value);
        else if (key == "processList")
            sum += processList(field.value);
        else if (key == "type" || key == "record" || key == "file")
            sum += text(field.value);
    }
    return sum;
}

}  // namespace quill::bench
