#include "window_render.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <cstdlib>
#include <optional>
#include <ostream>

#include "dialogs.h"
#include "graph_interaction.h"
#include "ln_graph.h"
#include "main_window.h"
#include "record_writer.h"

namespace tarvel {

namespace {

// Dialogs of a window nobody sees: files and printers are cancelled, modal
// dialogs are closed unanswered, messages are written out.
class HeadlessDialogs : public Dialogs {
public:
    explicit HeadlessDialogs(std::ostream& out) : m_out(out) {}
    std::optional<QString> openFile(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> saveFile(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
    void message(QWidget*, const QString& text, Icon) override { m_out << text.toStdString() << '\n'; }
    bool choosePrinter(QWidget*, QPrinter&) override { return false; }
    int runModal(QDialog&) override { return 0; }

private:
    std::ostream& m_out;
};

}  // namespace

GuiApplicationScope::GuiApplicationScope() {
    if (QCoreApplication::instance()) return;
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
        std::getenv("QT_QPA_PLATFORM") == nullptr)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    m_app = std::make_unique<QApplication>(m_argc, m_argv);
}

GuiApplicationScope::~GuiApplicationScope() = default;

std::string applyWindowAction(MainWindow& window, const WindowAction& action) {
    FlightAnalysis& fa = window.analysis();
    switch (action.kind) {
        case WindowAction::Kind::Set:
            fa.detail(action.field) = action.text;
            window.refreshFromModel();
            window.detailLostFocus(action.field);
            break;
        case WindowAction::Kind::Units: {
            // The same road as the units dialog's "&OK".
            const Status status = fa.applyUnits(action.unitsOver(fa.units));
            window.refreshFromModel();
            if (!status.ok)
                window.dialogs().message(&window, QString::fromStdString(status.message),
                                         Dialogs::Icon::Exclamation);
            break;
        }
        case WindowAction::Kind::Mode:
            if (action.burnMode)
                window.mnuGraphAccelThrust_Click();
            else
                window.mnuGraphAll_Click();
            break;
        case WindowAction::Kind::Recalculate:
            window.mnuRecalc_Click();
            break;
        case WindowAction::Kind::Rocket:
            window.applyProfileDetails(action.profile);
            break;
        case WindowAction::Kind::Move:
            window.grfArea_MouseMove(graph::MouseButton::None, window.lnGraph().xOfTime(action.time));
            break;
        case WindowAction::Kind::Click:
        case WindowAction::Kind::RClick:
            window.grfArea_MouseDown(action.kind == WindowAction::Kind::RClick ? graph::MouseButton::Right
                                                                               : graph::MouseButton::Left,
                                     window.lnGraph().xOfTime(action.time));
            break;
        case WindowAction::Kind::Ruler:
            window.grfArea_MouseDown(graph::MouseButton::Left, window.lnGraph().xOfTime(action.time),
                                     {.control = true});
            break;
        case WindowAction::Kind::Range:
            return window.zoomToRange(action.time, action.timeTo).toStdString();
    }
    return {};
}

bool renderWindowPng(const std::string& file, const std::string& png, int width, int height,
                     const NumberLocale& locale, const std::vector<WindowAction>& actions, std::ostream& out,
                     std::ostream& err, RenderOverlay overlay) {
    // With the picture on standard output, the messages go to the error stream.
    const bool toStandardOutput = png == "-";
    HeadlessDialogs dialogs(toStandardOutput ? err : out);
    // The picture shows the file and the actions only: not the units or files
    // the user last had in the window, and nothing is left in the user's store.
    MainWindow window(dialogs, TarvelSettings(std::string(".")), nullptr, UserPreferences(false));
    window.setNumberLocale(locale);
    window.analysis().graphMenu.mnuGraphEvents = overlay.events;
    window.analysis().graphMenu.mnuGraphEstimate = overlay.estimate;
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.resize(width, height);
    window.show();
    QCoreApplication::sendPostedEvents();  // the layout of the shown window

    // A refused recalculation leaves the file open for the actions to mend.
    if (!window.openRecordFile(QString::fromStdString(file))) return false;
    for (const WindowAction& action : actions) {
        // A picture without the zoom asked for would pass for the one wanted.
        if (const std::string refused = applyWindowAction(window, action); !refused.empty()) {
            err << "render: " << action.option << ": " << refused << '\n';
            return false;
        }
    }
    QCoreApplication::sendPostedEvents();
    const QImage image = window.grab().toImage();
    if (image.size() != QSize(width, height))
        err << "render: the window needs at least " << image.width() << "x" << image.height() << " pixels\n";
    const Status written = writePngImage(image, png, out);
    // The file's own failures name the program, the picture's the verb.
    const bool ofTheFile = written.message != kPngNotMade && written.message != kPngNotWritten;
    if (!written.ok) err << (ofTheFile ? "tarvel: " : "render: ") << written.message << '\n';
    return written.ok;
}

Status writePngImage(const QImage& image, const std::string& png, std::ostream& out) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return Status::failure(kPngNotMade);
    if (png == "-") {
        if (out.write(bytes.constData(), bytes.size()).flush()) return Status::success();
        return Status::failure(kPngNotWritten);
    }
    // As the other outputs: a whole new file or the old one, a FIFO or device fed in place.
    return replaceFileContents(png, std::string_view(bytes.constData(), size_t(bytes.size())));
}

}  // namespace tarvel
