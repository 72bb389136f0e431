#include "DelayedTextEdit.h"

#include <QTimer>

DelayedTextEdit::DelayedTextEdit(QWidget* parent)
    : QTextEdit(parent)
{
    timer = new QTimer(this);
    timer->setInterval(300);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, &DelayedTextEdit::slot_sendDelayedTextChanged);
    connect(this, &QTextEdit::textChanged, timer, qOverload<>(&QTimer::start));
}

void DelayedTextEdit::slot_sendDelayedTextChanged()
{
    Q_EMIT signal_delayedTextChanged(toPlainText());
}

void DelayedTextEdit::setTextWithoutSignal(const QString& text)
{
    setText(text);
    timer->stop();
}
