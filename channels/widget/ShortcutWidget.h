#pragma once

#include <QKeySequence>
#include <QPushButton>

// A button that captures one key sequence: click it, press the keys. Escape
// cancels, Backspace clears. Keys that the program or the platform already use,
// and single keys other than F9..F35, Insert, Scroll Lock and Pause, are refused.
class ShortcutWidget : public QPushButton
{
    Q_OBJECT
public:
    explicit ShortcutWidget(QWidget* parent);

    // Stores and shows a different sequence, stops capturing and announces it.
    void setKeySequence(const QKeySequence& sequence);
    void checkAndSetNewKeySequence(int modifiers, int key);

    QKeySequence keySequence;

Q_SIGNALS:
    void signal_sequenceChanged(const QKeySequence& sequence);

public Q_SLOTS:
    void slot_checkStateChanged(bool checked);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};
