#pragma once

#include "AbstractPlotAxis.h"

#include <QColor>
#include <QSharedPointer>

class ChannelSetup;
class QCPAxisTicker;
class QCPAxisTickerDateTime;
class QDomElement;
class QWidget;

// Ties one axis of an analysis plot to an analysis channel setup: label
// (name and unit), tick format, alarm and warning lines and visibility follow
// the setup. Keeps the per-axis options saved with the desktop (grid, tick
// count, bin count of the colour map). An axis without a setup is hidden.
class ComparePlotAxis : public AbstractPlotAxis
{
    Q_OBJECT
public:
    explicit ComparePlotAxis(QObject* parent = nullptr);

    void init(QCustomPlot* plot);
    void setChannelSetup(ChannelSetup* setup);
    // The analysis setup of that key, made when missing; none for an empty key.
    void setChannelSetupByKey(const QString& key);
    QString getChannelKey() const;
    // Opens the setup editor on the bound setup (the analysis form).
    void setupChannel();
    // The range the setup gives for data spanning min..max, from 0 when asked.
    void setConfiguredRange(double min, double max, bool fromZero);
    void setTickCount(int count);
    void showTickCountDialog();
    void setBinCount();
    void setGridEnabled(bool enabled);
    void toggleGrid();
    void updateGridVisibility();
    void setColor(const QColor& color);
    void setColor_found();
    void setColor_placeholder();
    void setDefaultTicker() override;
    bool hasSimpleTicker() override;
    void writeToDomElement(QDomElement* element) const;
    void parseDomElement(const QDomElement* element);

    static constexpr int kMaxBinCount = 200;

    bool gridEnabled = true;
    QWidget* dialogParent = nullptr;
    QSharedPointer<QCPAxisTicker> numericTicker;
    QSharedPointer<QCPAxisTickerDateTime> clockTicker;
    qint32 binCount = 100;
    ChannelSetup* channelSetup = nullptr;
    QColor foundColor;

Q_SIGNALS:
    void signal_channelSetupChanged();
    void signal_requestSettingsSave();

public Q_SLOTS:
    void slot_channelSetupChanged();
};
