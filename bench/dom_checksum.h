#pragma once

#include <simdjson.h>

#include <cstdint>

namespace quill::bench {

/// Reads `value` and everything inside it, every key and every scalar, into a checksum. A
/// parse whose result nobody reads can be cut short by the optimiser; summing every member
/// keeps the whole document observable at the cost of one walk.
std::uint64_t domChecksum(simdjson::dom::element value);

}  // namespace quill::bench
