#pragma once
// shpContStatus: a filled circle showing an output's state, with the state in
// words beside it ("closed", "open", "fired"), so it does not rest on the
// colour alone; screen readers get the output and its state as the name.

#include <QColor>
#include <QString>
#include <QWidget>

namespace tarvel::device {

class StatusCircle : public QWidget {
    Q_OBJECT
public:
    static inline const QString kClosedText = QStringLiteral("closed");
    static inline const QString kOpenText = QStringLiteral("open");
    static inline const QString kFiredText = QStringLiteral("fired");

    explicit StatusCircle(int output, QWidget* parent = nullptr);
    QColor fillColor() const { return m_fill; }
    QString stateText() const { return m_text; }
    void setState(const QColor& color, const QString& text);
    QSize sizeHint() const override;

protected:
    void paintEvent(class QPaintEvent* event) override;

private:
    int m_output;
    QColor m_fill = Qt::white;
    QString m_text;
};

}  // namespace tarvel::device
