#include "DelayedLineEdit.h"

#include <QTimer>

DelayedLineEdit::DelayedLineEdit(QWidget* parent, int delay)
    : QLineEdit(parent)
{
    timer = new QTimer(this);
    timer->setInterval(delay);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, &DelayedLineEdit::slot_sendDelayedTextChanged);
    connect(this, &QLineEdit::textChanged, timer, qOverload<>(&QTimer::start));
}

void DelayedLineEdit::slot_sendDelayedTextChanged()
{
    Q_EMIT signal_delayedTextChanged(text());
}

void DelayedLineEdit::setTextWithoutSignal(const QString& text)
{
    setText(text);
    timer->stop();
}
