// What the operator does to loaded runs from the table: menus, Delete, double
// clicks and the per-run tools.
#include "LoadedRunListModel.h"

#include "AMdiMainGraph.h"
#include "AMdiUserGraph.h"
#include "AbstractAMdiWidget.h"
#include "CsvExportDialog.h"
#include "AnalysisHooks.h"
#include "ChannelSetup.h"
#include "Channels.h"
#include "DetachedProcessLauncher.h"
#include "DialogAnswerer.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "DynoSettingsLossModelEditor.h"
#include "FFTDialog.h"
#include "Fonts.h"
#include "Icons.h"
#include "MyMenu.h"
#include "MySettings.h"
#include "PathSaver.h"
#include "RollerSignalAnalyzer.h"
#include "RunAnalysisOptions.h"
#include "RunChannel.h"
#include "RunRangeDialog.h"
#include "SpeedRatioDialog.h"
#include "VectorChannel.h"

#include <QContextMenuEvent>
#include <QDebug>
#include <QDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScrollArea>
#include <QTableView>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Menu entries and what they lead to.
enum MenuEntry : int {
    Entry_none = 0,
    Entry_togglePrint,
    Entry_hideColumn,
    Entry_restoreColumn,
    Entry_columnColor,
    Entry_columnStyle,
    Entry_range,
    Entry_closeSelected,
    Entry_closeUnselected,
    Entry_closeInvisible,
    Entry_lossModel,
    Entry_lossModelToRunTab,
    Entry_csv,
    Entry_engineSpeed,
    Entry_cellColor,
    Entry_cellStyle,
    Entry_rowColor,
    Entry_rowStyle,
    Entry_speedSignal,
    Entry_fft,
    Entry_inertia,
    Entry_details,
    Entry_mail,
    Entry_editSettings,
    Entry_updateSettings,
    Entry_loadSettings,
    Entry_knock
};

const char* entryProperty = "menuEntry";

QAction* addEntry(QMenu* menu, const QString& text, MenuEntry entry, const QIcon& icon = QIcon())
{
    QAction* action = menu->addAction(icon, text);
    action->setProperty(entryProperty, int(entry));
    return action;
}

bool confirm(const QString& text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::Yes | QMessageBox::No);
    return DialogAnswerer::exec(&box) == QMessageBox::Yes;
}

} // namespace

QList<int> LoadedRunListModel::selectedRows() const
{
    QList<int> rows;
    if (!tableView || !tableView->selectionModel())
        return rows;
    for (const QModelIndex& index : tableView->selectionModel()->selectedIndexes()) {
        if (!rows.contains(index.row()))
            rows.append(index.row());
    }
    return rows;
}

bool LoadedRunListModel::eventFilter(QObject* watched, QEvent* event)
{
    // A closed calibration window is done: the next use opens a new one.
    if (inertiaCalibrationTool && watched == inertiaCalibrationTool && event->type() == QEvent::Close) {
        inertiaCalibrationTool->removeEventFilter(this);
        inertiaCalibrationTool = nullptr;
        return false;
    }
    if (!tableView || (watched != tableView && watched != tableView->viewport()))
        return false;
    if (event->type() == QEvent::KeyPress) {
        if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Delete)
            return false;
        action_removeRuns(selectedRows());
        return true;
    }
    if (event->type() == QEvent::ContextMenu) {
        dispatchContextMenu(static_cast<QContextMenuEvent*>(event));
        return true;
    }
    return false;
}

QStringList LoadedRunListModel::fftChannelKeys(int column) const
{
    QStringList keys;
    if (column < LoadedRunListField::LeftInnerAxis || column > LoadedRunListField::RightOuterAxis || !desktopManager)
        return keys;
    static const int axisOfColumn[] = {0, 3, 1, 4};
    const int axis = axisOfColumn[column - LoadedRunListField::LeftInnerAxis];
    auto add = [&keys](const ChannelSetup* setup) {
        if (setup && !keys.contains(setup->key))
            keys.append(setup->key);
    };
    if (column == LoadedRunListField::LeftOuterAxis || column == LoadedRunListField::RightOuterAxis) {
        for (const AMdiMainGraph* graph : desktopManager->findChildren<AMdiMainGraph*>())
            add(graph->axisChannelSetup(PlotAxis(axis)));
    }
    for (const AMdiUserGraph* graph : desktopManager->findChildren<AMdiUserGraph*>())
        add(graph->axisChannelSetup(PlotAxis(axis)));
    return keys;
}

QMenu* LoadedRunListModel::buildHeaderMenu(int column)
{
    auto* menu = new MyMenu(parentWidget);
    if (column >= LoadedRunListField::LeftInnerAxis && column <= LoadedRunListField::Comment)
        addEntry(menu, printColumns.at(column) ? tr("Hide in report run table") : tr("Show in report run table"),
                 Entry_togglePrint);
    if (column > LoadedRunListField::RightOuterAxis)
        addEntry(menu, tr("Hide column"), Entry_hideColumn);
    QMenu* restore = nullptr;
    for (int c = 0; c < LoadedRunListField::RunDataPointer; ++c) {
        if (visibleColumns.at(c))
            continue;
        if (!restore)
            restore = new QMenu(tr("Restore column"), menu);
        QAction* action =
            addEntry(restore, headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), Entry_restoreColumn,
                     headerData(c, Qt::Horizontal, Qt::DecorationRole).value<QIcon>());
        action->setProperty("column", c);
    }
    if (restore)
        menu->addMenu(restore);
    if (column >= LoadedRunListField::LeftInnerAxis && column <= LoadedRunListField::PeakEngineTorque) {
        addEntry(menu, tr("Set color for column"), Entry_columnColor,
                 QIcon::fromTheme(QStringLiteral("applications-graphics")));
        addEntry(menu, tr("Set line style for column"), Entry_columnStyle);
    }
    return menu;
}

QMenu* LoadedRunListModel::buildCellMenu(int column, bool withFft)
{
    auto* menu = new MyMenu(parentWidget);
    const AnalysisHooks& hooks = AnalysisHooks::instance();
    addEntry(menu, tr("Select display range"), Entry_range, QIcon::fromTheme(QStringLiteral("zoom-fit-best")));
    const QIcon remove = QIcon::fromTheme(QStringLiteral("list-remove"));
    addEntry(menu, tr("Close selected runs  -  DEL"), Entry_closeSelected, remove);
    addEntry(menu, tr("Close unselected runs"), Entry_closeUnselected, remove);
    addEntry(menu, tr("Close invisible runs"), Entry_closeInvisible, remove);
    addEntry(menu, tr("Calculate Loss Model"), Entry_lossModel, theIcons.iconLossModel);
    addEntry(menu, tr("Load Loss Model to RUN tab"), Entry_lossModelToRunTab);
    addEntry(menu, tr("Export to CSV"), Entry_csv, QIcon::fromTheme(QStringLiteral("x-office-spreadsheet")));
    addEntry(menu, tr("Adjust engine speed"), Entry_engineSpeed, theIcons.iconGears);
    if (column >= LoadedRunListField::LeftInnerAxis && column <= LoadedRunListField::PeakEngineTorque) {
        addEntry(menu, tr("Set color for cell"), Entry_cellColor,
                 QIcon::fromTheme(QStringLiteral("applications-graphics")));
        addEntry(menu, tr("Set line style for cell"), Entry_cellStyle);
    }
    addEntry(menu, tr("Set color for row"), Entry_rowColor, QIcon::fromTheme(QStringLiteral("applications-graphics")));
    addEntry(menu, tr("Set line style for row"), Entry_rowStyle);
    menu->addSeparator();
    addEntry(menu, tr("Analyze Speed Signal"), Entry_speedSignal);
    if (withFft) {
        const QStringList keys = fftChannelKeys(column);
        if (!keys.isEmpty()) {
            auto* fft = new QMenu(tr("FFT frequency spectrum"), menu);
            fft->setFont(menu->font());
            for (const QString& key : keys)
                addEntry(fft, key, Entry_fft);
            menu->addMenu(fft);
        }
    }
    if (!theSettings.contains(QStringLiteral("script")))
        addEntry(menu, tr("Inertia calibration"), Entry_inertia)->setEnabled(bool(hooks.openInertiaCalibration));
    addEntry(menu, tr("Show run details"), Entry_details);
    if (hooks.mailConfigured && hooks.mailConfigured())
        addEntry(menu, tr("Send .h5 run file by e-mail"), Entry_mail)->setEnabled(bool(hooks.sendRunFile));
    if (RunAnalysisOptions::current().developerMode()) {
        menu->addSeparator();
        addEntry(menu, QStringLiteral("Edit dyno settings"), Entry_editSettings);
        addEntry(menu, QStringLiteral("Update run with current dyno settings"), Entry_updateSettings);
        addEntry(menu, QStringLiteral("Load dyno settings from run file"), Entry_loadSettings);
    }
    return menu;
}

void LoadedRunListModel::dispatchContextMenu(QContextMenuEvent* event)
{
    const QPoint global = event->globalPos();
    const QPoint inViewport = tableView->viewport()->mapFromGlobal(global);
    const QModelIndex index = tableView->indexAt(inViewport);
    const int column = tableView->columnAt(inViewport.x());
    const int rowAtY = tableView->rowAt(inViewport.y());
    const QHeaderView* header = tableView->horizontalHeader();
    const bool inHeader = header->rect().contains(header->mapFromGlobal(global));
    const QList<int> rows = selectedRows();

    if (!index.isValid() || inHeader) {
        QMenu* menu = buildHeaderMenu(column);
        QAction* chosen = DialogAnswerer::execMenu(menu, global);
        const int entry = chosen ? chosen->property(entryProperty).toInt() : Entry_none;
        const int restoreColumn = chosen ? chosen->property("column").toInt() : -1;
        delete menu;
        switch (entry) {
        case Entry_togglePrint: toggleColumnPrint(column); break;
        case Entry_hideColumn: changeColumnVisibility(column, false); break;
        case Entry_restoreColumn: changeColumnVisibility(restoreColumn, true); break;
        case Entry_columnColor: action_setColorForColumn(column); break;
        case Entry_columnStyle: action_setStyleForColumn(column); break;
        default: break;
        }
        return;
    }

    const int row = index.row();
    QMenu* menu = buildCellMenu(column, true);
    if (row < runList.size()) {
        RunData* run = runList.at(row);
        if (run->frames.recordCount(FrameId_audio_1) > 0 || run->frames.recordCount(FrameId_audio_2) > 0)
            addEntry(menu, tr("Analyze knock recording"), Entry_knock)->setEnabled(bool(AnalysisHooks::instance().knockPlayer));
    }
    QAction* chosen = DialogAnswerer::execMenu(menu, global);
    const int entry = chosen ? chosen->property(entryProperty).toInt() : Entry_none;
    const QString text = chosen ? chosen->text() : QString();
    delete menu;
    switch (entry) {
    case Entry_range: action_showRangeSelectionTool(row); break;
    case Entry_closeSelected: action_removeRuns(rows); break;
    case Entry_closeUnselected: action_removeUnselectedRuns(rows); break;
    case Entry_closeInvisible: action_removeInvisibleRuns(); break;
    case Entry_lossModel: action_calculateLossModel(row); break;
    case Entry_lossModelToRunTab: action_loadLossModelToRunTab(row); break;
    case Entry_csv: action_exportToCSV(row); break;
    case Entry_engineSpeed: action_adjustEngineSpeed(row); break;
    case Entry_cellColor:
    case Entry_cellStyle: {
        const QModelIndexList cells =
            tableView->selectionModel() ? tableView->selectionModel()->selectedIndexes() : QModelIndexList();
        if (entry == Entry_cellColor)
            action_setColor(cells);
        else
            action_setStyle(cells);
        break;
    }
    case Entry_rowColor: action_setColorForRow(rowAtY); break;
    case Entry_rowStyle: action_setStyleForRow(rowAtY); break;
    case Entry_speedSignal: action_analyzeSpeedSignal(row); break;
    case Entry_fft: action_fft(row, text); break;
    case Entry_inertia: action_doubleRampInertiaCalibration(rows); break;
    case Entry_details: action_showRunDetails(row); break;
    case Entry_mail: action_sendRunToMail(row); break;
    case Entry_editSettings: action_editDynoSettings(row); break;
    case Entry_updateSettings: action_updateDynoSettings(row); break;
    case Entry_loadSettings: action_loadDynoSettingsFromRunFile(row); break;
    case Entry_knock: action_analyzeKnockRecording(row); break;
    default: break;
    }
}

void LoadedRunListModel::action_showRangeSelectionTool(int row)
{
    RunData* run = runAt(row);
    if (!run)
        return;
    rangeToolRow = row;
    RunRangeDialog dialog(run, this, nullptr);
    dialog.setWindowModality(Qt::ApplicationModal);
    connect(&dialog, &RunRangeDialog::signal_newSelection, this, &LoadedRunListModel::slot_rangeSelectionChanged);
    DialogAnswerer::exec(&dialog);
}

void LoadedRunListModel::slot_rangeSelectionChanged(double start, double end)
{
    RunData* run = runAt(rangeToolRow);
    if (!run)
        return;
    run->setSelection(QPointF(start, end));
    run->slot_updateRunInfoStats();
    const QModelIndex cell = index(rangeToolRow, LoadedRunListField::RunDataPointer);
    emit dataChanged(cell, cell);
}

void LoadedRunListModel::action_removeRuns(QList<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        removeRows(*it, 1);
}

void LoadedRunListModel::action_removeUnselectedRuns(const QList<int>& selected)
{
    QList<int> rows;
    for (int row = 0; row < runList.size(); ++row) {
        if (!selected.contains(row))
            rows.append(row);
    }
    action_removeRuns(rows);
}

void LoadedRunListModel::action_removeInvisibleRuns()
{
    QList<int> rows;
    for (int row = 0; row < runList.size(); ++row) {
        if (!visibleFlags.at(row))
            rows.append(row);
    }
    action_removeRuns(rows);
}

void LoadedRunListModel::action_calculateLossModel(int row)
{
    RunData* run = runAt(row);
    if (!run)
        return;
    run->calculateAll(true);
    const QModelIndex cell = index(row, LoadedRunListField::RunDataPointer);
    emit dataChanged(cell, cell);
}

void LoadedRunListModel::action_loadLossModelToRunTab(int row)
{
    RunData* run = runAt(row);
    DynoSetting* setting = theDynoSettings ? theDynoSettings->getSetting(DynoSettingId_lossModel, 0) : nullptr;
    if (!run || !setting)
        return;
    auto* editor = setting->getWidgetHelper<DynoSettingsLossModelEditor>(SettingWidgetType_lossModelEditor);
    if (!editor)
        return;
    QList<double> model;
    for (const QVariant& v : run->getSettingValue(DynoSettingId_lossModel, 0, QVariant()).toList())
        model.append(v.toDouble());
    editor->setLossModel(model);
    if (AnalysisHooks::instance().lossModelIndicatorUpdate)
        AnalysisHooks::instance().lossModelIndicatorUpdate();
}

void LoadedRunListModel::action_exportToCSV(int row)
{
    RunData* run = runAt(row);
    if (!run) {
        qDebug() << "Invalid run data";
        return;
    }
    const CsvExportDialog options(nullptr);
    if (options.result() != QDialog::Accepted)
        return;
    const QString proposed = QFileInfo(run->fileName).completeBaseName() + QStringLiteral(".csv");
    const QString file = thePathSaver.getSaveFileName(Path::saveCsv, tr("Export run to CSV"), proposed);
    if (file.isNull())
        return;
    QStringList keys;
    if (options.graphChannelsOnly->isChecked()) {
        if (const RunChannel* time = theChannels.getChannel(ChannelId_time, 0))
            keys.append(time->generateVectorChannelKey(-1, QString(), Quantity(-1)));
        if (desktopManager) {
            for (AbstractAMdiWidget* widget : desktopManager->findChildren<AbstractAMdiWidget*>()) {
                for (const QString& key : widget->listChannelKeys()) {
                    if (!keys.contains(key))
                        keys.append(key);
                }
            }
        }
    }
    run->exportToCSV(file, options.samplingPeriodSI(), CsvExportSampleOption(options.samples->currentIndex()), keys,
                     options.addInfoHeader->isChecked(), CsvExportPreset(options.preset->currentIndex()),
                     options.removeIntermediateChannels->isChecked(), options.numberPrecision->value());
}

void LoadedRunListModel::action_adjustEngineSpeed(int row)
{
    if (RunData* run = runAt(row))
        SpeedRatioDialog dialog(run, this, nullptr);
}

void LoadedRunListModel::action_analyzeSpeedSignal(int row)
{
    RunData* run = runAt(row);
    if (!run)
        return;
    RollerSignalAnalyzer analyzer(parentWidget, run);
    DialogAnswerer::exec(&analyzer);
}

void LoadedRunListModel::action_fft(int row, const QString& channelKey)
{
    RunData* run = runAt(row);
    const VectorChannel* channel = run ? run->getChannelByAnalyzeKey(channelKey) : nullptr;
    if (!channel)
        return;
    const std::pair<int, int> selection = run->getSelectionIndexes();
    FFTDialog dialog(run->getRunInfoValueStringWithUnit(RunListFields::name), channel, selection.first,
                     selection.second, double(RunData::analysisSamplingFrequency()), nullptr);
}

void LoadedRunListModel::action_doubleRampInertiaCalibration(const QList<int>& rows)
{
    const AnalysisHooks& hooks = AnalysisHooks::instance();
    if (rows.isEmpty() || !hooks.openInertiaCalibration)
        return;
    int first = 0;
    if (!inertiaCalibrationTool) {
        RunData* run = runAt(rows.first());
        if (!run)
            return;
        inertiaCalibrationTool = hooks.openInertiaCalibration(run, parentWidget);
        if (inertiaCalibrationTool)
            inertiaCalibrationTool->installEventFilter(this);
        first = 1;
    }
    if (!inertiaCalibrationTool || !hooks.addToInertiaCalibration)
        return;
    for (int i = first; i < rows.size(); ++i) {
        if (RunData* run = runAt(rows.at(i)))
            hooks.addToInertiaCalibration(inertiaCalibrationTool, run);
    }
}

void LoadedRunListModel::action_showRunDetails(int row)
{
    RunData* run = runAt(row);
    if (!run)
        return;
    QDialog dialog;
    dialog.setWindowTitle(tr("Run details ") + run->fileName);
    auto* layout = new QVBoxLayout(&dialog);
    auto* browser = new QTextBrowser(&dialog);
    browser->setHtml(run->generateRunDetailsHTML());
    layout->addWidget(browser);
    dialog.resize(600, 700);
    DialogAnswerer::exec(&dialog);
}

void LoadedRunListModel::action_analyzeKnockRecording(int row)
{
    RunData* run = runAt(row);
    if (run && AnalysisHooks::instance().knockPlayer)
        AnalysisHooks::instance().knockPlayer(run, parentWidget);
}

void LoadedRunListModel::action_editDynoSettings(int row)
{
    RunData* run = runAt(row);
    if (!run)
        return;
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    layout->setSpacing(1);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(&dialog);
    scroll->setWidgetResizable(true);
    auto* inner = new QWidget(scroll);
    auto* form = new QFormLayout(inner);
    run->generateDynoSettingsEditor(form);
    scroll->setWidget(inner);
    layout->addWidget(scroll);
    dialog.resize(1000, 700);
    DialogAnswerer::exec(&dialog);
}

void LoadedRunListModel::action_updateDynoSettings(int row)
{
    RunData* run = runAt(row);
    if (!run || !theDynoSettings)
        return;
    if (!confirm(QStringLiteral("Are you sure you want to update selected run with current settings? This action "
                                "can corrupt dyno run results and is non reversible.")))
        return;
    for (int id = 0; id < theDynoSettings->settings.size(); ++id) {
        const QList<DynoSetting*>* channels = theDynoSettings->settings.at(id);
        if (!channels)
            continue;
        for (int channel = 0; channel < channels->size(); ++channel) {
            if (const DynoSetting* setting = channels->at(channel))
                run->updateSettingValue(DynoSettingId(id), setting->value(), channel);
        }
    }
    run->queueRecalculation();
}

void LoadedRunListModel::action_loadDynoSettingsFromRunFile(int row)
{
    RunData* run = runAt(row);
    if (!run || !theDynoSettings)
        return;
    if (!confirm(QStringLiteral("Are you sure you want to update dyno settings with settings from this run file?")))
        return;
    for (int id = 0; id < theDynoSettings->settings.size(); ++id) {
        const QList<DynoSetting*>* channels = theDynoSettings->settings.at(id);
        if (!channels)
            continue;
        for (int channel = 0; channel < channels->size(); ++channel) {
            if (DynoSetting* setting = channels->at(channel))
                setting->setValue(run->getSettingValue(id, channel, QVariant()));
        }
    }
}

void LoadedRunListModel::action_sendRunToMail(int row)
{
    RunData* run = runAt(row);
    const AnalysisHooks& hooks = AnalysisHooks::instance();
    if (!run || !hooks.sendRunFile)
        return;
    QInputDialog recipientDialog(parentWidget);
    recipientDialog.setWindowTitle(QStringLiteral("Email"));
    recipientDialog.setLabelText(tr("E-mail recipient"));
    recipientDialog.setTextValue(QString());
    if (DialogAnswerer::exec(&recipientDialog) != QDialog::Accepted)
        return;
    const QString recipient = recipientDialog.textValue();
    if (recipient.isEmpty())
        return;
    QInputDialog commentDialog(parentWidget);
    commentDialog.setWindowTitle(QStringLiteral("Comment"));
    commentDialog.setLabelText(tr("Enter file comment"));
    commentDialog.setOption(QInputDialog::UsePlainTextEditForTextInput);
    if (DialogAnswerer::exec(&commentDialog) != QDialog::Accepted)
        return;
    run->flushFile();
    hooks.sendRunFile(recipient, run->fileName, commentDialog.textValue());
}

void LoadedRunListModel::slot_indexDoubleClicked(const QModelIndex& index)
{
    if (!index.isValid() || index.row() >= runList.size())
        return;
    const int row = index.row();
    const int column = index.column();
    switch (column) {
    case LoadedRunListField::Visible: {
        const bool visible = !data(index, Qt::UserRole).toBool();
        for (int c = 0; c < LoadedRunListFieldCount; ++c)
            cellFlags[row][c] = visible;
        setData(index, visible, Qt::EditRole);
        emit signal_runVisibilityChanged(row, visible);
        emit dataChanged(this->index(row, LoadedRunListField::LeftInnerAxis),
                         this->index(row, LoadedRunListField::PeakEngineTorque), {Qt::BackgroundRole});
        break;
    }
    case LoadedRunListField::Bold:
    case LoadedRunListField::Flagged: setData(index, !data(index, Qt::UserRole).toBool(), Qt::EditRole); break;
    case LoadedRunListField::Video: {
        const RunData* run = runList.at(row);
        // The path is one argument, blanks and all.
        if (run->hasVideo())
            DetachedProcessLauncher::instance()->start(
                QStringLiteral("vlc"), {QStringLiteral("--verbose"), QStringLiteral("0"), run->videoFilepath()});
        break;
    }
    default:
        if (column >= LoadedRunListField::LeftInnerAxis && column <= LoadedRunListField::PeakEngineTorque &&
            visibleFlags.at(row)) {
            cellFlags[row][column] = !cellFlags.at(row).at(column);
            emit dataChanged(index, index, {Qt::BackgroundRole});
        }
        break;
    }
}
