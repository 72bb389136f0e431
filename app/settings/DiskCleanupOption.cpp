#include "DiskCleanupOption.h"

#include "DiskCleanupTool.h"
#include "SpinBoxWithUnit.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>

#include <limits>

DiskCleanupOption::DiskCleanupOption(QWidget* parent, const QString& title, const QString& text,
                                     SpinBoxWithUnit* valueBox)
    : QGroupBox(title, parent)
    , spinBox(valueBox)
{
    auto* form = new QFormLayout(this);
    checkBox = new QCheckBox(text, this);
    label = new QLabel(this);
    if (spinBox) {
        spinBox->setParent(this);
        form->addRow(checkBox, spinBox);
        connect(spinBox, &SpinBoxWithUnit::signal_valueChangedSI, this, &DiskCleanupOption::slot_conditionChanged);
    } else {
        form->addRow(checkBox);
    }
    form->addRow(label);
    connect(checkBox, &QCheckBox::stateChanged, this, &DiskCleanupOption::signal_setupChanged);
    slot_conditionChanged();
}

double DiskCleanupOption::getConditionValue() const
{
    return spinBox ? spinBox->getValueSI() : std::numeric_limits<double>::quiet_NaN();
}

QStringList DiskCleanupOption::files() const
{
    return checkBox->isChecked() ? fileList : QStringList();
}

void DiskCleanupOption::setFiles(const QStringList& files)
{
    fileList = files;
    label->setText(tr("File count: ") + QString::number(files.size()) + QStringLiteral(" ( ") +
                   QString::number(DiskCleanupTool::fileSpaceUsed(files) / 1048576) + QStringLiteral(" MB )"));
}

void DiskCleanupOption::slot_conditionChanged()
{
    fileList.clear();
    label->setText(tr("File count: ") + QStringLiteral("??") + QStringLiteral(" ( ?? MB )"));
    Q_EMIT signal_setupChanged();
}

void DiskCleanupOption::cleaningPerformed()
{
    slot_conditionChanged();
}
