#pragma once

#include <QGroupBox>
#include <QStringList>

class QCheckBox;
class QLabel;
class SpinBoxWithUnit;

// One condition of the disk clean-up: a check box, an optional value and the
// run files the last scan found for it, with their count and size.
class DiskCleanupOption : public QGroupBox
{
    Q_OBJECT
public:
    DiskCleanupOption(QWidget* parent, const QString& title, const QString& text, SpinBoxWithUnit* spinBox);

    // The value in SI units; NaN for a condition without one.
    double getConditionValue() const;
    // The files found, while the condition is used (checked); else none.
    QStringList files() const;
    void setFiles(const QStringList& files);
    void cleaningPerformed();

    SpinBoxWithUnit* spinBox = nullptr;
    QCheckBox* checkBox = nullptr;
    QLabel* label = nullptr;
    QStringList fileList;

public Q_SLOTS:
    void slot_conditionChanged();

Q_SIGNALS:
    void signal_setupChanged();
};
