#include "reporter.h"

#include <filesystem>
#include <iostream>

namespace vxoem {

void Reporter::message(const std::string& text, const std::string& title, MessageIcon icon) {
    m_failureReported = true;
    if (m_quiet) {
        errorLine(text);
        std::cerr << text << std::endl;
        return;
    }
    m_ui.showMessage(text, title, icon);
}

void Reporter::batchAwareError(const std::string& text) {
    if (!m_batch) {
        message(text);
        return;
    }
    errorLineFailure(text);
    if (m_quiet) std::cerr << text << std::endl;
    m_batchError = true;
}

void Reporter::messageAndLog(const std::string& text) {
    message(text);
    if (!m_quiet) errorLine(text);
}

bool Reporter::openErrorFile(const std::string& path) {
    closeErrorFile();
    // Only a regular file is replaced: a pipe or a device stays as it is.
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        std::cerr << path << ": not a regular file; the error file was not written" << std::endl;
        m_failureReported = true;
        return false;
    }
    m_errorFile.open(path, std::ios::out | std::ios::trunc);
    if (!m_errorFile) {
        std::cerr << path << ": the error file cannot be created" << std::endl;
        m_failureReported = true;
        return false;
    }
    return true;
}

void Reporter::errorLine(const std::string& text) {
    if (m_errorFile.is_open()) m_errorFile << text << std::endl;
}

void Reporter::errorLineFailure(const std::string& text) {
    m_failureReported = true;
    errorLine(text);
}

void Reporter::closeErrorFile() {
    if (m_errorFile.is_open()) m_errorFile.close();
}

}  // namespace vxoem
