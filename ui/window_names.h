#pragma once

#include <QString>
#include <array>

namespace quill::ui {

/// The application's single windows.
enum class WindowId { Main, Chart, Plot, Help, About, Readme, Processes };
inline constexpr std::array<WindowId, 7> kAllWindows{
    WindowId::Main,  WindowId::Chart,  WindowId::Plot,     WindowId::Help,
    WindowId::About, WindowId::Readme, WindowId::Processes};

/// "main", "chart", "plot", "help", "about", "readme" or "processes": the window's object name,
/// by which tests and the window manager find it.
QString windowIdentifier(WindowId id);
/// The window's own title, shown while its content sets none: "Quillometer", "Bar chart",
/// "Point plot", "Help Window", "About Quillometer", "Quillometer README", "Processes".
QString windowName(WindowId id);

/// Opens a window by identifier: shows a fresh one, or raises the open one with its state.
class WindowOpener {
public:
    virtual ~WindowOpener() = default;
    virtual void openWindow(WindowId id) = 0;
};

}  // namespace quill::ui
