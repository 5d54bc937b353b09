#pragma once

#include <filesystem>

#include "analysis/quillstat.h"

namespace quill::bench {

/// The worst time, in ms, that one keystroke in the list's filter costs over `tries` rounds
/// of typing: the matching and the list model's update, with a list view attached. Each round
/// types a first character (a scan of every line), a second (a narrowing), deletes it again
/// (a new scan) and clears the field (every row back).
double worstFilterKeystrokeMs(const Quillstat& model, int tries);

/// The worst time, in ms, of `tries` exports of the whole list as CSV to a file in `dir`,
/// as File > Export List as CSV writes it. The file is removed afterwards.
double worstCsvExportMs(const Quillstat& model, const std::filesystem::path& dir, int tries);

}  // namespace quill::bench
