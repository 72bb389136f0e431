#pragma once

#include "AbstractRMdiWidget.h"

class ColorButton;
class QComboBox;

// RUN widget "indicator": a lamp in the active colour while its condition
// holds (value not 0, warning, alarm) and in the inactive colour otherwise,
// with the channel's name in its corner. Repaints only when the state changes.
class RMdiIndicator : public AbstractRMdiWidget
{
    Q_OBJECT
public:
    enum Type { Type_value = 0, Type_warning = 1, Type_alarm = 2 };

    explicit RMdiIndicator(AbstractMdi* desktop);

    void parseDomElement(const QDomElement* element) override;
    void writeToDomElement(QDomElement* element) override;
    void setChannel(RunChannel* channel) override;
    void configureWidget() override;
    void refreshTick(qint64 nowMs) override;

    bool lit = false;
    QDialog* configDialog = nullptr;
    QComboBox* typeBox = nullptr;
    ColorButton* inactiveColor = nullptr;
    ColorButton* activeColor = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
};
