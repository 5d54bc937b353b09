#pragma once
namespace quill {
class Quillstat;
}
namespace quill::bench {
/// The worst time in milliseconds, over `tries`, of one zoom or pan step of the plot window
/// showing `model`'s series: from the event to the frame painted. Needs a QApplication.
double worstZoomStepMs(Quillstat& model, int tries);
}  // namespace quill::bench
