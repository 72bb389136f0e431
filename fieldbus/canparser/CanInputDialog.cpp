#include "CanInputDialog.h"

#include "CanIdLineEdit.h"
#include "CanInput.h"
#include "CanInputsModel.h"
#include "CanMaskLineEdit.h"
#include "CanMessagePreview.h"
#include "CanWord.h"
#include "ChannelSetup.h"
#include "ChannelSetupWidget.h"
#include "Channels.h"
#include "HwInfo.h"
#include "ParameterEditorManager.h"
#include "QuantityComboBox.h"
#include "RunThread.h"
#include "SpinBoxWithUnit.h"
#include "UnitComboBox.h"
#include "lib/Tools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSpinBox>

#include <climits>
#include <limits>

namespace {

bool singleCanBus()
{
    return theHwInfo.liteVariant;
}

} // namespace

CanInputDialog::CanInputDialog(QWidget* parent, CanInput* edited)
    : AbstractParameterEditorDialog(parent)
    , input(edited)
    , def(&edited->def)
{
    setWindowTitle(tr("CAN Input"));
    auto* box = new QHBoxLayout(this);
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    box->addLayout(form);
    ParameterEditorManager* manager = parameterEditorManager;
    manager->layout = form;
    const double inf = std::numeric_limits<double>::infinity();

    nameLineEdit = manager->addEditor_channelName(tr("Name"), input);
    manager->addLayoutLine();
    channelSpinBox = manager->addEditor_withOffset(tr("Channel"), &def->channelId, 1, singleCanBus() ? 1 : 2);
    channelSpinBox->setToolTip(tr("CAN connector in the controller"));
    CanMaskLineEdit* maskEdit = manager->addEditor_canMask(tr("CAN ID mask (hex)"), &def->canMask);
    maskEdit->setToolTip(tr("Use when only part of the CAN ID needs to match.\nMessage CAN ID & mask == Channel CAN "
                            "ID & mask"));
    canIdEdit = manager->addEditor_canId(tr("CAN ID (hex|dec)"), &def->canId);
    compoundCheckBox = manager->addEditor(tr("Compound message"), &def->compoundMessage);
    compoundEditors = {manager->addEditor(tr("Compound ID"), &def->compoundId, INT_MIN, INT_MAX),
                       manager->addEditor(tr("Compound Bit Offset"), &def->compoundIdBitOffset, INT_MIN, INT_MAX),
                       manager->addEditor(tr("Compound Bit Count"), &def->compoundIdBitCount, INT_MIN, INT_MAX)};
    manager->addLayoutLine();
    endiannessCombo = manager->addEditor(tr("Endianness"), &def->endianness);
    bitCountSpinBox = manager->addEditor(tr("Bit count"), &def->bitCount, 1, 64);
    byteOffsetSpinBox = manager->addEditor(tr("Byte offset"), &def->byteOffset, 0, 7);
    bitOffsetSpinBox = manager->addEditor(tr("Bit offset"), &def->bitOffset, 0, 63);
    manager->addEditor(tr("Signedness"), &def->isSigned);
    manager->addLayoutLine();
    preview = new CanMessagePreview(this);
    form->addRow(preview);
    manager->addLayoutLine();
    manager->addEditor(tr("Multiplier"), &def->multiplier, -inf, inf, 10);
    manager->addEditor(tr("Divider"), &def->divider, -inf, inf, 10);
    manager->addEditor(tr("Offset"), &def->offset, -inf, inf, 10);
    inputUnitCombo = manager->addEditor(tr("Input unit"), &def->inputUnit, input->setup->quantity);
    manager->addLayoutLine();
    timeoutCheckBox = manager->addEditor(tr("Enable timeout"), &def->timeoutEnable);
    timeoutTimeEditor = manager->addEditor(tr("Timeout [s]"), &def->timeoutTime, 0.0, inf, 3);
    timeoutValueEditor = manager->addEditor_withUnit(tr("After timeout value"), &def->timeoutValue,
                                                     input->setup->quantity, input->setup->unit, -inf, inf,
                                                     input->setup->decimals);
    manager->addLayoutLine();
    overrideCombo = manager->addEditor(tr("Vehicle Parameter override"),
                                       reinterpret_cast<VehicleParamId*>(&def->vehicleParamId));
    manager->addLayoutLine();
    form->addRow(buttonBox);

    channelSetupWidget = manager->addEditor(input->setup, true, true, box);

    resize(1000, height());

    connect(manager, &ParameterEditorManager::signal_parametersChanged, &theCanInputsModel,
            &CanInputsModel::slot_updateDescriptions);
    connect(input->setup, &ChannelSetup::signal_setupChanged, this, &CanInputDialog::slot_channelSetupChanged);
    connect(overrideCombo, &QComboBox::currentIndexChanged, this, &CanInputDialog::slot_overrideChanged);
    connect(channelSpinBox, &QSpinBox::valueChanged, this, &CanInputDialog::slot_channelIdChanged);
    connect(maskEdit, &CanMaskLineEdit::signal_maskChanged, this, &CanInputDialog::slot_canMaskChanged);
    connect(canIdEdit, &CanIdLineEdit::signal_canIdChanged, this, &CanInputDialog::slot_canIdChanged);
    connect(compoundCheckBox, &QCheckBox::stateChanged, this, &CanInputDialog::slot_compoundMessageEnabled);
    connect(timeoutCheckBox, &QCheckBox::stateChanged, this, &CanInputDialog::slot_timeoutEnableChanged);
    for (QSpinBox* spinBox : {bitCountSpinBox, byteOffsetSpinBox, bitOffsetSpinBox})
        connect(spinBox, &QSpinBox::valueChanged, this, &CanInputDialog::slot_updateExtractionMask);
    connect(endiannessCombo, &QComboBox::currentIndexChanged, preview, &CanMessagePreview::slot_setEndiannessInt);
    if (theRunThread)
        connect(theRunThread, &RunThread::signal_newCanFrameBatch, this, &CanInputDialog::slot_newCanFrameBatch,
                Qt::QueuedConnection);

    slot_compoundMessageEnabled();
    slot_timeoutEnableChanged();
    preview->slot_setEndianness(def->endianness);
    preview->setCanId(quint32(def->canId));
    slot_updateExtractionMask();
    preview->setPreviewUnknown();
    slot_channelSetupChanged();
    slot_overrideChanged();
}

CanInputDialog::~CanInputDialog()
{
    // The setup editor hands its last pending edit to the setup while the
    // children go; the rows that follow it are gone by then.
    disconnect(input->setup, nullptr, this, nullptr);
}

void CanInputDialog::slot_compoundMessageEnabled()
{
    for (QSpinBox* spinBox : std::as_const(compoundEditors))
        spinBox->setEnabled(def->compoundMessage);
}

void CanInputDialog::slot_timeoutEnableChanged()
{
    timeoutTimeEditor->setEnabled(def->timeoutEnable);
    timeoutValueEditor->setEnabled(def->timeoutEnable);
}

void CanInputDialog::slot_updateExtractionMask()
{
    preview->updateExtractionMask(def->bitCount, def->byteOffset, def->bitOffset);
}

void CanInputDialog::slot_channelSetupChanged()
{
    ChannelSetup* setup = input->setup;
    timeoutValueEditor->slot_setQuantity(setup->quantity);
    if (setup->unit)
        timeoutValueEditor->slot_setUnit(setup->unit);
    timeoutValueEditor->setDecimals(setup->decimals);
    inputUnitCombo->slot_setQuantity(setup->quantity);
}

void CanInputDialog::slot_overrideChanged()
{
    if (!channelSetupWidget)
        return;
    const int id = def->vehicleParamId;
    if (id >= 0 && id < VehicleParamCount) {
        const Quantity quantity = theChannels.getVehicleParam(id)->setup->quantity;
        if (channelSetupWidget->quantityCombo)
            channelSetupWidget->quantityCombo->setQuantity(quantity);
        channelSetupWidget->enableQuantityAndLabelsEditing(false);
    } else {
        channelSetupWidget->enableQuantityAndLabelsEditing(true);
    }
}

void CanInputDialog::slot_channelIdChanged()
{
    theCanInputsModel.rebuildParsingMap();
    preview->setPreviewUnknown();
}

void CanInputDialog::slot_canMaskChanged()
{
    theCanInputsModel.rebuildParsingMap();
    preview->setPreviewUnknown();
}

void CanInputDialog::slot_canIdChanged()
{
    theCanInputsModel.rebuildParsingMap();
    preview->setCanId(quint32(def->canId));
    preview->setPreviewUnknown();
}

void CanInputDialog::slot_newCanFrameBatch(QList<canFrame_t> frames)
{
    const quint32 key = input->parsingMapKey();
    const quint32 mask = def->canMask | 0xE0000000u;
    bool matched = false;
    for (const canFrame_t& frame : std::as_const(frames)) {
        // The model's rule: the input's own identifier is not masked.
        if ((frame.canChannelAndId & mask) != key)
            continue;
        preview->setPreviewData(CanWord::orderedWord(frame.canData, def->endianness));
        matched = true;
    }
    if (matched)
        slot_updateExtractionMask();
}

bool CanInputDialog::validate()
{
    bool refused = validateName();
    if (def->multiplier == 0.0) {
        Tools::showError(tr("Multiplier is set to '0'. Did you mean '1'?"));
        refused = true;
    }
    if (def->divider == 0.0) {
        Tools::showError(tr("Divider can't be set to '0'. Did you mean '1'?"));
        refused = true;
    }
    if (def->canMask == 0) {
        Tools::showError(tr("Mask is set to 0. Did you mean '0xffffffff'?"));
        refused = true;
    }
    if (qint64(def->bitOffset) + qint64(def->byteOffset) * 8 + def->bitCount > 64) {
        Tools::showError(tr("You are trying to extract data out of range. Please check 'Bit count', 'Byte offset', "
                            "'Bit offset'."));
        refused = true;
    }
    const Quantity quantity = input->setup->quantity;
    if ((quantity == Quantity::Bitfield || quantity == Quantity::Enumerated)
        && (def->multiplier != 1.0 || def->divider != 1.0 || def->offset != 0.0))
        Tools::showError(tr("Your are using bitfield or enumerated quantity with\n multiplier!=1 || divider !=1 || "
                            "offset!=0"));
    return refused;
}

void CanInputDialog::reject()
{
    AbstractParameterEditorDialog::reject();
    // Frames go by the restored bus, mask and identifier from now on.
    theCanInputsModel.rebuildParsingMap();
    theCanInputsModel.slot_updateDescriptions();
}
