#pragma once

#include <optional>
#include <vector>

#include "ui/open_file/file_chooser.h"

namespace quill::test {

/// Stands in for the file dialog: remembers each request until the test answers it.
class FakeChooser final : public ui::FileChooser {
public:
    void chooseStatFile(QWidget*, ui::ChooseCompletion done) override {
        pending.push_back(std::move(done));
    }
    /// Closes the oldest open chooser with that answer.
    void answer(int response, std::optional<ui::FileLocation> location) {
        auto done = std::move(pending.front());
        pending.erase(pending.begin());
        done(response, std::move(location));
    }
    std::vector<ui::ChooseCompletion> pending;
};

}  // namespace quill::test
