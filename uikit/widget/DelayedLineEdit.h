#pragma once

#include <QLineEdit>

class QTimer;

// Announces an edit once, `delay` ms after the last of a burst of keystrokes,
// with the text it holds then; textChanged still fires at once.
class DelayedLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit DelayedLineEdit(QWidget* parent = nullptr, int delay = 300);

    // Sets without the delayed announcement, and drops one that is pending.
    void setTextWithoutSignal(const QString& text);

    // Which column or field the owner put this editor in charge of.
    int tag = -1;

public Q_SLOTS:
    void slot_sendDelayedTextChanged();

Q_SIGNALS:
    void signal_delayedTextChanged(const QString& currentText);

private:
    QTimer* timer = nullptr;
};
