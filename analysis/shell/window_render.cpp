#include "window_render.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>

#include <cstdlib>
#include <ostream>

#include "dialogs.h"
#include "graph_interaction.h"
#include "ln_graph.h"
#include "main_window.h"
#include "units.h"

namespace tarvel {

namespace {

// Dialogs of a window nobody sees: files and printers are cancelled, modal
// dialogs are closed unanswered, messages are written out.
class HeadlessDialogs : public Dialogs {
public:
    explicit HeadlessDialogs(std::ostream& out) : m_out(out) {}
    std::optional<QString> openFile(QWidget*, const QString&, const QString&) override { return std::nullopt; }
    std::optional<QString> saveFile(QWidget*, const QString&, const QString&) override { return std::nullopt; }
    void message(QWidget*, const QString& text, Icon) override { m_out << text.toStdString() << '\n'; }
    bool choosePrinter(QWidget*, QPrinter&) override { return false; }
    int runModal(QDialog&) override { return 0; }

private:
    std::ostream& m_out;
};

bool parseSize(const std::string& text, int& width, int& height)
{
    const auto x = text.find('x');
    if (x == std::string::npos)
        return false;
    char* end = nullptr;
    width = int(std::strtol(text.c_str(), &end, 10));
    if (end != text.c_str() + x)
        return false;
    height = int(std::strtol(text.c_str() + x + 1, &end, 10));
    return *end == '\0' && width >= 200 && height >= 150 && width <= 8000 && height <= 8000;
}

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const auto pos = text.find(separator, start);
        parts.push_back(text.substr(start, pos - start));
        if (pos == std::string::npos)
            return parts;
        start = pos + 1;
    }
}

}  // namespace

void ensureGuiApplication()
{
    if (QCoreApplication::instance())
        return;
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tarvel";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
}

Status applyWindowAction(MainWindow& window, const std::string& action, std::ostream& messages)
{
    (void)messages;
    const std::pair<const char*, void (MainWindow::*)()> menu[] = {
        {"all", &MainWindow::mnuGraphAll_Click},           {"burn", &MainWindow::mnuGraphAccelThrust_Click},
        {"recalc", &MainWindow::mnuRecalc_Click},          {"thrust", &MainWindow::mnuGraphThrust_Click},
        {"altitude", &MainWindow::mnuGraphAltitude_Click}, {"velocity", &MainWindow::mnuGraphVelocity_Click},
        {"accel", &MainWindow::mnuGraphAccel_Click},
    };
    for (auto [name, handler] : menu)
        if (action == name) {
            (window.*handler)();
            return Status::success();
        }

    const auto colon = action.find(':');
    const std::string verb = action.substr(0, colon);
    const std::string argument = colon == std::string::npos ? std::string() : action.substr(colon + 1);

    if (verb == "units") {
        const auto names = split(argument, ',');
        const UnitGroup groups[4] = {UnitGroup::Distance, UnitGroup::Velocity, UnitGroup::Thrust, UnitGroup::Mass};
        if (names.size() != 4)
            return Status::failure("units: expected DISTANCE,VELOCITY,THRUST,MASS, e.g. units:m,km/h,N,g");
        int16_t chosen[4];
        for (int g = 0; g < 4; ++g) {
            const auto index = unitIndex(groups[g], names[g]);
            if (!index)
                return Status::failure("units: unknown unit " + names[g]);
            chosen[g] = *index;
        }
        window.analysis().applyUnits(UnitSelection{chosen[0], chosen[1], chosen[2], chosen[3]});
        window.refreshFromModel();
        return Status::success();
    }
    if (verb == "set") {
        const auto eq = argument.find('=');
        const auto field = detailFieldFromName(argument.substr(0, eq));
        if (eq == std::string::npos || !field)
            return Status::failure("set: expected FIELD=TEXT with a detail field name, e.g. set:FileDetailWeight=20");
        const std::string text = argument.substr(eq + 1);
        if (*field == DetailField::FileDetailNotes) {
            window.analysis().detail(*field) = text;
            window.refreshFromModel();
        } else {
            window.detailEdit(*field)->setText(QString::fromStdString(text));
            window.analysis().detail(*field) = text;
            window.detailLostFocus(*field);
        }
        return Status::success();
    }
    if (verb == "move" || verb == "click" || verb == "rclick") {
        char* end = nullptr;
        const double t = std::strtod(argument.c_str(), &end);
        if (argument.empty() || *end != '\0')
            return Status::failure(verb + ": expected a time in seconds, e.g. " + verb + ":1.5");
        const double x = window.lnGraph().xOfTime(t);
        if (verb == "move")
            window.grfArea_MouseMove(0, x);
        else
            window.grfArea_MouseDown(verb == "rclick" ? 2 : 1, x);
        return Status::success();
    }
    return Status::failure("unknown action " + action);
}

int runRenderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    int width = 1024, height = 768;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--size") {
            if (i + 1 >= args.size() || !parseSize(args[i + 1], width, height)) {
                err << "render: --size takes WIDTHxHEIGHT, e.g. 1920x1080\n";
                return 2;
            }
            ++i;
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() < 2) {
        err << "usage: tarvel render FILE.rcd OUT.png [ACTIONS...] [--size WxH]\n";
        return 2;
    }

    ensureGuiApplication();
    HeadlessDialogs dialogs(out);
    MainWindow window(dialogs, TarvelSettings(std::string(".")));
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.resize(width, height);
    window.show();
    QApplication::processEvents();

    if (!window.openRecordFile(QString::fromStdString(positional[0])))
        return 1;
    for (size_t i = 2; i < positional.size(); ++i) {
        const Status status = applyWindowAction(window, positional[i], out);
        if (!status.ok) {
            err << "render: " << status.message << '\n';
            return 2;
        }
    }
    QApplication::processEvents();
    const QImage image = window.grab().toImage();
    if (!image.save(QString::fromStdString(positional[1]), "PNG")) {
        err << "render: cannot write " << positional[1] << '\n';
        return 1;
    }
    return 0;
}

}  // namespace tarvel
