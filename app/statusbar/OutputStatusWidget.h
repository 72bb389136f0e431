#pragma once

#include <QWidget>

class OutputWidgetContainer;
class QTimer;

// The status bar's copy of the output column: three columns of small cells
// (low-side outputs, relays, actuators) in the buttons' current colours,
// repainted every 200 ms.
class OutputStatusWidget : public QWidget
{
    Q_OBJECT
public:
    explicit OutputStatusWidget(QWidget* parent = nullptr);
    void init();
    // The column it mirrors; the RUN tab's unless set (tests).
    void setContainer(OutputWidgetContainer* container);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    OutputWidgetContainer* container() const;
    OutputWidgetContainer* explicitContainer = nullptr;
    QTimer* repaintTimer = nullptr;
};
