#pragma once

#include <simdjson.h>

#include <cstdint>

namespace quill::bench {

/// Reads what a statistics line holds for a loader from its parsed document: the six members
/// of the line and the two of each process, whatever their order, into a checksum. A parse
/// whose result nobody reads can be cut short by the optimiser; the checksum keeps every value
/// read observable. Members of a wrong type, and any others, count nothing.
std::uint64_t recordChecksum(simdjson::dom::element document);

}  // namespace quill::bench
