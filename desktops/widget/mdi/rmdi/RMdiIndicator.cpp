#include "RMdiIndicator.h"

#include "ColorButton.h"
#include "RunChannel.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QComboBox>
#include <QDomElement>
#include <QFormLayout>
#include <QPainter>

RMdiIndicator::RMdiIndicator(AbstractMdi* desktop)
    : AbstractRMdiWidget(desktop)
{
    setMinimumSize(50, 20);
    resize(100, 50);
    activateStandardMdiItemContextMenu(Menu_selectChannel | Menu_configureChannel | Menu_configureWidget);
    configDialog = new QDialog(this);
    configDialog->setWindowTitle(tr("Widget Configuration"));
    auto* form = new QFormLayout(configDialog);
    form->setLabelAlignment(Qt::AlignRight);
    typeBox = new QComboBox(configDialog);
    typeBox->addItems({tr("value") + QStringLiteral(" \u2260 0"), tr("warning"), tr("alarm")});
    inactiveColor = new ColorButton(configDialog);
    inactiveColor->setColor(QColor(0xef, 0xef, 0xef));
    activeColor = new ColorButton(configDialog);
    activeColor->setColor(QColor(0x00, 0xff, 0x00));
    form->addRow(tr("Indicate"), typeBox);
    form->addRow(tr("Inactive color"), inactiveColor);
    form->addRow(tr("Active color"), activeColor);
    connect(inactiveColor, &ColorButton::signal_colorChanged, this, qOverload<>(&QWidget::update));
    connect(activeColor, &ColorButton::signal_colorChanged, this, qOverload<>(&QWidget::update));
}

void RMdiIndicator::setChannel(RunChannel* channel)
{
    lit = false;
    update();
    AbstractRMdiWidget::setChannel(channel);
}

void RMdiIndicator::configureWidget()
{
    DialogAnswerer::exec(configDialog);
    update();
    emit signal_requestSetupSave();
}

void RMdiIndicator::refreshTick(qint64)
{
    RunChannel* c = channel();
    if (!c)
        return;
    bool now = false;
    switch (typeBox->currentIndex()) {
    case Type_value:
        // NaN (no fresh value) is not 0 either: the lamp shows it.
        now = !(c->getValue() == 0.0);
        break;
    case Type_warning: {
        const RunChannel::AlarmState s = c->alarmState();
        now = s.aboveWarningHigh || s.belowWarningLow;
        break;
    }
    case Type_alarm:
        now = c->alarmState().alarmActive;
        break;
    default:
        break;
    }
    if (now != lit) {
        lit = now;
        update();
    }
}

void RMdiIndicator::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QColor fill = lit ? activeColor->color() : inactiveColor->color();
    p.fillRect(0, 0, width(), height(), fill);
    p.setPen(Tools::getContrastColor(fill, 0.5f));
    p.drawStaticText(QPointF(1.0, 1.0), captionText);
    p.setPen(Qt::gray);
    p.drawRect(0, 0, width() - 1, height() - 1);
}

void RMdiIndicator::parseDomElement(const QDomElement* element)
{
    typeBox->setCurrentIndex(element->attribute(QStringLiteral("type")).toInt());
    const QColor active = QColor::fromString(element->attribute(QStringLiteral("color")));
    if (active.isValid())
        activeColor->setColor(active);
    const QColor inactive = QColor::fromString(element->attribute(QStringLiteral("inactiveColor")));
    if (inactive.isValid())
        inactiveColor->setColor(inactive);
    AbstractRMdiWidget::parseDomElement(element);
}

void RMdiIndicator::writeToDomElement(QDomElement* element)
{
    element->setAttribute(QStringLiteral("type"), typeBox->currentIndex());
    element->setAttribute(QStringLiteral("color"), activeColor->color().name());
    element->setAttribute(QStringLiteral("inactiveColor"), inactiveColor->color().name());
    AbstractRMdiWidget::writeToDomElement(element);
}
