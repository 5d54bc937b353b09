#include "ui/model_observer.h"

#include <QMetaObject>

namespace quill::ui {

ModelObserver::ModelObserver(Quillstat& model, std::function<void()> draw, QObject* parent)
    : QObject(parent), model_(model), draw_(std::move(draw)) {}

ModelObserver::~ModelObserver() {
    model_.registrar().unsubscribe(*this);
}

void ModelObserver::drawNow() {
    pending_ = false;
    {
        TrackingScope scope(model_.registrar());
        draw_();
        fields_ = scope.accessed();
    }
    model_.registrar().subscribe(*this, fields_);
    ++drawCount_;
    Q_EMIT drawn();
}

void ModelObserver::scheduleDraw() {
    if (pending_) return;
    pending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (pending_) drawNow();
        },
        Qt::QueuedConnection);
}

}  // namespace quill::ui
