#pragma once

#include <QString>
#include <string_view>

namespace quill::ui {

/// A model text as Qt shows it. The model's texts are valid UTF-8 already.
inline QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace quill::ui
