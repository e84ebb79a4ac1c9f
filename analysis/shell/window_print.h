#pragma once
// "&Print...": a window's image on one landscape page.

class QPrinter;
class QWidget;

namespace tarvel {

// Draws `window` at three times its screen resolution, so the page stays
// sharp, fitted to a landscape page; false if the printer cannot be started.
bool printWindowImage(QWidget& window, QPrinter& printer);

}  // namespace tarvel
