#pragma once

#include "AbstractRMdiWidget.h"

#include <QFont>
#include <QStaticText>

class QCheckBox;
class QSpinBox;

// RUN widget "number": the channel's value as large text with its unit, the
// name in the corner and a coloured border while it warns or alarms. The text
// is made at most once per refresh-rate limit (200 ms by default) and only
// when the shown number changed; an alarm that starts or ends repaints at once.
class RMdiNumber : public AbstractRMdiWidget
{
    Q_OBJECT
public:
    explicit RMdiNumber(AbstractMdi* mdi);

    void parseDomElement(const QDomElement* element) override;
    void writeToDomElement(QDomElement* element) override;
    void setChannel(RunChannel* channel) override;
    void configureWidget() override;
    void refreshTick(qint64 nowMs) override;

    // Whether the value text was wider than its room at the last paint.
    bool textClipped = false;

    QString valueText = QStringLiteral("0");
    QStaticText unitText;
    bool alarmCopy = false;
    QDialog* configDialog = nullptr;
    QCheckBox* clipValues = nullptr;
    QSpinBox* unitFontSize = nullptr;
    QSpinBox* refreshRateLimit = nullptr;

public Q_SLOTS:
    void slot_channelSetupChanged() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static bool isLabelQuantity(const RunChannel* channel);
    // The display value whose text valueText holds; a setup change forgets it.
    double formattedValue = 0.0;
    bool formattedValid = false;
    // Fonts of the last paint, made again only when their pixel size changes.
    QFont valueFont;
    QFont unitFont;
    int valueFontPixels = 0;
    int unitFontPixels = 0;
    bool unitLaidOut = false;
};
