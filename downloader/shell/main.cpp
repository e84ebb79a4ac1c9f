// VXOEM: puts compiled programs into QM-40 and QM-10 chips.
#include <QApplication>

#include "command_line.h"
#include "frm_spi_downloader.h"
#include "program_information.h"
#include "unattended_run.h"

int main(int argc, char** argv) {
    if (const auto status = vxoem::answerInformationRequest({argv + 1, argv + argc})) return *status;
    // The quiet switch needs no display, so it is looked for before any window system starts.
    const auto args = vxoem::GetCommandLine(vxoem::joinArguments({argv + 1, argv + argc}));
    if (vxoem::hasQuietSwitch(args)) {
        QCoreApplication app(argc, argv);
        return vxoem::runUnattended(args);
    }

    QApplication app(argc, argv);
    std::vector<std::string> remaining;
    for (const QString& argument : QCoreApplication::arguments().mid(1))
        remaining.push_back(argument.toStdString());
    vxoem::frmSpiDownloader window;
    const vxoem::BatchResult batch = window.Form_Load(vxoem::GetCommandLine(vxoem::joinArguments(remaining)));
    if (batch.endProgram) return batch.exitStatus;
    window.show();
    return app.exec();
}
