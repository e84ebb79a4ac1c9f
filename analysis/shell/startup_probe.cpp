#include "startup_probe.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace tarvel {

namespace {
class FirstPaintProbe : public QObject {
public:
    FirstPaintProbe(QWidget& window, const QElapsedTimer& sinceStart)
        : QObject(&window), m_sinceStart(sinceStart) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            // Report after the paint has been handled.
            QTimer::singleShot(0, [this] {
                const QWidget& window = *static_cast<QWidget*>(parent());
                const QRect screen = window.screen()->availableGeometry();
                std::printf(
                    "first paint after %lld ms; window %dx%d at %d,%d on a screen of %dx%d available\n",
                    static_cast<long long>(m_sinceStart.elapsed()), window.frameGeometry().width(),
                    window.frameGeometry().height(), window.frameGeometry().x(), window.frameGeometry().y(),
                    screen.width(), screen.height());
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer& m_sinceStart;
    bool m_done = false;
};
}  // namespace

void quitAfterFirstPaint(QWidget& window, const QElapsedTimer& sinceStart) {
    auto* probe = new FirstPaintProbe(window, sinceStart);
    // Every child paints on its own; the first of them marks the window as shown.
    window.installEventFilter(probe);
}

}  // namespace tarvel
