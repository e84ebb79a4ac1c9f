#include "report_pdf.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>
#include <algorithm>
#include <utility>

#include "graph_painter.h"
#include "ln_graph.h"
#include "model_graph.h"
#include "qt_text.h"
#include "record_writer.h"
#include "report_text.h"
#include "window_panels.h"

namespace tarvel::report {

namespace {

constexpr int kResolution = 600;  // of the page's coordinates, dots per inch
constexpr double kMarginMm = 15;
constexpr double kBodyPoints = 9;
constexpr double kFooterPoints = 7.5;
constexpr double kGapPoints = 10;      // between blocks
constexpr int kStatisticsColumns = 5;  // at most: m/s, ft/s, mph, km/h, Mach

using suite::qs;

// What the page draws in: the painter, the page's size and where the next
// block starts. A block that does not fit below the last starts a new page.
class Page {
public:
    Page(QPdfWriter& pdf, QPainter& painter, QString footer)
        : m_pdf(pdf), m_painter(painter), m_footer(std::move(footer)) {}

    static double pt(double points) { return points * kResolution / 72.0; }
    QPainter& painter() { return m_painter; }
    double width() const { return m_pdf.width(); }
    double y = 0;

    // A new page first unless `height` fits below y.
    void keep(double height) {
        if (y > 0 && y + height > bottom()) {
            drawFooter();
            m_pdf.newPage();
            ++m_number;
            y = 0;
        }
    }
    void finish() { drawFooter(); }

    QFont font(double points, bool bold = false) const {
        QFont f = m_painter.font();
        f.setPointSizeF(points);
        f.setBold(bold);
        // No ligatures: "fi" stays two letters, so a search for "field" finds it.
        f.setStyleStrategy(QFont::PreferNoShaping);
        return f;
    }
    double lineHeight(const QFont& f) const { return QFontMetricsF(f, &m_pdf).height() * 1.25; }

    // One line of text in the box, elided to its width.
    void text(const QFont& f, const QRectF& box, int flags, const QString& line) {
        m_painter.setFont(f);
        const QString shown = QFontMetricsF(f, &m_pdf).elidedText(line, Qt::ElideRight, box.width());
        m_painter.drawText(box, flags | Qt::AlignVCenter, shown);
    }
    // Text wrapped to the page's width at y, line by line onto as many pages
    // as it takes; y moves below it. Line breaks in `words` are kept.
    void paragraph(const QFont& f, QString words) {
        words.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
        words.replace(QLatin1Char('\n'), QChar::LineSeparator);
        QTextLayout layout(words, f, &m_pdf);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
            line.setLineWidth(width());
        layout.endLayout();
        m_painter.setPen(Qt::black);
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine line = layout.lineAt(i);
            keep(line.height());
            line.draw(&m_painter, QPointF(0, y - line.y()));
            y += line.height();
        }
    }
    void rule() {
        m_painter.setPen(QPen(QColor(150, 150, 150), pt(0.5)));
        m_painter.drawLine(QPointF(0, y), QPointF(width(), y));
        m_painter.setPen(Qt::black);
    }

private:
    double bottom() const { return m_pdf.height() - 2 * pt(kFooterPoints); }
    void drawFooter() {
        const QFont f = font(kFooterPoints);
        const QRectF line(0, m_pdf.height() - pt(kFooterPoints) * 1.4, width(), pt(kFooterPoints) * 1.4);
        m_painter.setPen(QColor(90, 90, 90));
        text(f, line, Qt::AlignLeft, m_footer);
        text(f, line, Qt::AlignRight, QStringLiteral("Page %1").arg(m_number));
        m_painter.setPen(Qt::black);
    }

    QPdfWriter& m_pdf;
    QPainter& m_painter;
    QString m_footer;
    int m_number = 1;
};

// The title, then place and date, then the notes as typed.
void drawHeading(Page& page, const std::string& title, const Panel& misc) {
    const QFont big = page.font(16, true);
    page.text(big, QRectF(0, page.y, page.width(), page.lineHeight(big)), Qt::AlignLeft, qs(title));
    page.y += page.lineHeight(big);
    const QFont body = page.font(10);
    QStringList placeAndDate;
    for (const PanelRow& row : misc.rows)
        if (row.label != "Name" && row.label != "Notes:" && !row.value.empty())
            placeAndDate << qs(row.label + ": " + row.value);
    if (!placeAndDate.isEmpty()) {
        page.text(body, QRectF(0, page.y, page.width(), page.lineHeight(body)), Qt::AlignLeft,
                  placeAndDate.join(QStringLiteral("     ")));
        page.y += page.lineHeight(body);
    }
    const PanelRow& notes = misc.rows.back();
    if (!notes.value.empty()) page.paragraph(page.font(kBodyPoints), qs(notes.label + " " + notes.value));
    page.y += Page::pt(kGapPoints / 2);
    page.rule();
    page.y += Page::pt(kGapPoints / 2);
}

// The panels side by side, each row its caption and what it shows.
void drawPanels(Page& page, std::initializer_list<const Panel*> panels) {
    const QFont title = page.font(10, true), body = page.font(kBodyPoints);
    const double gap = Page::pt(18);
    const double width = (page.width() - gap * double(panels.size() - 1)) / double(panels.size());
    const double row = page.lineHeight(body);
    size_t rows = 0;
    for (const Panel* p : panels) rows = std::max(rows, p->rows.size());
    page.keep(page.lineHeight(title) + row * double(rows));
    double x = 0;
    for (const Panel* p : panels) {
        double y = page.y;
        page.text(title, QRectF(x, y, width, page.lineHeight(title)), Qt::AlignLeft, qs(p->title));
        y += page.lineHeight(title);
        for (const PanelRow& r : p->rows) {
            const std::string shown = r.value.empty() || r.unit.empty() ? r.value : r.value + " " + r.unit;
            page.text(body, QRectF(x, y, width * 0.55, row), Qt::AlignLeft, qs(r.label));
            page.text(body, QRectF(x + width * 0.55, y, width * 0.45, row), Qt::AlignRight, qs(shown));
            y += row;
        }
        x += width + gap;
    }
    page.y += page.lineHeight(title) + row * double(rows) + Page::pt(kGapPoints);
}

// A palette for paper: a white plot with grey grid lines and black text.
QPalette paperPalette() {
    QPalette palette;
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Button, QColor(212, 212, 212));
    palette.setColor(QPalette::Mid, QColor(128, 128, 128));
    palette.setColor(QPalette::Light, Qt::white);
    palette.setColor(QPalette::ButtonText, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::black);
    return palette;
}

// The whole flight in the view the Graph menu ticks, with the events and the
// estimate as the menu has them.
graph::Scene flightScene(const FlightAnalysis& fa) {
    graph::LnGraph graph;
    const bool burn = fa.graphMenu.mnuGraphAccelThrust;
    drawModelGraph(
        fa,
        {GraphStep::Init, GraphStep::ClearCurves, burn ? GraphStep::AdjThrustAxes : GraphStep::AdjAllAxes,
         GraphStep::Axes, burn ? GraphStep::Burn : GraphStep::AllCurves},
        graph);
    return graph.scene();
}

void drawGraph(Page& page, const FlightAnalysis& fa) {
    const graph::Scene scene = flightScene(fa);
    const double height = page.width() * scene.geometry.baseH / scene.geometry.baseW;
    page.keep(height);
    graph::RenderOptions options;
    options.columnTitles = true;
    options.palette = paperPalette();
    options.fillPanel = false;
    QPainter& painter = page.painter();
    painter.setFont(page.font(kBodyPoints));
    graph::paintGraph(painter, scene, QRectF(0, page.y, page.width(), height).toRect(), options);
    page.y += height + Page::pt(kGapPoints);
}

// Each section of the events and statistics kept together, its values in
// every unit side by side.
void drawStatistics(Page& page, const FlightAnalysis& fa) {
    const QFont heading = page.font(12, true), title = page.font(10, true), body = page.font(kBodyPoints);
    const double row = page.lineHeight(body);
    const double labelWidth = page.width() * 0.34;
    const double column = (page.width() - labelWidth) / kStatisticsColumns;
    const std::vector<events::ReportSection> sections = events::reportSections(fa.flightReport());
    bool first = true;
    for (const events::ReportSection& section : sections) {
        const double height = page.lineHeight(title) + row * double(section.rows.size());
        page.keep((first ? page.lineHeight(heading) : 0) + height);
        if (std::exchange(first, false)) {
            page.text(heading, QRectF(0, page.y, page.width(), page.lineHeight(heading)), Qt::AlignLeft,
                      QStringLiteral("Events and statistics"));
            page.y += page.lineHeight(heading);
        }
        page.text(title, QRectF(0, page.y, page.width(), page.lineHeight(title)), Qt::AlignLeft,
                  qs(section.title));
        page.y += page.lineHeight(title);
        for (const events::ReportRow& r : section.rows) {
            page.text(body, QRectF(0, page.y, labelWidth, row), Qt::AlignLeft, qs(r.label));
            const std::vector<std::string> values = events::unitTexts(r, fa.numberLocale);
            if (values.empty())
                page.text(body, QRectF(labelWidth, page.y, column, row), Qt::AlignRight, QStringLiteral("—"));
            for (size_t i = 0; i < values.size() && i < kStatisticsColumns; ++i)
                page.text(body, QRectF(labelWidth + column * double(i), page.y, column, row), Qt::AlignRight,
                          qs(values[i]));
            page.y += row;
        }
        page.y += row / 2;
    }
}

}  // namespace

Paper paperOf(const QLocale& locale) {
    return locale.measurementSystem() == QLocale::ImperialUSSystem ? Paper::Letter : Paper::A4;
}

std::optional<Paper> paperNamed(std::string_view name) {
    const QString n = QString::fromUtf8(name.data(), qsizetype(name.size())).toLower();
    if (n == QStringLiteral("a4")) return Paper::A4;
    if (n == QStringLiteral("letter")) return Paper::Letter;
    return std::nullopt;
}

std::string reportTitle(const FlightAnalysis& fa, const std::string& file) {
    const QString name = qs(fa.detail(DetailField::FileDetailName)).trimmed();
    if (!name.isEmpty()) return name.toStdString();
    const QString base = QFileInfo(qs(file)).completeBaseName();
    return base.isEmpty() ? std::string("Flight") : base.toStdString();
}

QByteArray reportPdf(const FlightAnalysis& fa, const ReportSetup& setup) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const std::string title = reportTitle(fa, setup.file);
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(kResolution);
        pdf.setPageSize(QPageSize(setup.paper == Paper::Letter ? QPageSize::Letter : QPageSize::A4));
        pdf.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
        pdf.setTitle(qs(title));
        pdf.setCreator(qs(setup.creator));
        QPainter painter(&pdf);
        Page page(pdf, painter, QFileInfo(qs(setup.file)).fileName());
        const WindowPanels panels = windowPanels(fa);
        drawHeading(page, title, panels.misc);
        drawPanels(page, {&panels.rocket, &panels.motor, &panels.performance});
        drawGraph(page, fa);
        drawStatistics(page, fa);
        page.finish();
    }
    return bytes;
}

Status writeReportPdf(const FlightAnalysis& fa, const std::string& path, const ReportSetup& setup) {
    if (!fa.computed)
        return Status::failure("The flight has no figures to report: it could not be computed.");
    const QByteArray pdf = reportPdf(fa, setup);
    return replaceFileContents(path, std::string_view(pdf.constData(), size_t(pdf.size())));
}

}  // namespace tarvel::report
