#pragma once

#include <QWidget>

class AbstractMdi;

// The red cover of a RUN desktop while an alarm is active (with "Full screen
// alarms" on): the list of active alarms in large letters. Touches go through
// it to the widgets below.
class FullMdiAlarm : public QWidget
{
    Q_OBJECT
public:
    explicit FullMdiAlarm(AbstractMdi* mdi);

    AbstractMdi* mdi;

protected:
    void paintEvent(QPaintEvent* event) override;
};
