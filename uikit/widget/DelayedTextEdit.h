#pragma once

#include <QTextEdit>

class QTimer;

// Announces an edit once, 300 ms after the last of a burst of changes, with the
// value it holds then; the plain change signal still fires at once.
class DelayedTextEdit : public QTextEdit
{
    Q_OBJECT
public:
    explicit DelayedTextEdit(QWidget* parent = nullptr);

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
