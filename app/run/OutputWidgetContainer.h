#pragma once

#include <QList>
#include <QString>
#include <QWidget>

// STAND-IN until the relay and low-side output buttons are built: their place
// on the RUN tab and the function keys F1 to F8 that will press them. It holds
// no output button yet and remembers the last key it was given.
class OutputWidgetContainer : public QWidget
{
    Q_OBJECT
public:
    explicit OutputWidgetContainer(QWidget* parent = nullptr);
    void init();
    void keyActivated(Qt::Key key, bool pressed);
    // One entry per item of the list: an output button's label, or a null
    // string for an item that is no output button.
    QList<QString> outputLabels() const;

    int keyPresses = 0;
    int keyReleases = 0;
    Qt::Key lastKey = Qt::Key_unknown;
};
