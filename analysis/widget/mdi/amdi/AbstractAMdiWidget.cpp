#include "AbstractAMdiWidget.h"

#include "DialogAnswerer.h"
#include "MyMenu.h"

#include <QDomElement>
#include <QFrame>
#include <QInputDialog>
#include <QTimer>
#include <QVBoxLayout>

AbstractAMdiWidget::AbstractAMdiWidget(AbstractMdi* desktop)
    : AbstractMdiWidget(desktop)
{
    recalculationTimer = new QTimer(this);
    recalculationTimer->setSingleShot(true);
    recalculationTimer->setInterval(0);
    connect(recalculationTimer, &QTimer::timeout, this, &AbstractAMdiWidget::slot_maybeRecalculate);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    contentFrame = new QFrame(this);
    contentFrame->setFrameStyle(QFrame::Box | QFrame::Plain);
    contentFrame->setAutoFillBackground(true);
    QPalette palette = contentFrame->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::gray);
    contentFrame->setPalette(palette);
    contentFrame->setMouseTracking(true);
    contentFrame->installEventFilter(this);
    layout->addWidget(contentFrame);
    contentLayout = new QVBoxLayout(contentFrame);
    contentLayout->setContentsMargins(0, 0, 0, 0);
}

void AbstractAMdiWidget::init(LoadedRunListModel*, QItemSelectionModel*)
{
}

void AbstractAMdiWidget::parseDomElement(const QDomElement* setup)
{
    if (setup->hasAttribute(QStringLiteral("printId"))) {
        bool ok = false;
        const int id = setup->attribute(QStringLiteral("printId")).toInt(&ok);
        printId = ok ? id : 0;
    }
    parseDomElementChild(setup);
}

void AbstractAMdiWidget::writeToDomElement(QDomElement* setup)
{
    setup->setAttribute(QStringLiteral("printId"), printId);
    writeToDomElementChild(setup);
}

void AbstractAMdiWidget::addPrintIdChangeAction(MyMenu* menu)
{
    QAction* action = menu->addAction(tr("Change Print ID / current = ") + QString::number(printId));
    connect(action, &QAction::triggered, this, &AbstractAMdiWidget::slot_changePrintId);
}

void AbstractAMdiWidget::slot_changePrintId()
{
    QInputDialog dialog(this);
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setWindowTitle(tr("Change Print ID"));
    dialog.setLabelText(tr("Enter new Print ID"));
    dialog.setIntRange(0, 100);
    dialog.setIntStep(1);
    dialog.setIntValue(printId);
    if (DialogAnswerer::exec(&dialog) == QDialog::Accepted)
        printId = dialog.intValue();
}

void AbstractAMdiWidget::slot_queueRecalculation()
{
    recalculationPending = true;
    recalculationTimer->start();
}

void AbstractAMdiWidget::runRecalculation()
{
    recalculate();
    ++recalculationCount;
    paintedSinceRecalculation = false;
    recalculationPending = false;
}

void AbstractAMdiWidget::slot_maybeRecalculate()
{
    if (recalculationPending && isVisible())
        runRecalculation();
}

void AbstractAMdiWidget::showEvent(QShowEvent* event)
{
    if (recalculationPending && isVisible())
        runRecalculation();
    AbstractMdiWidget::showEvent(event);
}

bool AbstractAMdiWidget::eventFilter(QObject* watched, QEvent* event)
{
    // The content frame covers the widget: its paint is the widget's paint.
    if (watched == contentFrame && event->type() == QEvent::Paint)
        paintedSinceRecalculation = true;
    return AbstractMdiWidget::eventFilter(watched, event);
}
