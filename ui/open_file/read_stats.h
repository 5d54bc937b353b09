#pragma once

#include <QString>
#include <functional>

#include "analysis/quillstat.h"
#include "ui/open_file/file_chooser.h"

namespace quill::ui {

/// The open-file flow: shows `chooser` and returns at once; when it closes, loads the choice
/// into `model` under a busy cursor and reports the outcome to `finished` (which may be empty).
using LoadFinished = std::function<void(const LoadOutcome&, const QString& fileName)>;

void readStats(Quillstat& model, FileChooser& chooser, QWidget* parent, LoadFinished finished = {});

/// The completion of the flow: loads `location` when `response` confirms it, under a busy
/// cursor, one event-loop turn later; a cancel is handed to the model at once. A load still
/// waiting when `context` is destroyed is dropped, so `finished` may use it.
void completeReadStats(Quillstat& model, int response, std::optional<FileLocation> location,
                       LoadFinished finished, QObject* context = nullptr);

}  // namespace quill::ui
