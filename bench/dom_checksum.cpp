#include "bench/dom_checksum.h"

#include <string_view>

namespace quill::bench {

namespace {

std::uint64_t visitObject(simdjson::dom::object object) {
    std::uint64_t sum = 0;
    for (auto field : object) sum += field.key.size() + domChecksum(field.value);
    return sum;
}

std::uint64_t visitArray(simdjson::dom::array array) {
    std::uint64_t sum = 0;
    for (simdjson::dom::element item : array) sum += domChecksum(item);
    return sum;
}

std::uint64_t visitString(std::string_view s) {
    return s.empty() ? 0 : s.size() + static_cast<unsigned char>(s.back());
}

}  // namespace

std::uint64_t domChecksum(simdjson::dom::element value) {
    using Type = simdjson::dom::element_type;
    switch (value.type()) {
        case Type::OBJECT:
            return visitObject(value.get_object().value_unsafe());
        case Type::ARRAY:
            return visitArray(value.get_array().value_unsafe());
        case Type::INT64:
            return static_cast<std::uint64_t>(value.get_int64().value_unsafe());
        case Type::UINT64:
            return value.get_uint64().value_unsafe();
        case Type::STRING:
            return visitString(value.get_string().value_unsafe());
        case Type::DOUBLE:
            return static_cast<std::uint64_t>(value.get_double().value_unsafe());
        case Type::BOOL:
            return value.get_bool().value_unsafe() ? 1 : 0;
        case Type::NULL_VALUE:
            return 0;
    }
    return 0;
}

}  // namespace quill::bench
