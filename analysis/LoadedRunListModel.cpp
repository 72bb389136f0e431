#include "LoadedRunListModel.h"

#include "AnalysisHooks.h"
#include "Icons.h"
#include "MySettings.h"
#include "OpenedRunsManager.h"
#include "RunAnalysisOptions.h"
#include "RunDataHooks.h"
#include "RunListModel.h"
#include "VectorChannel.h"
#include "lib/Tools.h"

#include <QBrush>
#include <QDataStream>
#include <QDateTime>
#include <QDebug>
#include <QMimeData>
#include <QTableView>

#include <map>

namespace {

const QString visibleColumnsKey = QStringLiteral("loadedRunListVisibleColumns");
const QString printColumnsKey = QStringLiteral("loadedRunListPrintColumns");

QList<int> readColumnList(const QString& key)
{
    QList<int> list;
    if (theSettings.contains(key)) {
        for (const QVariant& v : theSettings.value(key).toList())
            list.append(v.toInt());
    }
    if (list.size() < LoadedRunListFieldCount)
        list = QList<int>(LoadedRunListFieldCount, 1);
    return list;
}

void writeColumnList(const QString& key, const QList<int>& list)
{
    QVariantList values;
    for (int v : list)
        values.append(v);
    theSettings.setValue(key, values);
}

// Run field shown with its unit per column; -1 for the model's own columns.
int runFieldOfColumn(int column)
{
    switch (column) {
    case LoadedRunListField::Flagged: return RunListFields::favourite;
    case LoadedRunListField::PeakLossPower: return RunListFields::peakLossPower;
    case LoadedRunListField::PeakWheelPower: return RunListFields::measuredWheelPower;
    case LoadedRunListField::PeakEnginePower: return RunListFields::measuredEnginePower;
    case LoadedRunListField::PeakEngineTorque: return RunListFields::measuredEngineTorque;
    case LoadedRunListField::CreationTimestamp: return RunListFields::creationTimestamp;
    case LoadedRunListField::RunLength: return RunListFields::runLength;
    case LoadedRunListField::SelectionLength: return RunListFields::selectionLength;
    case LoadedRunListField::EngineSpeedSource: return RunListFields::engineSpeedSource;
    case LoadedRunListField::EngineSpeedRatio: return RunListFields::engineSpeedRatio;
    case LoadedRunListField::CorrectionValue: return RunListFields::enginePowerCorrectionValue;
    case LoadedRunListField::AmbientTemperature: return RunListFields::ambientTemperature;
    case LoadedRunListField::AmbientPressure: return RunListFields::ambientPressure;
    case LoadedRunListField::AmbientHumidity: return RunListFields::ambientHumidity;
    case LoadedRunListField::PeakRoadSpeed: return RunListFields::peakRoadSpeed;
    case LoadedRunListField::PeakEngineSpeed: return RunListFields::peakEngineSpeed;
    case LoadedRunListField::RunType: return RunListFields::type;
    case LoadedRunListField::Name: return RunListFields::name;
    case LoadedRunListField::Comment: return RunListFields::comment;
    default: return -1;
    }
}

// The engine speed at the peak of columns 8 ... 11.
int peakRpmField(int column)
{
    switch (column) {
    case LoadedRunListField::PeakLossPower: return RunListFields::peakLossPowerRPM;
    case LoadedRunListField::PeakWheelPower: return RunListFields::measuredWheelPowerRPM;
    case LoadedRunListField::PeakEnginePower: return RunListFields::measuredEnginePowerRPM;
    case LoadedRunListField::PeakEngineTorque: return RunListFields::measuredEngineTorqueRPM;
    default: return -1;
    }
}

} // namespace

LoadedRunListModel::LoadedRunListModel(QWidget* parent)
    : QAbstractTableModel(parent)
    , parentWidget(parent)
{
    printColumns = readColumnList(printColumnsKey);
    visibleColumns = readColumnList(visibleColumnsKey);
    for (int c = 0; c <= LoadedRunListField::RightOuterAxis; ++c)
        visibleColumns[c] = 1;
    loadColorSetup();
    loadLineStyleSetup();
    for (int c = 0; c < LoadedRunListFieldCount; ++c) {
        const int field = runFieldOfColumn(c);
        if (field >= 0)
            fieldMap.insert(field, c);
    }
}

int LoadedRunListModel::masterChannel()
{
    return RunAnalysisOptions::current().masterChannel();
}

int LoadedRunListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(runList.size());
}

int LoadedRunListModel::columnCount(const QModelIndex&) const
{
    return LoadedRunListFieldCount;
}

QVariant LoadedRunListModel::displayValue(int row, int column) const
{
    const RunData* run = runList.at(row);
    switch (column) {
    case LoadedRunListField::Visible:
    case LoadedRunListField::Video: return QString();
    case LoadedRunListField::Bold: return boldFlags.at(row) ? QStringLiteral("B") : QString();
    case LoadedRunListField::Flagged:
        return run->getRunInfoValue(RunListFields::favourite, QVariant()).toBool() ? QStringLiteral("⚑") : QString();
    case LoadedRunListField::LeftInnerAxis:
    case LoadedRunListField::LeftOuterAxis:
    case LoadedRunListField::RightInnerAxis:
    case LoadedRunListField::RightOuterAxis:
        return trackingLineValues.at(row).value(column - LoadedRunListField::LeftInnerAxis);
    case LoadedRunListField::PeakLossPower:
    case LoadedRunListField::PeakWheelPower:
    case LoadedRunListField::PeakEnginePower:
    case LoadedRunListField::PeakEngineTorque: {
        QString text = run->getRunInfoValueStringWithUnit(RunListFieldId(runFieldOfColumn(column)));
        if (masterChannel() == MainGraphMasterChannel_engineSpeed)
            text += QStringLiteral("@") + run->getRunInfoValueStringWithUnit(RunListFieldId(peakRpmField(column)));
        return text;
    }
    case LoadedRunListField::Name:
    case LoadedRunListField::Comment:
        return run->getRunInfoValue(runFieldOfColumn(column), QVariant());
    case LoadedRunListField::RunDataPointer: return QVariant::fromValue(static_cast<void*>(runList.at(row)));
    default: return run->getRunInfoValueStringWithUnit(RunListFieldId(runFieldOfColumn(column)));
    }
}

QVariant LoadedRunListModel::userValue(int row, int column) const
{
    const RunData* run = runList.at(row);
    switch (column) {
    case LoadedRunListField::Visible: return visibleFlags.at(row);
    case LoadedRunListField::Bold: return boldFlags.at(row);
    case LoadedRunListField::Flagged: return run->getRunInfoValue(RunListFields::favourite, QVariant()).toBool();
    case LoadedRunListField::Video: return run->hasVideo();
    default: return displayValue(row, column);
    }
}

QVariant LoadedRunListModel::sortKey(int row, int column) const
{
    const RunData* run = runList.at(row);
    switch (column) {
    case LoadedRunListField::Visible:
    case LoadedRunListField::Bold:
    case LoadedRunListField::Flagged:
    case LoadedRunListField::Video: return userValue(row, column);
    case LoadedRunListField::LeftInnerAxis:
    case LoadedRunListField::LeftOuterAxis:
    case LoadedRunListField::RightInnerAxis:
    case LoadedRunListField::RightOuterAxis: return 0;
    case LoadedRunListField::EngineSpeedSource:
    case LoadedRunListField::RunType: return displayValue(row, column).toString();
    case LoadedRunListField::Name:
    case LoadedRunListField::Comment: return displayValue(row, column).toString();
    default:
        if (column >= LoadedRunListField::RunDataPointer) {
            qDebug() << "LoadedRunListModel: column" << column << "Sorting method not defined";
            return QVariant();
        }
        return run->getRunInfoValue(runFieldOfColumn(column), QVariant());
    }
}

QColor LoadedRunListModel::backgroundColor(int row, int column) const
{
    if (!cellFlags.at(row).at(column))
        return QColor(Qt::white);
    if (column >= LoadedRunListField::LeftInnerAxis && column <= LoadedRunListField::PeakEngineTorque)
        return getColor(row, LoadedRunListField(column));
    return QColor(Qt::white);
}

QVariant LoadedRunListModel::data(const QModelIndex& index, int role) const
{
    const int row = index.row();
    const int column = index.column();
    if (!index.isValid() || row < 0 || column < 0 || row >= runList.size() || column >= LoadedRunListFieldCount)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return displayValue(row, column);
    case Qt::DecorationRole:
        if (column == LoadedRunListField::Visible)
            return visibleFlags.at(row) ? theIcons.iconEyeHighRes : QIcon();
        if (column == LoadedRunListField::Video)
            return runList.at(row)->hasVideo() ? theIcons.iconVideoHighRes : QIcon();
        return QVariant();
    case Qt::TextAlignmentRole:
        if (column == LoadedRunListField::Name || column == LoadedRunListField::Comment)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        return int(Qt::AlignCenter);
    case Qt::BackgroundRole:
        if (!cellFlags.at(row).at(column))
            return QBrush(Qt::white);
        if (column >= LoadedRunListField::LeftInnerAxis && column <= LoadedRunListField::PeakEngineTorque)
            return QBrush(getColor(row, LoadedRunListField(column)));
        return QColor(Qt::white);
    case Qt::ForegroundRole:
        if (column == LoadedRunListField::Visible || column == LoadedRunListField::Flagged ||
            column == LoadedRunListField::Video)
            return QBrush(userValue(row, column).toBool() ? Qt::red : Qt::gray);
        {
            const QColor background = backgroundColor(row, column);
            return background.isValid() ? QColor(Tools::getContrastColor(background, 0.6f)) : QColor(Qt::black);
        }
    case Qt::UserRole: return userValue(row, column);
    case SortRole: return sortKey(row, column);
    default: return QVariant();
    }
}

QVariant LoadedRunListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::DecorationRole) {
        if (section == LoadedRunListField::Visible)
            return theIcons.iconEyeHighRes;
        if (section == LoadedRunListField::Video)
            return theIcons.iconVideoHighRes;
        return QVariant();
    }
    if (role == Qt::ToolTipRole && orientation == Qt::Horizontal) {
        switch (section) {
        case LoadedRunListField::Visible: return tr("Toggle visibility");
        case LoadedRunListField::Bold: return tr("Toggle bold");
        case LoadedRunListField::Flagged: return tr("Toggle flagged");
        case LoadedRunListField::Video: return tr("Play recorder video stream");
        default: return QVariant();
        }
    }
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return QStringLiteral("%1").arg(section + 1);
    switch (section) {
    case LoadedRunListField::Visible:
    case LoadedRunListField::Video: return QString();
    case LoadedRunListField::Bold: return QStringLiteral("B");
    case LoadedRunListField::LeftInnerAxis: return QStringLiteral(" ← ");
    case LoadedRunListField::LeftOuterAxis: return QStringLiteral("←←");
    case LoadedRunListField::RightInnerAxis: return QStringLiteral(" → ");
    case LoadedRunListField::RightOuterAxis: return QStringLiteral("→→");
    case LoadedRunListField::PeakLossPower: return tr("Loss power");
    case LoadedRunListField::PeakWheelPower: return tr("Wheel power");
    case LoadedRunListField::PeakEnginePower: return tr("Engine power");
    case LoadedRunListField::PeakEngineTorque: return tr("Engine torque");
    case LoadedRunListField::RunDataPointer: return QString();
    default: {
        const int field = runFieldOfColumn(section);
        if (field < 0)
            return QVariant();
        if (field == RunListFields::favourite && !theRunListModel)
            return QStringLiteral("⚑");
        return theRunListModel ? theRunListModel->getHeaderLabelWithoutUnit(field) : QString();
    }
    }
}

bool LoadedRunListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() < 0 || index.row() >= runList.size())
        return false;
    const int row = index.row();
    RunData* run = runList.at(row);
    switch (index.column()) {
    case LoadedRunListField::Visible: visibleFlags[row] = value.toBool(); break;
    case LoadedRunListField::Bold: boldFlags[row] = value.toBool(); break;
    case LoadedRunListField::Flagged: run->updateRunInfoValue(RunListFields::favourite, value.toBool()); break;
    case LoadedRunListField::Name: run->updateRunInfoValue(RunListFields::name, value); break;
    case LoadedRunListField::Comment: run->updateRunInfoValue(RunListFields::comment, value); break;
    default: return false;
    }
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags LoadedRunListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDropEnabled;
    if (!index.isValid())
        return f;
    f |= Qt::ItemIsDragEnabled;
    if (index.column() == LoadedRunListField::Name || index.column() == LoadedRunListField::Comment)
        f |= Qt::ItemIsEditable;
    return f;
}

Qt::DropActions LoadedRunListModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

QStringList LoadedRunListModel::mimeTypes() const
{
    return {QString::fromLatin1(mimeType)};
}

QMimeData* LoadedRunListModel::mimeData(const QModelIndexList& indexes) const
{
    QList<int> rows;
    for (const QModelIndex& index : indexes) {
        if (index.isValid() && index.row() < runList.size() && !rows.contains(index.row()))
            rows.append(index.row());
    }
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    for (int row : rows)
        stream << runList.at(row)->fileName;
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(mimeType), bytes);
    return mime;
}

bool LoadedRunListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                                      const QModelIndex& parent)
{
    if (action == Qt::IgnoreAction)
        return true;
    if (!data || !data->hasFormat(QString::fromLatin1(mimeType)))
        return false;
    if (row == -1)
        row = parent.isValid() ? parent.row() : int(runList.size());
    QStringList loaded;
    for (const RunData* run : runList)
        loaded.append(run->fileName);
    QByteArray bytes = data->data(QString::fromLatin1(mimeType));
    QDataStream stream(&bytes, QIODevice::ReadOnly);
    QStringList dragged;
    while (!stream.atEnd()) {
        QString name;
        stream >> name;
        if (stream.status() != QDataStream::Ok)
            break;
        // Only rows of this list can be dragged: a name that is not loaded
        // (another program's data) or a second copy is not ours to load.
        if (loaded.contains(name) && !dragged.contains(name))
            dragged.append(name);
    }
    if (stream.status() != QDataStream::Ok) {
        qDebug() << "LoadedRunListModel: malformed drop ignored";
        return false;
    }
    if (dragged.isEmpty())
        return false;
    QStringList order;
    for (int r = 0; r < row && r < loaded.size(); ++r) {
        if (!dragged.contains(loaded.at(r)))
            order.append(loaded.at(r));
    }
    order.append(dragged);
    for (int r = qMax(row, 0); r < loaded.size(); ++r) {
        if (!dragged.contains(loaded.at(r)))
            order.append(loaded.at(r));
    }
    removeAllRuns();
    reloadInOrder(order, true);
    return true;
}

void LoadedRunListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || runList.isEmpty())
        return;
    if ((column >= LoadedRunListField::LeftInnerAxis && column <= LoadedRunListField::RightOuterAxis) ||
        column >= LoadedRunListField::RunDataPointer) {
        emit signal_resetSortOrderIndicator();
        return;
    }
    const QVariant first = sortKey(0, column);
    const bool asString = first.typeId() == QMetaType::QString;
    // A new key equal to keys already there goes before them: equal keys come
    // out in reverse row order.
    std::multimap<QString, QString> byString;
    std::multimap<double, QString> byNumber;
    for (int row = 0; row < runList.size(); ++row) {
        const QVariant key = sortKey(row, column);
        const QString& file = runList.at(row)->fileName;
        if (asString) {
            const QString k = key.toString();
            byString.emplace_hint(byString.lower_bound(k), k, file);
        } else {
            bool ok = false;
            double k = key.toDouble(&ok);
            if (!ok)
                k = 0.0;
            byNumber.emplace_hint(byNumber.lower_bound(k), k, file);
        }
    }
    QStringList files;
    if (asString) {
        for (const auto& entry : byString)
            files.append(entry.second);
    } else {
        for (const auto& entry : byNumber)
            files.append(entry.second);
    }
    if (order == Qt::DescendingOrder)
        std::reverse(files.begin(), files.end());
    removeAllRuns();
    reloadInOrder(files, false);
}

void LoadedRunListModel::reloadInOrder(const QStringList& files, bool resetSortIndicator)
{
    for (const QString& file : files) {
        if (!newRunFromFile(file, resetSortIndicator))
            Tools::showError(tr("This run could not be loaded again:\n") + file);
    }
}

bool LoadedRunListModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (row < 0)
        return true;
    const int previous = int(runList.size());
    const int last = qMin(row + count, previous) - 1;
    if (count > 0 && row <= last) {
        beginRemoveRows(parent, row, last);
        for (int i = row; i <= last; ++i) {
            RunData* run = runList.takeAt(row);
            trackingLineValues.removeAt(row);
            visibleFlags.removeAt(row);
            boldFlags.removeAt(row);
            cellFlags.removeAt(row);
            releaseRun(run);
        }
        endRemoveRows();
    }
    emit signal_runCountChanged(int(runList.size()), previous);
    return true;
}

void LoadedRunListModel::releaseRun(RunData* run)
{
    if (!run)
        return;
    disconnect(run, nullptr, this, nullptr);
    // The calibration window may still draw this run: it lets go before the
    // vectors are freed.
    AnalysisHooks& hooks = AnalysisHooks::instance();
    if (inertiaCalibrationTool && hooks.removeFromInertiaCalibration)
        hooks.removeFromInertiaCalibration(inertiaCalibrationTool, run);
    run->freeMemory();
}

void LoadedRunListModel::setProgress(float fraction) const
{
    if (RunDataHooks::instance().taskProgress)
        RunDataHooks::instance().taskProgress(fraction);
}

void LoadedRunListModel::appendRun(RunData* run)
{
    const int row = int(runList.size());
    beginInsertRows(QModelIndex(), row, row);
    runList.append(run);
    visibleFlags.append(true);
    boldFlags.append(false);
    cellFlags.append(QList<bool>(LoadedRunListFieldCount, true));
    trackingLineValues.append(QStringList());
    expandColorTable(row);
    expandLineStyleTable(row);
    endInsertRows();
    connect(run, &RunData::signal_runInfoChanged, this, &LoadedRunListModel::slot_runInfoChanged);
    connect(run, &RunData::signal_vectorsChanged, this, &LoadedRunListModel::slot_runVectorsChanged);
    runAddedMark = true;
    emit signal_runCountChanged(int(runList.size()), row);
}

RunData* LoadedRunListModel::newRunFromFile(const QString& fileName, bool resetSortIndicator)
{
    if (isRunLoaded(fileName)) {
        Tools::showError(tr("File already opened in this session"));
        return nullptr;
    }
    setProgress(0.0f);
    RunData* result = nullptr;
    RunData* run = theOpenedRunsManager.getRunData(fileName);
    if (!run) {
        Tools::showError(tr("Error opening run data file\n") + fileName);
    } else {
        run->updateRunInfoValue(RunListFields::lastAccessTimestamp, QDateTime::currentSecsSinceEpoch());
        setProgress(0.3f);
        if (run->loadAll() != 0) {
            Tools::showError(tr("Error reading run data from file"));
            // No row holds it: what was read goes, the run stays in the cache.
            run->freeMemory();
        } else {
            setProgress(0.6f);
            if (run->calculateAll(false) != 0) {
                run->freeMemory();
            } else {
                result = run;
                appendRun(run);
            }
        }
    }
    setProgress(1.0f);
    if (resetSortIndicator)
        emit signal_resetSortOrderIndicator();
    return result;
}

void LoadedRunListModel::removeAllRuns()
{
    removeRows(0, int(runList.size()));
}

void LoadedRunListModel::removeRunByFilename(const QString& fileName)
{
    for (int row = 0; row < runList.size(); ++row) {
        if (runList.at(row)->fileName == fileName) {
            removeRows(row, 1);
            return;
        }
    }
}

bool LoadedRunListModel::isRunLoaded(const QString& fileName) const
{
    for (const RunData* run : runList) {
        if (run->fileName == fileName)
            return true;
    }
    return false;
}

RunData* LoadedRunListModel::getLastRunData() const
{
    return runList.isEmpty() ? nullptr : runList.last();
}

int LoadedRunListModel::rowOfRun(const RunData* run) const
{
    for (int row = 0; row < runList.size(); ++row) {
        if (runList.at(row) == run)
            return row;
    }
    return -1;
}

bool LoadedRunListModel::isRunVisible(int row) const
{
    return row >= 0 && row < visibleFlags.size() && visibleFlags.at(row);
}

bool LoadedRunListModel::isRunBold(int row) const
{
    return row >= 0 && row < boldFlags.size() && boldFlags.at(row);
}

bool LoadedRunListModel::isFieldVisible(int row, LoadedRunListField column) const
{
    return row >= 0 && row < cellFlags.size() && column >= 0 && column < LoadedRunListFieldCount &&
           cellFlags.at(row).at(column) && visibleColumns.at(column);
}

bool LoadedRunListModel::isColumnVisible(LoadedRunListField column) const
{
    return column >= 0 && column < LoadedRunListFieldCount && visibleColumns.at(column);
}

bool LoadedRunListModel::isColumnPrintable(int column)
{
    return column >= LoadedRunListField::LeftInnerAxis && column <= LoadedRunListField::Comment;
}

bool LoadedRunListModel::isFieldEnabledOnPrint(LoadedRunListField column) const
{
    return isColumnPrintable(column) && printColumns.at(column) && visibleColumns.at(column);
}

void LoadedRunListModel::changeColumnVisibility(int column, bool visible)
{
    if (column < 0 || column >= LoadedRunListFieldCount)
        return;
    visibleColumns[column] = visible ? 1 : 0;
    if (!runList.isEmpty())
        emit dataChanged(index(0, column), index(int(runList.size()) - 1, column));
    if (tableView && column != LoadedRunListField::RunDataPointer)
        tableView->setColumnHidden(column, !visible);
    writeColumnList(visibleColumnsKey, visibleColumns);
}

void LoadedRunListModel::toggleColumnPrint(int column)
{
    if (column < 0 || column >= LoadedRunListFieldCount)
        return;
    printColumns[column] = printColumns.at(column) ? 0 : 1;
    emit headerDataChanged(Qt::Horizontal, column, column);
    writeColumnList(printColumnsKey, printColumns);
}

void LoadedRunListModel::setView(QTableView* view)
{
    tableView = view;
    if (!view)
        return;
    for (int c = 0; c < LoadedRunListField::RunDataPointer; ++c)
        view->setColumnHidden(c, visibleColumns.at(c) == 0);
    view->setColumnHidden(LoadedRunListField::RunDataPointer, true);
}

QList<ChannelSetup*> LoadedRunListModel::listAvailableChannelSetups() const
{
    QList<ChannelSetup*> setups;
    for (const RunData* run : runList) {
        for (const VectorChannel* channel : run->listVectorChannels()) {
            if (channel && channel->setup && !setups.contains(channel->setup))
                setups.append(channel->setup);
        }
    }
    if (setups.isEmpty())
        Tools::showInfo(tr("Load some runs to get available channels"));
    return setups;
}

LoadedRunListField LoadedRunListModel::loadedRunListFieldFromPlotAxis(int axis)
{
    switch (axis) {
    case 0: return LoadedRunListField::LeftInnerAxis;
    case 3: return LoadedRunListField::LeftOuterAxis;
    case 1: return LoadedRunListField::RightInnerAxis;
    case 4: return LoadedRunListField::RightOuterAxis;
    default: qDebug() << "Invalid plot axis" << axis; return LoadedRunListField::LeftInnerAxis;
    }
}

void LoadedRunListModel::slot_recalculate()
{
    if (runList.isEmpty())
        return;
    setProgress(0.0f);
    const int count = int(runList.size());
    for (int row = 0; row < count && row < runList.size(); ++row) {
        runList.at(row)->slot_recalculate();
        emit dataChanged(index(row, 0), index(row, LoadedRunListField::RunDataPointer));
        setProgress(float(row + 1) / float(count));
    }
}

void LoadedRunListModel::slot_runInfoChanged(const QString&, RunListFieldId fieldId, const QVariant&)
{
    const int row = rowOfRun(qobject_cast<RunData*>(sender()));
    if (row < 0 || !fieldMap.contains(fieldId))
        return;
    const QModelIndex cell = index(row, fieldMap.value(fieldId));
    emit dataChanged(cell, cell);
}

void LoadedRunListModel::slot_runVectorsChanged()
{
    const int row = rowOfRun(qobject_cast<RunData*>(sender()));
    if (row < 0)
        return;
    const QModelIndex cell = index(row, LoadedRunListField::RunDataPointer);
    emit dataChanged(cell, cell);
}

void LoadedRunListModel::slot_runListModelHeaderChanged()
{
    emit headerDataChanged(Qt::Horizontal, 0, LoadedRunListFieldCount - 1);
}

void LoadedRunListModel::newTrackingLineData(int row, const QList<QString>& values)
{
    if (row < 0 || row >= trackingLineValues.size())
        return;
    trackingLineValues[row] = values;
}

void LoadedRunListModel::updateTrackingLineData()
{
    if (runList.isEmpty())
        return;
    emit dataChanged(index(0, LoadedRunListField::LeftInnerAxis),
                     index(int(runList.size()) - 1, LoadedRunListField::RightOuterAxis), {Qt::DisplayRole});
}

void LoadedRunListModel::applyEngineSpeedSourceToAllVisible(int source)
{
    for (int row = 0; row < runList.size(); ++row) {
        if (visibleFlags.at(row))
            runList.at(row)->updateSettingValue(DynoSettingId_engineSpeedSource, source, 0);
    }
}

void LoadedRunListModel::applySpeedRatioToAllVisible(double ratio, double slipCoefficient)
{
    for (int row = 0; row < runList.size(); ++row) {
        if (!visibleFlags.at(row))
            continue;
        runList.at(row)->updateSettingValue(DynoSettingId_engineSpeedRatio, ratio, 0);
        runList.at(row)->updateSettingValue(DynoSettingId_slipEstimationCoefficient, slipCoefficient, 0);
    }
}

void LoadedRunListModel::selectRangeInAllVisible(AutoSelectionVector vector, double min, double max)
{
    for (int row = 0; row < runList.size(); ++row) {
        if (!visibleFlags.at(row))
            continue;
        runList.at(row)->runAutoSelection(vector, min, max);
        runList.at(row)->queueRecalculation();
    }
}
