#include "AbstractTestDialog.h"

#include "BrakeController.h"
#include "BrakeControllerThread.h"
#include "SafeSpinBox.h"
#include "TestModeContext.h"

#include <QCloseEvent>
#include <QKeyEvent>

AbstractTestDialog::AbstractTestDialog(QWidget* parent)
    : QDialog(parent)
{
    // The four external targets keep whatever the previous test left in them;
    // a test that selects speed control before its first target would act on
    // those. Start them from what the operator set on the panel instead.
    BrakeController* panel = TestModeContext::current().getPanel();
    if (panel && panel->spinBox_dynoSpeedTarget && theBrakeControllerThread) {
        theBrakeControllerThread->externalDynoSpeedTarget.store(float(panel->spinBox_dynoSpeedTarget->getValueSI()));
        theBrakeControllerThread->externalEngineSpeedTarget.store(
            float(panel->spinBox_engineSpeedTarget->getValueSI()));
        theBrakeControllerThread->externalDynoAccTarget.store(float(panel->spinBox_dynoAccTarget->getValueSI()));
        theBrakeControllerThread->externalEngineAccTarget.store(float(panel->spinBox_engineAccTarget->getValueSI()));
    }
}

void AbstractTestDialog::keyPressEvent(QKeyEvent* event)
{
    const TestModeContext& context = TestModeContext::current();
    if (context.keyPress)
        context.keyPress(event);
}

void AbstractTestDialog::keyReleaseEvent(QKeyEvent* event)
{
    const TestModeContext& context = TestModeContext::current();
    if (context.keyRelease)
        context.keyRelease(event);
}

void AbstractTestDialog::closeEvent(QCloseEvent* event)
{
    emit signal_windowClosed();
    event->accept();
}
