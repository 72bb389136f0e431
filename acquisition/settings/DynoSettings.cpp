#include "DynoSettings.h"

#include "ACMTabWidget.h"
#include "ActiveProjectValues.h"
#include "ArgumentLineEdit.h"
#include "ArgumentWidget.h"
#include "DynoSetting.h"
#include "DynoSettingsLossModelEditor.h"
#include "HwInfo.h"
#include "McuThread.h"
#include "MySettings.h"
#include "MySettingsOwnWidgets.h"
#include "PointVectorEditor.h"
#include "QuantityComboBox.h"
#include "SpinBoxWithUnit.h"
#include "UnitComboBox.h"
#include "lib/Unit.h"
#include "lib/Tools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QChildEvent>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSpinBox>
#include <QThread>

#include <climits>
#include <cmath>

DynoSettings* theDynoSettings = nullptr;

namespace {

int spinBoxLimit(double limit)
{
    if (std::isnan(limit))
        return 0;
    if (limit <= double(INT_MIN))
        return INT_MIN;
    if (limit >= double(INT_MAX))
        return INT_MAX;
    return static_cast<int>(limit);
}

bool optionHidden(const QComboBox* combo, int option)
{
    return Tools::isComboBoxOptionHidden(combo, option);
}

} // namespace

DynoSettings::DynoSettings(ACMTabWidget* tabWidget)
    : QObject(tabWidget)
    , tabWidget(tabWidget)
{
    if (theDynoSettings)
        qDebug() << "Dyno settings constructed more than once";
    theDynoSettings = this;
    fillOptionListsAndAddresses();
    // The link confirms from its own thread; the registry is built in the GUI thread.
    if (theMCUThread)
        connect(theMCUThread, &McuThread::signal_firmwareVersionConfirmed, this,
                &DynoSettings::slot_initChannelsAndSettings, Qt::QueuedConnection);
}

DynoSettings::~DynoSettings()
{
    for (QList<DynoSetting*>* list : std::as_const(settings)) {
        if (list)
            qDeleteAll(*list);
    }
    qDeleteAll(settings);
    qDeleteAll(optionLists);
    if (theDynoSettings == this)
        theDynoSettings = nullptr;
}

// ------------------------------------------------------------- registration

void DynoSettings::addSetting(DynoSettingId id, const QString& key, const QString& label, const QString& tooltip,
                              int channelCount, SettingWidgetType type, QVariant defaultValue, double minimum,
                              double maximum, Quantity quantity, bool hidden, bool notStored)
{
    if (id < 0 || id >= DynoSettingIdCount) {
        qDebug() << "Dyno setting id" << int(id) << "out of range";
        return;
    }
    while (settings.size() < DynoSettingIdCount)
        settings.append(nullptr);
    pendingIds.append(id);
    auto* list = new QList<DynoSetting*>(std::max(channelCount, 0), nullptr);
    delete settings[id];
    settings[id] = list;
    const quint32 address = mcuAddresses.value(id, 0);
    for (int i = 0; i < channelCount; ++i) {
        QWidget* editor = createEditor(id, type, defaultValue, minimum, maximum, quantity);
        auto* setting = new DynoSetting(editor, key, label, type, quint32(i), address);
        setting->defaultValue = defaultValue;
        (*list)[i] = setting;
        editor->setToolTip(Tools::optionalArg(tooltip, i + 1));
        editor->setObjectName(QStringLiteral("DynoSetting/") + Tools::optionalArg(key, i));
        guardAgainstWheel(editor);
        editor->setFocusPolicy(Qt::StrongFocus);
        if (!notStored) {
            if (auto* combo = qobject_cast<QComboBox*>(editor); combo && type == SettingWidgetType_comboBox)
                dropUnofferedStoredOption(combo, defaultValue.toInt());
            bindToStore(setting, quantity);
        }
        if (hidden)
            editor->hide();
        // Several hundred writes leave here at registration; the link sends
        // about twenty frames per buffer swap, so keep its queue that short.
        waitForLinkQueue();
    }
}

QWidget* DynoSettings::createEditor(DynoSettingId id, SettingWidgetType type, const QVariant& defaultValue,
                                    double minimum, double maximum, Quantity quantity)
{
    switch (type) {
    case SettingWidgetType_spinBox: {
        auto* spin = new QSpinBox(tabWidget);
        spin->setRange(spinBoxLimit(minimum), spinBoxLimit(maximum));
        spin->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
        spin->setValue(defaultValue.toInt());
        return spin;
    }
    case SettingWidgetType_doubleSpinBox: {
        auto* spin = new QDoubleSpinBox(tabWidget);
        // Decimals first: the range and the value are rounded to them.
        spin->setDecimals(7);
        spin->setRange(minimum, maximum);
        spin->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
        spin->setValue(defaultValue.toDouble());
        return spin;
    }
    case SettingWidgetType_spinBoxWithUnit: {
        auto* spin = new SpinBoxWithUnit(tabWidget, quantity);
        spin->setDecimals(7);
        spin->setRangeSI(minimum, maximum);
        spin->setValueSI(defaultValue.toDouble());
        return spin;
    }
    case SettingWidgetType_lineEdit:
        return new QLineEdit(tabWidget);
    case SettingWidgetType_comboBox: {
        auto* combo = new QComboBox(tabWidget);
        if (const QStringList* options = optionLists.value(id))
            combo->addItems(*options);
        else
            qDebug() << "Dyno setting" << int(id) << "has no option list";
        // Options a board lacks stay in the list, hidden, so that a stored
        // index means the same option on every board.
        const QList<int> allowed = allowedOptions.value(id);
        if (!allowed.isEmpty()) {
            for (int option = 0; option < combo->count(); ++option)
                Tools::setComboBoxOptionHidden(combo, option, !allowed.contains(option));
        }
        combo->setCurrentIndex(defaultValue.toInt());
        return combo;
    }
    case SettingWidgetType_checkBox: {
        auto* check = new QCheckBox(tabWidget);
        check->setChecked(defaultValue.toBool());
        return check;
    }
    case SettingWidgetType_pointVectorEditor: {
        auto* curve = new PointVectorEditor(tabWidget, QStringLiteral("x"), QStringLiteral("y"));
        curve->enableTracker();
        return curve;
    }
    case SettingWidgetType_lossModelEditor:
        return new DynoSettingsLossModelEditor(tabWidget);
    case SettingWidgetType_quantityComboBox: {
        auto* combo = new QuantityComboBox(tabWidget);
        combo->setQuantity(static_cast<Quantity>(defaultValue.toInt()));
        return combo;
    }
    case SettingWidgetType_argumentWidget:
        return new ArgumentWidget(tabWidget, nullptr);
    }
    qDebug() << "not supported widgetType";
    return new QWidget(tabWidget);
}

void DynoSettings::bindToStore(DynoSetting* setting, Quantity quantity)
{
    QWidget* editor = setting->widget;
    switch (setting->widgetType) {
    case SettingWidgetType_spinBox:
        theSettings.connectSpinBox(static_cast<QSpinBox*>(editor));
        break;
    case SettingWidgetType_doubleSpinBox:
        theSettings.connectDoubleSpinBox(static_cast<QDoubleSpinBox*>(editor));
        break;
    case SettingWidgetType_spinBoxWithUnit:
        theSettings.connectSpinBoxWithUnit(static_cast<SpinBoxWithUnit*>(editor));
        break;
    case SettingWidgetType_lineEdit:
        theSettings.connectLineEdit(static_cast<QLineEdit*>(editor));
        break;
    case SettingWidgetType_comboBox:
        theSettings.connectComboBox(static_cast<QComboBox*>(editor));
        break;
    case SettingWidgetType_checkBox:
        theSettings.connectCheckBox(static_cast<QCheckBox*>(editor));
        break;
    case SettingWidgetType_lossModelEditor:
        theSettings.connectDynoSettingsLossModelEditor(static_cast<DynoSettingsLossModelEditor*>(editor));
        break;
    case SettingWidgetType_quantityComboBox:
        theSettings.connectQuantityComboBox(static_cast<QuantityComboBox*>(editor));
        break;
    case SettingWidgetType_argumentWidget: {
        auto* argument = static_cast<ArgumentWidget*>(editor);
        theSettings.connectArgumentWidget(argument);
        argument->setLockedQuantity(quantity);
        break;
    }
    default:
        // A curve is bound once its axes are set up; other kinds have no binding.
        break;
    }
}

void DynoSettings::dropUnofferedStoredOption(QComboBox* combo, int defaultIndex)
{
    // Old stores kept the option's text; their binding finds the text or keeps the default.
    if (theSettings.oldComboBoxFormat)
        return;
    const QString storeKey = theSettings.keyPrefix + combo->objectName();
    if (!theSettings.contains(storeKey))
        return;
    const QVariant stored = theSettings.value(storeKey);
    bool ok = false;
    const int option = stored.toInt(&ok);
    if (ok && option >= 0 && option < combo->count() && !optionHidden(combo, option))
        return;
    // Sent as it is, an index the board does not offer (or none at all) would
    // configure the controller with something it cannot do.
    qDebug().noquote() << QStringLiteral("Dyno setting %1: stored option %2 is not offered on this board, "
                                         "the default %3 is used")
                              .arg(combo->objectName().mid(int(qstrlen("DynoSetting/"))), stored.toString())
                              .arg(defaultIndex);
    theSettings.remove(storeKey);
}

void DynoSettings::fallBackFromHiddenOption(DynoSettingId id, int channel, int defaultIndex)
{
    DynoSetting* setting = getSetting(id, channel);
    auto* combo = setting ? setting->getWidgetHelper<QComboBox>(SettingWidgetType_comboBox) : nullptr;
    if (!combo)
        return;
    const int option = combo->currentIndex();
    if (option >= 0 && option < combo->count() && !optionHidden(combo, option))
        return;
    qDebug().noquote() << QStringLiteral("Dyno setting %1: option %2 is not offered here, the default %3 is used")
                              .arg(setting->key)
                              .arg(option)
                              .arg(defaultIndex);
    combo->setCurrentIndex(defaultIndex);
}

void DynoSettings::waitForLinkQueue()
{
    if (!theMCUThread || linkStalled)
        return;
    int fill = theMCUThread->getTxBufferFill();
    if (fill <= kQueuedFramesLimit)
        return;
    QElapsedTimer waited;
    waited.start();
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    int lowest = fill;
    while (fill > kQueuedFramesLimit) {
        // The link drains its queue every few milliseconds; one that does not
        // must not hold the GUI for good.
        if (sinceProgress.elapsed() >= kLinkStallMs) {
            linkStalled = true;
            qDebug() << "MCU link takes no configuration writes:" << fill
                     << "frames wait in its queue; the dyno settings are registered without waiting";
            break;
        }
        QThread::msleep(1);
        fill = theMCUThread->getTxBufferFill();
        if (fill < lowest) {
            lowest = fill;
            sinceProgress.restart();
        }
    }
    linkWaitNs += waited.nsecsElapsed();
}

void DynoSettings::addHeader(const QString& text)
{
    headers.insert(int(pendingIds.size()), text);
}

// ----------------------------------------------------------------- lookups

DynoSetting* DynoSettings::getSetting(DynoSettingId id, int channel) const
{
    const QList<DynoSetting*>* list = (id >= 0 && id < settings.size()) ? settings.at(id) : nullptr;
    if (!list) {
        qDebug() << "Setting id" << int(id) << channel << "not initialize";
        qFatal("Trying to getSetting before a setting is initialized.");
    }
    if (channel < 0 || channel >= list->size())
        return nullptr;
    return list->at(channel);
}

double DynoSettings::getSettingValueDouble(DynoSettingId id, int channel) const
{
    const DynoSetting* setting = getSetting(id, channel);
    return setting ? setting->value().toDouble() : 0.0;
}

int DynoSettings::channelCount(DynoSettingId id) const
{
    const QList<DynoSetting*>* list = (id >= 0 && id < settings.size()) ? settings.at(id) : nullptr;
    return list ? int(list->size()) : 0;
}

QLabel* DynoSettings::getSettingLabel(QWidget* editor)
{
    QWidget* page = editor ? editor->parentWidget() : nullptr;
    auto* form = page ? qobject_cast<QFormLayout*>(page->layout()) : nullptr;
    return form ? qobject_cast<QLabel*>(form->labelForField(editor)) : nullptr;
}

void DynoSettings::setSettingVisibility(DynoSettingId id, bool visible, int channel)
{
    DynoSetting* setting = getSetting(id, channel);
    if (!setting)
        return;
    QWidget* editor = setting->widget;
    QWidget* page = editor->parentWidget();
    auto* form = page ? qobject_cast<QFormLayout*>(page->layout()) : nullptr;
    // Through the form the row gives up its spacing as well.
    if (form && form->indexOf(editor) >= 0) {
        form->setRowVisible(editor, visible);
        return;
    }
    editor->setVisible(visible);
    if (QLabel* label = getSettingLabel(editor))
        label->setVisible(visible);
}

// ------------------------------------------------------------ combo rules

void DynoSettings::addComboBoxSlot(DynoSettingId id, ComboBoxSlot slot)
{
    for (int channel = 0; channel < channelCount(id); ++channel) {
        auto* combo = getSetting(id, channel)->getWidgetHelper<QComboBox>(SettingWidgetType_comboBox);
        if (!combo)
            continue;
        connect(combo, &QComboBox::currentIndexChanged, this,
                [this, slot, channel](int index) { (this->*slot)(index, channel); });
        (this->*slot)(combo->currentIndex(), channel);
    }
}

void DynoSettings::syncSetting(DynoSetting* source, DynoSetting* target)
{
    if (!source || !target)
        return;
    switch (source->widgetType) {
    case SettingWidgetType_spinBox:
        Tools::cloneSpinBox(static_cast<QSpinBox*>(source->widget), static_cast<QSpinBox*>(target->widget));
        break;
    case SettingWidgetType_doubleSpinBox:
        Tools::cloneDoubleSpinBox(static_cast<QDoubleSpinBox*>(source->widget),
                                  static_cast<QDoubleSpinBox*>(target->widget));
        break;
    case SettingWidgetType_spinBoxWithUnit:
        SpinBoxWithUnit::cloneSpinBoxWithUnit(static_cast<SpinBoxWithUnit*>(source->widget),
                                              static_cast<SpinBoxWithUnit*>(target->widget));
        break;
    case SettingWidgetType_comboBox: {
        // The target ends with the source's options once each, not twice.
        auto* combo = static_cast<QComboBox*>(target->widget);
        {
            const QSignalBlocker blocker(combo);
            combo->clear();
        }
        Tools::cloneComboBox(static_cast<QComboBox*>(source->widget), combo);
        break;
    }
    case SettingWidgetType_checkBox:
        Tools::cloneCheckBox(static_cast<QCheckBox*>(source->widget), static_cast<QCheckBox*>(target->widget));
        break;
    case SettingWidgetType_pointVectorEditor:
        PointVectorEditor::clonePointVectorEditor(static_cast<PointVectorEditor*>(source->widget),
                                                  static_cast<PointVectorEditor*>(target->widget));
        break;
    default:
        qDebug() << "widget not supported for sync";
        break;
    }
}

void DynoSettings::unsyncSetting(DynoSetting* a, DynoSetting* b)
{
    if (!a || !b)
        return;
    QObject::disconnect(a->widget, nullptr, b->widget, nullptr);
    QObject::disconnect(b->widget, nullptr, a->widget, nullptr);
}

// ------------------------------------------------------------------ others

QString DynoSettings::analyzeSettingValueToString(const QString& key, const QVariant& value) const
{
    for (int id = 0; id < settings.size(); ++id) {
        const QList<DynoSetting*>* list = settings.at(id);
        if (!list)
            continue;
        for (const DynoSetting* setting : *list) {
            if (!setting || setting->widgetType != SettingWidgetType_comboBox || setting->key != key)
                continue;
            const QStringList* options = optionLists.value(static_cast<DynoSettingId>(id));
            const int option = value.toInt();
            if (options && option >= 0 && option < options->size())
                return options->at(option);
            return value.toString();
        }
    }
    return value.toString();
}

double DynoSettings::getRoadSpeedRadius(int roller) const
{
    // Called every 10 ms from the brake-controller and run threads: the project
    // table belongs to the GUI thread, so the wheel comes from its mirror.
    if (getSetting(DynoSettingId_dynoType, 0)->value().toInt() == 2) {
        const double wheel = theActiveProjectValues.wheelDiameter.load(std::memory_order_relaxed);
        if (theActiveProjectValues.active.load(std::memory_order_relaxed) && wheel > 0.0)
            return wheel / 2.0;
    }
    return getSettingValueDouble(DynoSettingId_rollerDiameter, roller) / 2.0;
}

bool DynoSettings::isSlipEstimationAvailable() const
{
    if (getSetting(DynoSettingId_dynoType, 0)->value().toInt() != 1)
        return false;
    if (getSetting(DynoSettingId_engineSpeedSource, 0)->value().toInt() != 0)
        return false;
    for (int roller = 0; roller < theHwInfo.rollers; ++roller) {
        const DynoSetting* support = getSetting(DynoSettingId_rollerSupportRoller, roller);
        if (support && support->value().toInt() != 0)
            return false;
    }
    return true;
}

void DynoSettings::guardAgainstWheel(QObject* object)
{
    // A wheel event goes to the innermost widget under the mouse: the filter
    // has to sit on every spin box, combo box and line edit inside a compound
    // editor (loss model, argument, curve), not only on the editor itself.
    object->installEventFilter(this);
    for (QObject* child : object->children()) {
        if (child->isWidgetType() && !static_cast<QWidget*>(child)->isWindow())
            guardAgainstWheel(child);
    }
}

bool DynoSettings::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Wheel:
        return true;
    case QEvent::ChildAdded: {
        // Editors that build parts later (a curve's cell editor, a rebuilt row).
        // Popups (a combo box's list) are windows of their own and may scroll.
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child && child->isWidgetType() && !static_cast<QWidget*>(child)->isWindow())
            guardAgainstWheel(child);
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
