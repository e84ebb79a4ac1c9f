// TarvelGraph: the flight analysis program.
//   TarvelGraph [FILE.rcd]           opens FILE at start
//   TarvelGraph --measure-startup    prints the milliseconds to the first painted window and quits

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstring>

#include "dialogs.h"
#include "fltport_device_commands.h"
#include "main_window.h"
#include "record_writer.h"
#include "startup_probe.h"

int main(int argc, char* argv[]) {
    tarvel::failWritesPastTheFileSizeLimit();
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName(tarvel::kAppTitle);

    bool measure = false;
    QString file;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--measure-startup") == 0)
            measure = true;
        else
            file = QString::fromLocal8Bit(argv[i]);
    }

    tarvel::QtDialogs dialogs;
    tarvel::MainWindow window(dialogs);
    tarvel::device::FltportDeviceCommands deviceCommands;  // binds the serial-link library at first use
    window.setDeviceCommands(&deviceCommands);
    if (measure) tarvel::quitAfterFirstPaint(window, sinceStart);
    window.show();
    if (!file.isEmpty()) QTimer::singleShot(0, &window, [&window, file] { window.openRecordFile(file); });
    return app.exec();
}
