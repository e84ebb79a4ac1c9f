#include "window_render.h"

#include <QApplication>
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
#include "units.h"

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

bool parseSize(const std::string& text, int& width, int& height) {
    const auto x = text.find('x');
    if (x == std::string::npos) return false;
    char* end = nullptr;
    width = int(std::strtol(text.c_str(), &end, 10));
    if (end != text.c_str() + x) return false;
    height = int(std::strtol(text.c_str() + x + 1, &end, 10));
    return *end == '\0' && width >= 200 && height >= 150 && width <= 8000 && height <= 8000;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const auto pos = text.find(separator, start);
        parts.push_back(text.substr(start, pos - start));
        if (pos == std::string::npos) return parts;
        start = pos + 1;
    }
}

}  // namespace

void ensureGuiApplication() {
    if (QCoreApplication::instance()) return;
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
        std::getenv("QT_QPA_PLATFORM") == nullptr)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tarvel";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
}

Status applyWindowAction(MainWindow& window, const std::string& name, const std::string& value) {
    FlightAnalysis& fa = window.analysis();
    if (name == "recalculate") {
        window.mnuRecalc_Click();
    } else if (name == "mode") {
        if (value == "all")
            window.mnuGraphAll_Click();
        else if (value == "burn")
            window.mnuGraphAccelThrust_Click();
        else
            return Status::failure("--mode is all or burn, not \"" + value + "\"");
    } else if (name == "units") {
        UnitSelection ticked = fa.units;
        for (const std::string& item : split(value, ',')) {
            const auto eq = item.find('=');
            const std::string group = item.substr(0, eq);
            const std::string unit = eq == std::string::npos ? std::string() : item.substr(eq + 1);
            const std::pair<const char*, std::pair<UnitGroup, int16_t*>> groups[] = {
                {"altitude", {UnitGroup::Distance, &ticked.Distance}},
                {"velocity", {UnitGroup::Velocity, &ticked.Velocity}},
                {"thrust", {UnitGroup::Thrust, &ticked.Thrust}},
                {"mass", {UnitGroup::Mass, &ticked.Mass}},
            };
            bool known = false;
            for (const auto& [groupName, target] : groups) {
                if (group != groupName) continue;
                const auto index = unitIndex(target.first, unit);
                if (!index) return Status::failure("--units: unknown unit \"" + unit + "\" for " + group);
                *target.second = *index;
                known = true;
            }
            if (!known)
                return Status::failure("--units: \"" + value + "\" is not GROUP=UNIT[,GROUP=UNIT...]");
        }
        // The same road as the units dialog's "&OK".
        const Status status = fa.applyUnits(ticked);
        window.refreshFromModel();
        if (!status.ok)
            window.dialogs().message(&window, QString::fromStdString(status.message), Dialogs::Icon::Warning);
    } else if (name == "set") {
        const auto eq = value.find('=');
        const auto field = detailFieldFromName(value.substr(0, eq));
        if (eq == std::string::npos || !field)
            return Status::failure("--set needs NAME=TEXT with a detail field name, not \"" + value + "\"");
        const std::string text = value.substr(eq + 1);
        fa.detail(*field) = text;
        window.refreshFromModel();
        window.detailLostFocus(*field);
    } else if (name == "move" || name == "click" || name == "rclick") {
        char* end = nullptr;
        const double t = std::strtod(value.c_str(), &end);
        if (value.empty() || *end != '\0')
            return Status::failure("--" + name + " needs a time in seconds, not \"" + value + "\"");
        const double x = window.lnGraph().xOfTime(t);
        if (name == "move")
            window.grfArea_MouseMove(0, x);
        else
            window.grfArea_MouseDown(name == "rclick" ? 2 : 1, x);
    } else {
        return Status::failure("unknown option --" + name + " for render");
    }
    return Status::success();
}

int runRenderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    int width = 1024, height = 768;
    std::optional<NumberLocale> locale;
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> actions;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0) {
            positional.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2), value;
        bool hasValue = false;
        if (const auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            hasValue = true;
        }
        if (name != "recalculate" && !hasValue) {
            if (i + 1 >= args.size()) {
                err << "render: option --" << name << " needs a value\n";
                return 2;
            }
            value = args[++i];
        }
        if (name == "size") {
            if (!parseSize(value, width, height)) {
                err << "render: --size takes WIDTHxHEIGHT, e.g. 1920x1080\n";
                return 2;
            }
        } else if (name == "locale") {
            locale = NumberLocale::named(value);
            if (!locale) {
                err << "render: unknown locale \"" << value << "\"\n";
                return 2;
            }
        } else {
            actions.emplace_back(name, value);
        }
    }
    if (positional.size() != 2) {
        err << "usage: " << kRenderUsage << '\n';
        return 2;
    }

    ensureGuiApplication();
    HeadlessDialogs dialogs(out);
    MainWindow window(dialogs, TarvelSettings(std::string(".")));
    if (locale) window.analysis().numberLocale = *locale;
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.resize(width, height);
    window.show();
    QApplication::processEvents();

    if (!window.openRecordFile(QString::fromStdString(positional[0]))) return 1;
    for (const auto& [name, value] : actions) {
        const Status status = applyWindowAction(window, name, value);
        if (!status.ok) {
            err << "render: " << status.message << '\n';
            return 2;
        }
    }
    QApplication::processEvents();
    const QImage image = window.grab().toImage();
    if (image.size() != QSize(width, height))
        err << "render: the window needs at least " << image.width() << "x" << image.height() << " pixels\n";
    if (!image.save(QString::fromStdString(positional[1]), "PNG")) {
        err << "render: cannot write " << positional[1] << '\n';
        return 1;
    }
    return 0;
}

}  // namespace tarvel
