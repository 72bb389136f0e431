#include "LossModelIndicator.h"

#include "Channels.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "DynoSettingsLossModelEditor.h"
#include "LossModelEditorDialog.h"
#include "PathSaver.h"
#include "RunChannel.h"
#include "RunData.h"
#include "RunThread.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// A run file may hand the list back as doubles or as a list of variants.
QList<double> doublesOf(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QList<double>>())
        return value.value<QList<double>>();
    QList<double> numbers;
    for (const QVariant& entry : value.toList())
        numbers.append(entry.toDouble());
    return numbers;
}

} // namespace

LossModelIndicator::LossModelIndicator(QWidget* parent)
    : QFrame(parent)
    , speedLossText(tr("Speed loss: "))
    , loadLossText(tr("Load loss: "))
{
    refreshTimer = new QTimer(this);
    label_status = new QLabel(this);
    label_status->setTextFormat(Qt::PlainText);
    checkBox_attachLossModelToRun = new QCheckBox(tr("Attach this model to runs"), this);
    checkBox_attachLossModelToRun->setObjectName(QStringLiteral("checkBox_attachLossModelToRun"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(2);
    layout->addWidget(label_status);
    layout->addWidget(checkBox_attachLossModelToRun);
    setToolTip(tr("Loss Model status - right-click for automatic setup"));
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &LossModelIndicator::slot_contextMenuRequested);
    connect(refreshTimer, &QTimer::timeout, this, &LossModelIndicator::slot_updatePreview);
    // Until a model is known the box must not be offered: a hidden box attaches nothing.
    checkBox_attachLossModelToRun->hide();
}

void LossModelIndicator::init()
{
    // The model is also edited on the settings page and set by the store: the
    // colour and the attach box must follow it there too.
    if (DynoSettingsLossModelEditor* editor = settingEditor())
        connect(editor, &DynoSettingsLossModelEditor::signal_lossModelChanged, this,
                &LossModelIndicator::updateLossModelLabelStyle, Qt::UniqueConnection);
    updateLossModelLabelStyle();
    refreshTimer->start(1000);
}

DynoSettingsLossModelEditor* LossModelIndicator::settingEditor()
{
    DynoSetting* setting = theDynoSettings ? theDynoSettings->getSetting(DynoSettingId_lossModel, 0) : nullptr;
    return setting ? setting->getWidgetHelper<DynoSettingsLossModelEditor>(SettingWidgetType_lossModelEditor)
                   : nullptr;
}

QList<double> LossModelIndicator::currentModel()
{
    DynoSettingsLossModelEditor* editor = settingEditor();
    return editor ? editor->lossModel() : QList<double>();
}

void LossModelIndicator::clearModel()
{
    if (DynoSettingsLossModelEditor* editor = settingEditor())
        editor->setLossModel(QList<double>());
    updateLossModelLabelStyle();
}

void LossModelIndicator::loadModel(const QList<double>& model)
{
    if (DynoSettingsLossModelEditor* editor = settingEditor())
        editor->setLossModel(model);
    updateLossModelLabelStyle();
}

void LossModelIndicator::updateLossModelLabelStyle()
{
    const QList<double> model = currentModel();
    if (std::any_of(model.cbegin(), model.cend(), [](double c) { return c != 0.0; })) {
        Tools::setBackgroundColorWithPalette(this, QColor(140, 255, 140));
        checkBox_attachLossModelToRun->show();
    } else {
        setAutoFillBackground(false);
        setPalette(QPalette());
        checkBox_attachLossModelToRun->hide();
    }
}

void LossModelIndicator::slot_updatePreview()
{
    const RunChannel* speed = theChannels.getChannel(ChannelId_dynoLossPowerFromSpeed, 0);
    const RunChannel* load = theChannels.getChannel(ChannelId_dynoLossPowerFromLoad, 0);
    label_status->setText(speedLossText + (speed ? speed->getDataTranslatedWithUnit() : QString())
                          + QLatin1Char('\n') + loadLossText
                          + (load ? load->getDataTranslatedWithUnit() : QString()));
}

bool LossModelIndicator::loadModelFromRunFile(const QString& path)
{
    // Read-only: taking a model from a run must never write into it.
    RunData run(path, true);
    if (run.openFile() != 0) {
        Tools::showError(tr("Can't open file ") + path);
        return false;
    }
    if (run.loadAll() != 0) {
        Tools::showError(tr("Error reading run data from file"));
        return false;
    }
    const QList<double> stored = doublesOf(run.getSettingValue(DynoSettingId_lossModel, 0, QVariant()));
    // A run recorded without a model says nothing about the dyno: keep the one shown.
    if (!stored.isEmpty())
        loadModel(stored);
    return true;
}

void LossModelIndicator::slot_contextMenuRequested(const QPoint& pos)
{
    const bool runActive = theRunThread && theRunThread->runActive;
    const QString lastRun = theRunThread ? theRunThread->lastRunFilePath() : QString();

    QMenu menu(this);
    QAction* fromRun = menu.addAction(tr("Get from run"));
    fromRun->setEnabled(!runActive);
    QAction* fromLastRun = menu.addAction(tr("Get from last run"));
    fromLastRun->setEnabled(!runActive && !lastRun.isEmpty());
    QAction* edit = menu.addAction(tr("Edit"));
    edit->setEnabled(settingEditor() != nullptr);
    QAction* clear = menu.addAction(QIcon::fromTheme(QStringLiteral("edit-clear")), tr("Clear"));
    clear->setEnabled(!currentModel().isEmpty());

    QAction* chosen = DialogAnswerer::execMenu(&menu, mapToGlobal(pos));
    if (!chosen)
        return;
    if (chosen == clear) {
        clearModel();
        return;
    }
    if (chosen == edit) {
        LossModelEditorDialog dialog(this, currentModel());
        if (dialog.result() == QDialog::Accepted)
            loadModel(dialog.lossModel);
        return;
    }
    QString path;
    if (chosen == fromRun)
        path = thePathSaver.getOpenFileName(Path::openRun, tr("Select run log file for Loss Model creation"));
    else if (chosen == fromLastRun)
        path = lastRun;
    if (!path.isEmpty())
        loadModelFromRunFile(path);
}
