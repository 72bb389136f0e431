#include "DesktopTestSupport.h"

#include "AbstractMdi.h"
#include "MdiWidgetTypes.h"
#include "RunMdi.h"

#include <QDomDocument>

qint64 ProbeWidget::fakeNow = 1'000'000;
QList<QPair<QString, qint64>> ProbeWidget::tickLog;
QList<int> g_timerStarts;

ProbeWidget::ProbeWidget(AbstractMdi* desktop)
    : AbstractRMdiWidget(desktop)
{
    setMinimumSize(30, 30);
}

void ProbeWidget::refreshTick(qint64 nowMs)
{
    ++ticks;
    lastTick = nowMs;
    tickLog.append({tag, nowMs});
    fakeNow += cost;
    if (closeInTick)
        closeMdi();
}

void ProbeWidget::parseDomElement(const QDomElement* element)
{
    tag = element->attribute(QStringLiteral("tag"));
}

void ProbeWidget::writeToDomElement(QDomElement* element)
{
    element->setAttribute(QStringLiteral("tag"), tag);
}

void installProbeWidgets()
{
    RunMdi::registerRunDesktop();
    MdiWidgetTypes::registerFactory(MdiType_run, 0, [](AbstractMdi* d) { return new ProbeWidget(d); });
    RunMdi::setClock([] { return ProbeWidget::fakeNow; });
    RunMdi::setTimerStarter([](RunMdi*, int delay) { g_timerStarts.append(delay); });
}

namespace {

bool sameElement(const QDomElement& a, const QDomElement& b, QString* why)
{
    if (a.tagName() != b.tagName()) {
        *why = QStringLiteral("tag %1 != %2").arg(a.tagName(), b.tagName());
        return false;
    }
    const QDomNamedNodeMap aa = a.attributes();
    const QDomNamedNodeMap ba = b.attributes();
    if (aa.count() != ba.count()) {
        *why = QStringLiteral("%1: %2 attributes != %3").arg(a.tagName()).arg(aa.count()).arg(ba.count());
        return false;
    }
    for (int i = 0; i < aa.count(); ++i) {
        const QDomAttr attr = aa.item(i).toAttr();
        if (!b.hasAttribute(attr.name()) || b.attribute(attr.name()) != attr.value()) {
            *why = QStringLiteral("%1@%2: %3 != %4")
                       .arg(a.tagName(), attr.name(), attr.value(), b.attribute(attr.name(), QStringLiteral("<none>")));
            return false;
        }
    }
    QDomElement ca = a.firstChildElement();
    QDomElement cb = b.firstChildElement();
    while (!ca.isNull() || !cb.isNull()) {
        if (ca.isNull() || cb.isNull()) {
            *why = QStringLiteral("%1: child count differs").arg(a.tagName());
            return false;
        }
        if (!sameElement(ca, cb, why))
            return false;
        ca = ca.nextSiblingElement();
        cb = cb.nextSiblingElement();
    }
    return true;
}

} // namespace

bool sameXml(const QString& a, const QString& b, QString* why)
{
    QDomDocument da, db;
    if (!da.setContent(a) || !db.setContent(b)) {
        *why = QStringLiteral("does not parse");
        return false;
    }
    return sameElement(da.documentElement(), db.documentElement(), why);
}
