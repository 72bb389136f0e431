#pragma once

#include <QObject>

// Event filter that swallows wheel events over a widget without focus, so that
// scrolling a page never changes a spin box or combo box by accident.
class MouseWheelWidgetAdjustmentGuard : public QObject
{
    Q_OBJECT
public:
    explicit MouseWheelWidgetAdjustmentGuard(QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
