// VXOEM: puts compiled programs into QM-40 and QM-10 chips.
#include <QApplication>
#include <csignal>
#include <iostream>

#include "command_line.h"
#include "display_available.h"
#include "frm_spi_downloader.h"
#include "program_information.h"
#include "startup.h"
#include "unattended_run.h"
#include "vxoem_settings.h"

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // Past a file-size limit a write fails and is reported, instead of killing the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    if (const auto status = vxoem::answerInformationRequest({argv + 1, argv + argc})) return *status;
    // The quiet switch needs no display, so it is looked for before any window system starts.
    const auto args = vxoem::GetCommandLine(vxoem::joinArguments({argv + 1, argv + argc}));
    const bool display = suite::displayAvailable();
    // Without a display a batch command line (a project and a switch) runs as if quiet.
    if (vxoem::hasQuietSwitch(args) || (!display && args.size() >= 2)) {
        QCoreApplication app(argc, argv);
        return vxoem::runUnattended(args, vxoem::workDirectoryOf(vxoem::VxoemSettings()));
    }
    if (!display) {
        std::cerr << "VXOEM: no display (DISPLAY and WAYLAND_DISPLAY are not set); the window needs one.\n"
                     "Without a display, run a batch command line: VXOEM PROJECT /d /q"
                  << std::endl;
        return 1;
    }

    QApplication app(argc, argv);
    std::vector<std::string> remaining;
    for (const QString& argument : QCoreApplication::arguments().mid(1))
        remaining.push_back(argument.toStdString());
    vxoem::frmSpiDownloader window;
    // The work folder is worked out once, here; the current directory stays as it was.
    const vxoem::BatchResult batch = window.Form_Load(vxoem::GetCommandLine(vxoem::joinArguments(remaining)),
                                                      vxoem::workDirectoryOf(vxoem::VxoemSettings()));
    if (batch.endProgram) return batch.exitStatus;
    window.show();
    return app.exec();
}
