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
        case WindowId::About:
            return QStringLiteral("about");
        case WindowId::Readme:
            return QStringLiteral("readme");
        case WindowId::Processes:
            return QStringLiteral("processes");
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
        case WindowId::About:
            return QStringLiteral("About Quillometer");
        case WindowId::Readme:
            return QStringLiteral("Quillometer README");
        case WindowId::Processes:
            return QStringLiteral("Processes");
    }
    return {};
}

}  // namespace quill::ui
