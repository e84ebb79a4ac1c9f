// TarvelGraph: the flight analysis program. `TarvelGraph --help` lists what
// its command line takes (command_line.h).

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "device_operations.h"
#include "dialogs.h"
#include "display_available.h"
#include "fltport_device_commands.h"
#include "main_window.h"
#include "record_writer.h"
#include "startup_probe.h"

namespace {
std::vector<std::string> arguments(int argc, char* argv[]) { return {argv + 1, argv + argc}; }
}  // namespace

int main(int argc, char* argv[]) {
    tarvel::failWritesPastTheFileSizeLimit();
    QElapsedTimer sinceStart;
    sinceStart.start();
    // --help and --version are answered before the toolkit needs a display.
    if (auto early = tarvel::readCommandLine(arguments(argc, argv), false, std::cout, std::cerr).exitStatus)
        return *early;
    if (!suite::displayAvailable()) {
        std::cerr
            << "TarvelGraph: no display (DISPLAY and WAYLAND_DISPLAY are not set); the window needs one.\n"
               "Without a display, use the command-line program: tarvel --help\n";
        return 1;
    }
    QApplication app(argc, argv);  // takes the toolkit's own options out of argv
    QApplication::setApplicationName(tarvel::kAppTitle);
    const tarvel::CommandLine line =
        tarvel::readCommandLine(arguments(argc, argv), true, std::cout, std::cerr);
    if (line.exitStatus) return *line.exitStatus;
    const bool measure = line.measureStartup;
    QStringList files;
    for (const std::string& file : line.files) files.append(QString::fromLocal8Bit(file));

    tarvel::QtDialogs dialogs;
    // The serial-link library beside the program, bound at the first device command.
    tarvel::device::Declares library(tarvel::device::defaultLibraryFileName(),
                                     tarvel::device::executableDirectory());
    // Owns the device worker, which outlives the window and its queued results.
    // Downloads land in the current folder, as tmprecord0.rcd, tmprecord1.rcd ...
    tarvel::device::FltportDeviceCommands deviceCommands(library, std::string(tarvel::device::kRecordPrefix));
    tarvel::MainWindow window(dialogs);
    window.setNumberLocale(tarvel::NumberLocale::system());
    window.setDeviceCommands(&deviceCommands);
    if (measure) tarvel::quitAfterFirstPaint(window, sinceStart);
    window.show();
    if (!files.isEmpty())
        QTimer::singleShot(0, &window, [&window, files] { window.openStartupFiles(files); });
    return app.exec();
}
