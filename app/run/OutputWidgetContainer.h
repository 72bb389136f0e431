#pragma once

#include <QFrame>
#include <QHash>
#include <QList>
#include <QString>

class AbstractOutputWidget;
class ActuatorController;
class OutputWidget;
class QVBoxLayout;

// The RUN tab's column of output buttons: the board's low-side outputs (F1 to
// F4), its relays (F5 to F8) and four actuator controllers, sized to share
// the column's height (icons and one- or two-line text follow the height).
//
// It also catches the releases of held outputs that would otherwise be lost:
// a function key coming up with a modifier held (the main window passes only
// releases without one), the window losing focus to a box or another window.
class OutputWidgetContainer : public QFrame
{
    Q_OBJECT
public:
    explicit OutputWidgetContainer(QWidget* parent = nullptr);
    // Builds the buttons of the connected board (dyno settings ready).
    void init();
    void keyActivated(Qt::Key key, bool pressed);
    // One entry per button in list order: an output's user label, or a null
    // string for an actuator.
    QList<QString> outputLabels() const;
    // Releases every held output (not the bistable ones).
    void releaseHeldOutputs();

    QList<AbstractOutputWidget*> widgets;
    QList<OutputWidget*> outputs;
    QList<ActuatorController*> actuators;
    // Counts the column was built with; readers copy these rather than the
    // board description, which the MCU thread may still be writing.
    int lowSideCount = 0;
    int relayCount = 0;
    QHash<int, OutputWidget*> keyMap;
    int lastFormat = -1;

Q_SIGNALS:
    // A user label changed (the remote control keeps a copy).
    void signal_outputLabelsChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applySizes(int height);
    QVBoxLayout* layout = nullptr;
};
