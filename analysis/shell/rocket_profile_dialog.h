#pragma once
// "Save Rocket Profile...": asks the name the window's rocket details are
// saved under, offering the names saved already (choosing one replaces it,
// which the window asks about first).

#include <QDialog>
#include <string>
#include <vector>

class QComboBox;
class QDialogButtonBox;

namespace tarvel {

class RocketProfileDialog : public QDialog {
    Q_OBJECT
public:
    // `summary`: the details that will be saved, as the user reads them.
    RocketProfileDialog(const std::vector<std::string>& names, const QString& summary,
                        QWidget* parent = nullptr);

    QComboBox* nameBox() const { return m_name; }
    QDialogButtonBox* buttons() const { return m_buttons; }
    // The name as typed, without spaces around it.
    std::string profileName() const;

private:
    QComboBox* m_name;
    QDialogButtonBox* m_buttons;
};

}  // namespace tarvel
