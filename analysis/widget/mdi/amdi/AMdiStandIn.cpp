#include "AMdiStandIn.h"

#include "ChannelSetup.h"
#include "LoadedRunListModel.h"

#include <QDomDocument>
#include <QDomElement>
#include <QLabel>
#include <QVBoxLayout>

AMdiStandIn::AMdiStandIn(AbstractMdi* desktop, const QString& widgetTitle)
    : AbstractAMdiWidget(desktop)
    , title(widgetTitle)
{
    label = new QLabel(title, contentFrame);
    label->setAlignment(Qt::AlignCenter);
    contentLayout->addWidget(label);
    // The label covers the widget: its paint is the widget's first paint.
    label->installEventFilter(this);
}

bool AMdiStandIn::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == label && event->type() == QEvent::Paint)
        paintedSinceRecalculation = true;
    return AbstractAMdiWidget::eventFilter(watched, event);
}

void AMdiStandIn::init(LoadedRunListModel* model, QItemSelectionModel*)
{
    runs = model;
    if (!runs)
        return;
    connect(runs, &QAbstractItemModel::rowsInserted, this, &AMdiStandIn::slot_queueRecalculation);
    connect(runs, &QAbstractItemModel::rowsRemoved, this, &AMdiStandIn::slot_queueRecalculation);
    connect(runs, &QAbstractItemModel::dataChanged, this, &AMdiStandIn::slot_queueRecalculation);
    slot_queueRecalculation();
}

void AMdiStandIn::recalculate()
{
    ++recalculationCount;
    paintedSinceRecalculation = false;
    label->setText(QStringLiteral("%1 (%2)").arg(title).arg(runs ? runs->rowCount() : 0));
}

QStringList AMdiStandIn::listChannelKeys()
{
    QStringList keys;
    for (const ChannelSetup* setup : axisSetups) {
        if (setup && !keys.contains(setup->key))
            keys.append(setup->key);
    }
    return keys;
}

void AMdiStandIn::parseDomElementChild(const QDomElement* setup)
{
    QDomDocument document;
    QDomElement copy = document.importNode(*setup, true).toElement();
    copy.removeAttribute(QStringLiteral("printId"));
    document.appendChild(copy);
    storedSetup = document.toString(-1);
}

void AMdiStandIn::writeToDomElementChild(QDomElement* setup)
{
    if (storedSetup.isEmpty())
        return;
    QDomDocument document;
    if (!document.setContent(storedSetup))
        return;
    const QDomElement stored = document.documentElement();
    const QDomNamedNodeMap attributes = stored.attributes();
    for (int i = 0; i < attributes.count(); ++i) {
        const QDomAttr attribute = attributes.item(i).toAttr();
        if (attribute.name() != QLatin1String("printId"))
            setup->setAttribute(attribute.name(), attribute.value());
    }
    QDomDocument owner = setup->ownerDocument();
    for (QDomNode child = stored.firstChild(); !child.isNull(); child = child.nextSibling())
        setup->appendChild(owner.importNode(child, true));
}

void AMdiStandIn::paintEvent(QPaintEvent* event)
{
    paintedSinceRecalculation = true;
    AbstractAMdiWidget::paintEvent(event);
}
