#pragma once

#include "lib/PointVectorField.h"
#include "lib/Quantity.h"

#include <QObject>
#include <QString>

class PointVectorEditor;
class QDomElement;
class RunChannel;
class Unit;

// One field (x or y) of a characteristic editor: its quantity, display unit,
// decimals, allowed range (SI, for the cell editors) and label, optionally
// taken from a live channel that it follows until the channel goes away.
class PointVectorEditorAxis : public QObject
{
    Q_OBJECT
public:
    PointVectorEditorAxis(PointVectorEditor* editor, PointVectorField field);

    void setChannel(RunChannel* channel);
    // The live channel of that key (none when no channel has it).
    void setChannelByKey(const QString& key);
    // The unit of that name in the axis quantity (its default unit when the
    // quantity has no such unit).
    void setUnitFromName(const QString& name);
    QString channelKey() const;
    QString unitName() const;
    double getRangeMinTranslated() const;
    double getRangeMaxTranslated() const;
    // The row header: label and unit.
    void updateLabel();
    void writeSetupToDomElement(QDomElement* element) const;
    void parseDomElement(QDomElement* element);

    static constexpr int kMaxDecimals = 10;

    PointVectorEditor* editor = nullptr;
    PointVectorField field;
    double rangeMinSI;
    double rangeMaxSI;
    Quantity quantity = Quantity::None;
    const Unit* unit = nullptr;
    RunChannel* channel = nullptr;
    int decimals = 2;
    QString label;

Q_SIGNALS:
    void signal_axisSetupChanged();

public Q_SLOTS:
    void slot_setQuantity(Quantity quantity);
    void slot_setUnit(const Unit* unit);
    void slot_setDecimals(int decimals);
    void slot_setRangeSI(double min, double max);
    void slot_setLabel(const QString& label);
    void slot_channelSetupChanged();
    void slot_channelDestroyed();
};
