#pragma once

#include <QObject>
#include <functional>

#include "analysis/observation.h"
#include "analysis/quillstat.h"

namespace quill::ui {

/// Lets a view draw from the model and be drawn again when, and only when, a field it read
/// changes. `draw` runs inside the model's tracking scope, so it subscribes to exactly the
/// fields it reads. Changes are coalesced: however many writes an action makes (a load appends
/// a million lines), the view is drawn once, when the event loop next runs.
class ModelObserver final : public QObject, private ChangeListener {
    Q_OBJECT
public:
    ModelObserver(Quillstat& model, std::function<void()> draw, QObject* parent = nullptr);
    ~ModelObserver() override;

    /// Draws now and resubscribes to what the drawing read.
    void drawNow();
    /// Asks for one draw when the event loop next runs.
    void scheduleDraw();
    bool drawPending() const { return pending_; }
    FieldSet subscribedFields() const { return fields_; }
    int drawCount() const { return drawCount_; }

Q_SIGNALS:
    void drawn();

private:
    void willChange(Field) override {}
    void didChange(Field) override { scheduleDraw(); }

    Quillstat& model_;
    std::function<void()> draw_;
    FieldSet fields_;
    bool pending_ = false;
    int drawCount_ = 0;
};

}  // namespace quill::ui
