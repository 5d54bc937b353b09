#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QMimeData;
class QWidget;

namespace quill::ui {

/// What a drop would do: open the local statistics file `path`, or be refused for `refusal`.
struct DropVerdict {
    QString path;
    QString refusal;
    bool accepted() const { return refusal.isEmpty(); }
};

/// Only one local .jsonl file is taken; anything else is refused with a reason a person can
/// act on.
DropVerdict judgeDrop(const QMimeData* data);

/// Makes `window` take a dropped statistics file: `open` gets the path of an accepted drop,
/// `refuse` the reason for any other. A drag that would be refused is turned away on entry, so
/// the pointer shows it before the button is released.
class FileDrop final : public QObject {
    Q_OBJECT
public:
    FileDrop(QWidget* window, std::function<void(const QString& path)> open,
             std::function<void(const QString& reason)> refuse);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(const QString&)> open_;
    std::function<void(const QString&)> refuse_;
};

}  // namespace quill::ui
