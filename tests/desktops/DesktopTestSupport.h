#pragma once

#include "AbstractRMdiWidget.h"

#include <QDomElement>
#include <QString>

class AbstractMdi;

// A RUN widget for tests: it records the calls of the desktop and, when told,
// lets the scheduler's fake clock run on while it "refreshes".
class ProbeWidget : public AbstractRMdiWidget
{
    Q_OBJECT
public:
    explicit ProbeWidget(AbstractMdi* desktop);

    void refreshTick(qint64 nowMs) override;
    void insertDataBrake() override { ++breaks; }
    void unpause() override { ++unpauses; }
    void newRunStarted() override { ++newRuns; }
    void onCreateConfiguration() override {}
    void parseDomElement(const QDomElement* element) override;
    void writeToDomElement(QDomElement* element) override;

    int ticks = 0;
    int breaks = 0;
    int unpauses = 0;
    int newRuns = 0;
    qint64 lastTick = 0;
    // How long a refresh takes on the fake clock.
    qint64 cost = 0;
    bool closeInTick = false;
    QString tag;

    // The fake clock all probe widgets and the scheduler share.
    static qint64 fakeNow;
    // Every tick of every probe, in order: (widget tag, time).
    static QList<QPair<QString, qint64>> tickLog;
};

// Registers ProbeWidget as RUN widget type 0 and the fake clock; the timer
// starts are recorded instead of run.
void installProbeWidgets();
extern QList<int> g_timerStarts;

// Two DOM trees are equal when tags, attributes (in any order) and children
// (in order) are equal; text is compared trimmed.
bool sameXml(const QString& a, const QString& b, QString* why);
