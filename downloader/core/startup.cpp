#include "startup.h"

#include <filesystem>

namespace vxoem {
namespace fs = std::filesystem;

StartupChoices readStartupChoices(const VxoemSettings& settings) {
    StartupChoices choices;
    choices.chip = settings.chipType() == "QM40" ? Chip::QM40 : Chip::QM10;
    const std::string port = settings.qm40PortNumber();
    if (port.empty() || port == "0") {
        choices.qm40Port = 2;
    } else if (port.size() == 1 && port[0] >= '1' && port[0] <= '4') {
        choices.qm40Port = port[0] - '0';
    }
    return choices;
}

std::string workDirectoryOf(const VxoemSettings& settings) {
    std::string folder = settings.workDir();
    if (folder.empty()) folder = settings.runDir();
    std::error_code error;
    if (folder.empty() || !fs::is_directory(folder, error)) return fs::current_path(error).string();
    const fs::path absolute = fs::absolute(folder, error);
    return error ? folder : absolute.string();
}

StartupChoices applyStartupChoices(const VxoemSettings& settings, DownloadProcedures& procedures,
                                   vx::ChipControl& VX, const std::string& workDirectory) {
    const StartupChoices choices = readStartupChoices(settings);
    procedures.setChip(choices.chip);
    if (choices.qm40Port) VX.setCommPort(*choices.qm40Port);
    procedures.setWorkDirectory(workDirectory);
    return choices;
}

bool hasQuietSwitch(const std::vector<std::string>& args) {
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "/q") return true;
    }
    return false;
}

BatchResult runBatch(DownloadProcedures& procedures, Reporter& reporter,
                     const std::vector<std::string>& args) {
    if (args.empty()) return {};
    const std::string folder = procedures.workDirectory();
    const std::string projectPath = (fs::path(folder) / args[0]).string();
    const std::string errorFile = (fs::path(folder) / "Velmix.err").string();
    std::error_code error;
    const auto exists = [&error](const std::string& path) { return fs::exists(path, error); };
    const auto finish = [&reporter]() {
        reporter.errorLine("Done.");
        reporter.closeErrorFile();
        return BatchResult{true, reporter.failureReported() ? 1 : 0};
    };

    if (!exists(projectPath + ".vxp")) {
        reporter.openErrorFile(errorFile);
        reporter.messageAndLog("Project Not found: " + projectPath + ".vxp");
        return finish();
    }
    // The project's program image, ready for the Download key.
    procedures.setDownloadFilePath(projectPath + ".vxb");
    if (args.size() < 2) return {};

    reporter.setBatch(true);
    reporter.openErrorFile(errorFile);
    for (size_t i = 1; i < args.size() && !reporter.batchError(); ++i) {
        if (args[i] == "/c") {
            if (exists(projectPath + ".prf")) {
                reporter.errorLine("Compile : " + projectPath + ".vxp");
            } else {
                reporter.errorLineFailure("Error: " + projectPath);
            }
        } else if (args[i] == "/d") {
            const std::string image = projectPath + ".vxb";
            if (exists(image)) {
                reporter.errorLine("Download: " + image);
                procedures.SelectDownloadFile(image);
                if (procedures.selectionLoaded()) procedures.cmdDownload_Click();
                if (procedures.selectionLoaded() && procedures.downloadSucceeded()) {
                    procedures.cmdExecute_Click();
                } else {
                    // A program that is not in the chip as written is never started unattended.
                    reporter.batchAwareError("Not started: the download of " + image + " failed.");
                }
            } else {
                reporter.errorLineFailure("Error: " + image);
            }
        }
    }
    return finish();
}

}  // namespace vxoem
