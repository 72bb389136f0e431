#include "OutputWidgetContainer.h"

#include "ActuatorController.h"
#include "HwInfo.h"
#include "OutputWidget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

OutputWidgetContainer::OutputWidgetContainer(QWidget* parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    setMinimumHeight(100);
}

void OutputWidgetContainer::init()
{
    if (layout)
        return;
    layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    const int lowSide = std::clamp(theHwInfo.lowSideOutputs, 0, 4);
    lowSideCount = lowSide;
    for (int n = 0; n < lowSide; ++n) {
        auto* output = new OutputWidget(this, OutputWidgetType_lowSide, n, tr("User label"));
        outputs.append(output);
        widgets.append(output);
        keyMap.insert(Qt::Key_F1 + n, output);
    }
    const QString relayLabels[4] = {tr("Ignition"), tr("Starter"), tr("FAN1"), tr("FAN2")};
    const int relays = std::clamp(theHwInfo.relayOutputs, 0, 4);
    relayCount = relays;
    for (int n = 0; n < relays; ++n) {
        auto* output = new OutputWidget(this, OutputWidgetType_relay, n, relayLabels[n]);
        outputs.append(output);
        widgets.append(output);
        keyMap.insert(Qt::Key_F5 + n, output);
    }
    for (int n = 0; n < 4; ++n) {
        auto* actuator = new ActuatorController(this, n);
        actuators.append(actuator);
        widgets.append(actuator);
    }
    for (AbstractOutputWidget* widget : std::as_const(widgets)) {
        layout->addWidget(widget, 1);
        widget->init();
    }
    for (OutputWidget* output : std::as_const(outputs))
        connect(output, &OutputWidget::signal_userLabelChanged, this,
                &OutputWidgetContainer::signal_outputLabelsChanged);

    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this] { releaseHeldOutputs(); });
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive)
            releaseHeldOutputs();
    });
    applySizes(height());
    emit signal_outputLabelsChanged();
}

void OutputWidgetContainer::keyActivated(Qt::Key key, bool pressed)
{
    OutputWidget* output = keyMap.value(int(key), nullptr);
    if (output && output->isVisibilityChecked())
        output->manualActivate(pressed);
}

QList<QString> OutputWidgetContainer::outputLabels() const
{
    QList<QString> labels;
    for (AbstractOutputWidget* widget : widgets) {
        if (auto* output = qobject_cast<OutputWidget*>(widget))
            labels.append(output->getLabelText());
        else
            labels.append(QString());
    }
    return labels;
}

void OutputWidgetContainer::releaseHeldOutputs()
{
    for (OutputWidget* output : std::as_const(outputs))
        output->releaseHeld();
}

bool OutputWidgetContainer::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        const int key = keyEvent->key();
        if (!keyEvent->isAutoRepeat() && keyEvent->modifiers() != Qt::NoModifier && key >= Qt::Key_F1
            && key <= Qt::Key_F8) {
            if (OutputWidget* output = keyMap.value(key, nullptr))
                output->releaseHeld();
        }
    }
    return QFrame::eventFilter(watched, event);
}

void OutputWidgetContainer::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    applySizes(event->size().height());
}

void OutputWidgetContainer::applySizes(int height)
{
    if (widgets.isEmpty())
        return;
    int visible = 0;
    for (AbstractOutputWidget* widget : std::as_const(widgets))
        visible += widget->isVisibilityChecked() ? 1 : 0;
    const int h = height / std::max(visible, 1);
    const int icon = std::clamp(h - 14, 0, 60);
    const int format = h > 50 ? 1 : 0;
    for (AbstractOutputWidget* widget : std::as_const(widgets))
        widget->setIconSize(icon);
    if (format != lastFormat) {
        lastFormat = format;
        for (AbstractOutputWidget* widget : std::as_const(widgets))
            widget->setFormat(format);
    }
}
