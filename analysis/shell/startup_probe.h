#pragma once
// Start-up timing: once `window` has painted for the first time, prints
// "first paint after N ms" (N from `sinceStart`) and quits the application.

class QElapsedTimer;
class QWidget;

namespace tarvel {
void quitAfterFirstPaint(QWidget& window, const QElapsedTimer& sinceStart);
}
