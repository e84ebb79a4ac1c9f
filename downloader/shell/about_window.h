#pragma once
// The About window: two lines of text, not modal.

#include <QDialog>

class QLabel;

namespace vxoem {

class AboutWindow : public QDialog {
    Q_OBJECT

public:
    AboutWindow(const QString& line1, const QString& line2, QWidget* parent = nullptr);

    QLabel* line1() const { return m_line1; }
    QLabel* line2() const { return m_line2; }

private:
    QLabel* m_line1;
    QLabel* m_line2;
};

}  // namespace vxoem
