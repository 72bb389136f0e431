#pragma once

#include "ColorScaleStep.h"

#include <QColor>
#include <QDialog>

class ChannelSetup;
class QTableWidget;

// Edits the colour steps of a channel setup (colour maps, coloured tables):
// one row per step with its type (absolute value or share of the shown
// range), value and colour. Runs modally inside its constructor; only Ok
// changes the setup.
class ColorScaleEditor : public QDialog
{
    Q_OBJECT
public:
    ColorScaleEditor(QWidget* parent, ChannelSetup* setup);

    // Inserts a row after the current one (at the top when none is current).
    void addScaleStep(ColorScaleStepType type, double value, QColor color);

    ChannelSetup* setup = nullptr;
    QTableWidget* table = nullptr;

public Q_SLOTS:
    void slot_addNewScaleStep();
    void slot_addNewScaleStepAtEnd();
    void slot_removeScaleStep();
    void slot_accept();
    void slot_contextMenu(const QPoint& pos);
};
