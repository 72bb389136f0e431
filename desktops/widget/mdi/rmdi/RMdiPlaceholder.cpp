#include "RMdiPlaceholder.h"

#include <QDomElement>
#include <QPainter>

namespace {

// What the clipboard form carries on its "widget" element beside the setup.
bool isPlacementAttribute(const QString& name)
{
    static const QStringList names = {QStringLiteral("mdiType"), QStringLiteral("widgetType"), QStringLiteral("x"),
                                      QStringLiteral("y"), QStringLiteral("w"), QStringLiteral("h"),
                                      QStringLiteral("stayOnTop")};
    return names.contains(name);
}

} // namespace

RMdiPlaceholder::RMdiPlaceholder(AbstractMdi* desktop, const QString& typeName)
    : AbstractRMdiWidget(desktop), typeName(typeName)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAttribute(Qt::WA_TranslucentBackground, false);
    setMinimumSize(20, 20);
    activateStandardMdiItemContextMenu(0);
    kept.appendChild(kept.createElement(QStringLiteral("setup")));
}

void RMdiPlaceholder::parseDomElement(const QDomElement* element)
{
    kept = QDomDocument();
    QDomElement copy = kept.importNode(*element, true).toElement();
    if (element->tagName() == QLatin1String("widget")) {
        const QDomNamedNodeMap attrs = element->attributes();
        for (int i = 0; i < attrs.count(); ++i) {
            const QString n = attrs.item(i).nodeName();
            if (isPlacementAttribute(n))
                copy.removeAttribute(n);
        }
    }
    kept.appendChild(copy);
    const QString key = copy.attribute(QStringLiteral("variableKey"));
    captionText.setText(key.isEmpty() ? QStringLiteral("-") : key);
}

void RMdiPlaceholder::writeToDomElement(QDomElement* element)
{
    const QDomElement source = kept.documentElement();
    const QDomNamedNodeMap attrs = source.attributes();
    for (int i = 0; i < attrs.count(); ++i) {
        const QDomAttr a = attrs.item(i).toAttr();
        element->setAttribute(a.name(), a.value());
    }
    QDomDocument target = element->ownerDocument();
    for (QDomNode n = source.firstChild(); !n.isNull(); n = n.nextSibling())
        element->appendChild(target.importNode(n, true));
}

void RMdiPlaceholder::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(236, 236, 236));
    p.setPen(Qt::gray);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(Qt::darkGray);
    p.drawText(rect().adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap,
               typeName + QStringLiteral("\n") + captionText.text());
}
