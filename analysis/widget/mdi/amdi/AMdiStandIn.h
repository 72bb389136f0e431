#pragma once

#include "AbstractAMdiWidget.h"

#include <QMap>

class ChannelSetup;
class QLabel;

// STAND-IN until the colour map, the X-Y table and the image widget are
// built: what those three widget kinds share for now. It keeps the widget's own part of
// the setup element verbatim (attributes and children), so a desktop saved
// meanwhile loses nothing, counts its recalculations, and lets tests set the
// channels its axes show.
class AMdiStandIn : public AbstractAMdiWidget
{
    Q_OBJECT
public:
    AMdiStandIn(AbstractMdi* desktop, const QString& title);

    void recalculate() override;
    void init(LoadedRunListModel* runs, QItemSelectionModel* selection) override;
    QStringList listChannelKeys() override;
    void parseDomElementChild(const QDomElement* setup) override;
    void writeToDomElementChild(QDomElement* setup) override;

    // The channel shown on a plot axis (PlotAxis numbering), or null.
    ChannelSetup* axisChannelSetup(int axis) const { return axisSetups.value(axis); }
    void setAxisChannelSetup(int axis, ChannelSetup* setup) { axisSetups.insert(axis, setup); }

    LoadedRunListModel* runs = nullptr;
    int recalculationCount = 0;
    // Recalculations that ran before the widget was first painted.
    bool paintedSinceRecalculation = false;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString title;
    QLabel* label = nullptr;
    QMap<int, ChannelSetup*> axisSetups;
    // The setup element of the desktop file, printId aside.
    QString storedSetup;
};
