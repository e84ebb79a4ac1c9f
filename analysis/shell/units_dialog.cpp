#include "units_dialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "units.h"

namespace tarvel {

namespace {
struct GroupInfo {
    UnitGroup group;
    const char* frameCaption;
    const char* controlName;
};
constexpr GroupInfo kGroups[4] = {
    {UnitGroup::Distance, "Altitude", "optDistance"},
    {UnitGroup::Velocity, "Velocity", "optVelocity"},
    {UnitGroup::Thrust, "Thrust", "optThrust"},
    {UnitGroup::Mass, "Mass", "optMass"},
};
}  // namespace

UnitsDialog::UnitsDialog(const UnitSelection& current, QWidget* parent) : QDialog(parent) {
    setObjectName("frmUnits");
    setWindowTitle("Units");
    setModal(true);

    const int16_t selected[4] = {current.Distance, current.Velocity, current.Thrust, current.Mass};
    auto* frames = new QHBoxLayout;
    for (int g = 0; g < 4; ++g) {
        auto* frame = new QGroupBox(kGroups[g].frameCaption, this);
        auto* column = new QVBoxLayout(frame);
        int index = 0;
        for (const UnitOption& option : unitOptions(kGroups[g].group)) {
            auto* button =
                new QRadioButton(QString::fromUtf8(option.caption.data(), int(option.caption.size())), frame);
            button->setObjectName(QString("%1_%2").arg(kGroups[g].controlName).arg(index));
            button->setChecked(index == selected[g]);
            column->addWidget(button);
            m_options[g].push_back(button);
            ++index;
        }
        column->addStretch(1);
        frames->addWidget(frame);
    }

    m_ok = new QPushButton("&OK", this);
    m_ok->setObjectName("cmdOK");
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    m_cancel = new QPushButton("&Cancel", this);
    m_cancel->setObjectName("cmdCancel");
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(frames);
    layout->addLayout(buttons);
}

UnitSelection UnitsDialog::ticked() const {
    int16_t chosen[4] = {0, 0, 0, 0};
    for (int g = 0; g < 4; ++g)
        for (size_t i = 0; i < m_options[g].size(); ++i)
            if (m_options[g][i]->isChecked()) chosen[g] = int16_t(i);
    return UnitSelection{chosen[0], chosen[1], chosen[2], chosen[3]};
}

QRadioButton* UnitsDialog::option(int group, int index) const {
    if (group < 0 || group >= 4 || index < 0 || index >= int(m_options[group].size())) return nullptr;
    return m_options[group][index];
}

}  // namespace tarvel
