#pragma once

#include "analysis/quillstat.h"
#include "bench/stat_generator.h"

namespace quill::ui {
class ContentView;
}

namespace quill::bench {

/// Follows a copy of `file` in `window`, shown at the end of its list, as a logger appends to
/// it, without and then with the plot window open; prints a `follow:` line for each.
void benchFollow(ui::ContentView& window, Quillstat& model, const StatFile& file);

}  // namespace quill::bench
