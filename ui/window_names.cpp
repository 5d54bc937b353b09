#include "ui/window_names.h"

namespace quill::ui {

QString windowIdentifier(WindowId id) {
    switch (id) {
        case WindowId::Main:
            return QStringLiteral("main");
        case WindowId::Chart:
            return QStringLiteral("chart");
        case WindowId::Plot:
            return QStringLiteral("plot");
        case WindowId::Help:
            return QStringLiteral("help");
    }
    return {};
}

QString windowName(WindowId id) {
    switch (id) {
        case WindowId::Main:
            return QStringLiteral("Quillometer");
        case WindowId::Chart:
            return QStringLiteral("Bar chart");
        case WindowId::Plot:
            return QStringLiteral("Point plot");
        case WindowId::Help:
            return QStringLiteral("Help Window");
    }
    return {};
}

}  // namespace quill::ui
