#include "CANopenTool.h"

#include "CanDataHexEdit.h"
#include "CanIdLineEdit.h"
#include "CanInput.h"
#include "CanInputsModel.h"
#include "CanOutputMessage.h"
#include "CanOutputMessageModel.h"
#include "HexDataLineEdit.h"
#include "LayoutLine.h"
#include "RunThread.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

uint32_t hexValue(const QLineEdit* edit)
{
    bool ok = false;
    const uint32_t v = edit->text().toUInt(&ok, 16);
    return ok ? v : 0;
}

QLabel* centredTitle(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

uint8_t CANopenTool::sdoCommand(int specifier, int dataBytes, bool expedited, bool sizeSpecified)
{
    return uint8_t((specifier << 5) | ((4 - dataBytes) << 2) | (int(expedited) << 1) | int(sizeSpecified));
}

std::array<uint8_t, 8> CANopenTool::sdoRequestBytes(uint8_t command, uint16_t index, uint8_t subindex, uint32_t data)
{
    return {command,         uint8_t(index),       uint8_t(index >> 8),  subindex,
            uint8_t(data),   uint8_t(data >> 8),   uint8_t(data >> 16),  uint8_t(data >> 24)};
}

uint64_t CANopenTool::sdoRequestWord(uint8_t command, uint16_t index, uint8_t subindex, uint32_t data)
{
    return uint64_t(command) | uint64_t(index) << 8 | uint64_t(subindex) << 24 | uint64_t(data) << 32;
}

CANopenTool::CANopenTool(QWidget* parent, int canBus)
    : QDialog(parent)
    , bus(canBus & 1)
{
    setWindowTitle(tr("CANopen Tool (CAN %1)").arg(bus + 1));
    resize(900, 700);
    auto* layout = new QVBoxLayout(this);

    auto* nodeBox = new QGroupBox(tr("Node ID"), this);
    auto* nodeLayout = new QHBoxLayout(nodeBox);
    nodeIdSpinBox = new QSpinBox(nodeBox);
    nodeIdSpinBox->setRange(1, 127);
    nodeIdSpinBox->setValue(1);
    nodeLayout->addWidget(nodeIdSpinBox);
    layout->addWidget(nodeBox);

    auto* nmtBox = new QGroupBox(tr("Network Management (NMT) (all nodes)"), this);
    auto* nmtGrid = new QGridLayout(nmtBox);
    auto* goOperational = new QPushButton(tr("Go operational"), nmtBox);
    auto* addStart = new QPushButton(tr("Add \"go operational\" command to CAN outputs"), nmtBox);
    auto* goPreOperational = new QPushButton(tr("Go pre-operational"), nmtBox);
    nmtGrid->addWidget(goOperational, 0, 0);
    nmtGrid->addWidget(addStart, 0, 1);
    nmtGrid->addWidget(goPreOperational, 1, 0);
    layout->addWidget(nmtBox);

    auto* syncBox = new QGroupBox(tr("Synchronization (SYNC)"), this);
    auto* syncLayout = new QHBoxLayout(syncBox);
    auto* sendSync = new QPushButton(tr("Send sync command"), syncBox);
    syncLayout->addWidget(sendSync);
    layout->addWidget(syncBox);

    auto* pdoBox = new QGroupBox(tr("Process Data Object (PDO)"), this);
    auto* pdoGrid = new QGridLayout(pdoBox);
    for (int n = 0; n < 4; ++n) {
        pdoGrid->addWidget(new QLabel(tr("TPDO %1").arg(n + 1), pdoBox), n, 0);
        tpdoDisplays[size_t(n)] = new CanDataHexEdit(pdoBox);
        tpdoDisplays[size_t(n)]->setReadOnly(true);
        tpdoDisplays[size_t(n)]->setCanData(0);
        pdoGrid->addWidget(tpdoDisplays[size_t(n)], n, 1);
        auto* addInput = new QPushButton(tr("Add CAN input"), pdoBox);
        addInput->setProperty("channel", n);
        auto* addOutput = new QPushButton(tr("Add RPDO CAN output"), pdoBox);
        addOutput->setProperty("channel", n);
        pdoGrid->addWidget(addInput, n, 2);
        pdoGrid->addWidget(addOutput, n, 3);
        connect(addInput, &QPushButton::clicked, this, &CANopenTool::slot_addCanInput);
        connect(addOutput, &QPushButton::clicked, this, &CANopenTool::slot_addRPDOCanOutput);
    }
    layout->addWidget(pdoBox);

    auto* sdoBox = new QGroupBox(tr("Service Data Object (SDO)"), this);
    auto* sdoLayout = new QHBoxLayout(sdoBox);
    auto* request = new QFormLayout;
    request->setLabelAlignment(Qt::AlignRight);
    request->addRow(centredTitle(tr("Request"), sdoBox));
    specifierCombo = new QComboBox(sdoBox);
    specifierCombo->addItems({tr("segment download"), tr("initiate download"), tr("initiate upload"),
                              tr("segment upload"), tr("abort transfer"), tr("block upload"), tr("block download")});
    specifierCombo->setCurrentIndex(1);
    dataBytesSpinBox = new QSpinBox(sdoBox);
    dataBytesSpinBox->setRange(1, 4);
    dataBytesSpinBox->setValue(1);
    expeditedCheckBox = new QCheckBox(sdoBox);
    expeditedCheckBox->setChecked(true);
    sizeSpecifiedCheckBox = new QCheckBox(sdoBox);
    sizeSpecifiedCheckBox->setChecked(true);
    requestCommand = new HexDataLineEdit(1, sdoBox);
    requestIndex = new HexDataLineEdit(2, sdoBox);
    requestSubindex = new HexDataLineEdit(1, sdoBox);
    requestData = new HexDataLineEdit(4, sdoBox);
    requestIndex->setValue(0);
    requestSubindex->setValue(0);
    requestData->setValue(0);
    requestId = new CanIdLineEdit(sdoBox);
    requestId->setReadOnly(true);
    requestBytes = new QLineEdit(sdoBox);
    requestBytes->setReadOnly(true);
    request->addRow(tr("CCS command specifier"), specifierCombo);
    request->addRow(tr("Data bytes"), dataBytesSpinBox);
    request->addRow(tr("Expedited transfer"), expeditedCheckBox);
    request->addRow(tr("Size specified"), sizeSpecifiedCheckBox);
    request->addRow(tr("Command"), requestCommand);
    request->addRow(tr("Index"), requestIndex);
    request->addRow(tr("Subindex"), requestSubindex);
    request->addRow(tr("Data"), requestData);
    request->addRow(new LayoutLine(sdoBox));
    request->addRow(tr("CAN ID (hex|dec)"), requestId);
    request->addRow(tr("CAN DATA (hex)"), requestBytes);
    request->addRow(new LayoutLine(sdoBox));
    auto* sendSdo = new QPushButton(tr("Send SDO"), sdoBox);
    auto* generateSdo = new QPushButton(tr("Generate SDO CAN Output"), sdoBox);
    request->addRow(sendSdo);
    request->addRow(generateSdo);
    auto* response = new QFormLayout;
    response->setLabelAlignment(Qt::AlignRight);
    response->addRow(centredTitle(tr("Response"), sdoBox));
    responseCommand = new HexDataLineEdit(1, sdoBox);
    responseIndex = new HexDataLineEdit(2, sdoBox);
    responseSubindex = new HexDataLineEdit(1, sdoBox);
    responseData = new HexDataLineEdit(4, sdoBox);
    for (HexDataLineEdit* edit : {responseCommand, responseIndex, responseSubindex, responseData})
        edit->setReadOnly(true);
    response->addRow(tr("Command"), responseCommand);
    response->addRow(tr("Index"), responseIndex);
    response->addRow(tr("Subindex"), responseSubindex);
    response->addRow(tr("Data"), responseData);
    sdoLayout->addLayout(request);
    sdoLayout->addLayout(response);
    layout->addWidget(sdoBox);

    connect(goOperational, &QPushButton::clicked, this, &CANopenTool::slot_commandGoOperational);
    connect(goPreOperational, &QPushButton::clicked, this, &CANopenTool::slot_commandGoPreOperational);
    connect(addStart, &QPushButton::clicked, this, &CANopenTool::slot_addGoOperationalToCANOutputs);
    connect(sendSync, &QPushButton::clicked, this, &CANopenTool::slot_commandSync);
    connect(sendSdo, &QPushButton::clicked, this, &CANopenTool::slot_sendSDO);
    connect(generateSdo, &QPushButton::clicked, this, &CANopenTool::slot_messageFromSDO);
    connect(specifierCombo, &QComboBox::currentIndexChanged, this, &CANopenTool::slot_updateSDOCommand);
    connect(dataBytesSpinBox, &QSpinBox::valueChanged, this, &CANopenTool::slot_updateSDOCommand);
    connect(expeditedCheckBox, &QCheckBox::stateChanged, this, &CANopenTool::slot_updateSDOCommand);
    connect(sizeSpecifiedCheckBox, &QCheckBox::stateChanged, this, &CANopenTool::slot_updateSDOCommand);
    connect(requestCommand, &QLineEdit::textChanged, this, &CANopenTool::slot_updateSDOCommandDetails);
    connect(nodeIdSpinBox, &QSpinBox::valueChanged, this, &CANopenTool::slot_updateSDOMessagePreview);
    for (HexDataLineEdit* edit : {requestCommand, requestIndex, requestSubindex, requestData})
        connect(edit, &QLineEdit::textChanged, this, &CANopenTool::slot_updateSDOMessagePreview);
    connect(nodeIdSpinBox, &QSpinBox::valueChanged, this, &CANopenTool::slot_nodeIdChanged);
    if (theRunThread)
        connect(theRunThread, &RunThread::signal_newCanFrameBatch, this, &CANopenTool::slot_newCanFrameBatch,
                Qt::QueuedConnection);

    slot_updateSDOCommand();
    slot_updateSDOMessagePreview();
}

uint8_t CANopenTool::commandValue() const
{
    return uint8_t(hexValue(requestCommand));
}

uint16_t CANopenTool::indexValue() const
{
    return uint16_t(hexValue(requestIndex));
}

uint8_t CANopenTool::subindexValue() const
{
    return uint8_t(hexValue(requestSubindex));
}

uint32_t CANopenTool::dataValue() const
{
    return hexValue(requestData);
}

void CANopenTool::send(uint32_t identifier, const std::array<uint8_t, 8>& bytes)
{
    CanOutputMessage::sendFrame(uint8_t(bus), identifier, bytes.data());
}

void CANopenTool::slot_commandGoOperational()
{
    send(0x000, {0x01, 0, 0, 0, 0, 0, 0, 0});
}

void CANopenTool::slot_commandGoPreOperational()
{
    send(0x000, {0x80, 0, 0, 0, 0, 0, 0, 0});
}

void CANopenTool::slot_commandSync()
{
    send(0x080, {});
}

void CANopenTool::slot_updateSDOCommand()
{
    if (updatingDetails || specifierCombo->currentIndex() < 0)
        return;
    requestCommand->setValue(sdoCommand(specifierCombo->currentIndex(), dataBytesSpinBox->value(),
                                        expeditedCheckBox->isChecked(), sizeSpecifiedCheckBox->isChecked()));
}

void CANopenTool::slot_updateSDOCommandDetails()
{
    const QString text = requestCommand->text();
    if (text.size() != 2)
        return;
    bool ok = false;
    const uint c = text.toUInt(&ok, 16);
    if (!ok)
        return;
    // Setting the editors must not write the byte back while it is typed.
    updatingDetails = true;
    const int specifier = int((c >> 5) & 7);
    specifierCombo->setCurrentIndex(specifier < specifierCombo->count() ? specifier : -1);
    dataBytesSpinBox->setValue(4 - int((c >> 2) & 3));
    expeditedCheckBox->setChecked((c & 2) != 0);
    sizeSpecifiedCheckBox->setChecked((c & 1) != 0);
    updatingDetails = false;
}

void CANopenTool::slot_updateSDOMessagePreview()
{
    requestId->setCanId(0x600 + nodeIdSpinBox->value());
    const auto bytes = sdoRequestBytes(commandValue(), indexValue(), subindexValue(), dataValue());
    QString text;
    for (uint8_t b : bytes)
        text += QString::asprintf(" %02X ", unsigned(b));
    requestBytes->setText(text);
}

void CANopenTool::slot_sendSDO()
{
    send(0x600u + uint32_t(nodeIdSpinBox->value()),
         sdoRequestBytes(commandValue(), indexValue(), subindexValue(), dataValue()));
}

void CANopenTool::slot_newCanFrameBatch(QList<canFrame_t> frames)
{
    for (const canFrame_t& frame : std::as_const(frames))
        newCanFrame(frame);
}

void CANopenTool::newCanFrame(const canFrame_t& frame)
{
    if (int(frame.canChannelAndId >> 31) != bus)
        return;
    const uint32_t id = frame.canChannelAndId & 0x1FFFFFFFu;
    if (int(id & 0x7F) != nodeIdSpinBox->value())
        return;
    const uint32_t function = id & ~0x7Fu;
    // canData holds frame byte 0 in its most significant byte.
    auto byte = [&frame](int k) { return uint32_t((frame.canData >> (56 - 8 * k)) & 0xFF); };
    switch (function) {
    case 0x180:
    case 0x280:
    case 0x380:
    case 0x480: {
        uint64_t littleEndian = 0;
        for (int k = 7; k >= 0; --k)
            littleEndian = (littleEndian << 8) | byte(k);
        tpdoDisplays[size_t((function - 0x180) / 0x100)]->setCanData(littleEndian);
        break;
    }
    case 0x580:
        responseCommand->setValue(byte(0));
        responseIndex->setValue(byte(1) | byte(2) << 8);
        responseSubindex->setValue(byte(3));
        responseData->setValue(byte(4) | byte(5) << 8 | byte(6) << 16 | byte(7) << 24);
        break;
    default:
        break;
    }
}

void CANopenTool::slot_nodeIdChanged(int)
{
    for (CanDataHexEdit* display : tpdoDisplays)
        display->setCanData(0);
}

namespace {

CanOutputMessage* generatedMessage(int bus, quint32 canId, quint64 initialData, const QString& comment)
{
    auto* message = new CanOutputMessage();
    message->channelId = quint32(bus);
    message->canId = canId;
    message->endianness = Endianness_little;
    message->initialData = initialData;
    message->comment = comment;
    return message;
}

} // namespace

void CANopenTool::slot_addGoOperationalToCANOutputs()
{
    if (!theCanOutputMessageModel)
        return;
    theCanOutputMessageModel->addCANOutputMessage(generatedMessage(bus, 0x000, 1, QStringLiteral("CANopen start")));
}

void CANopenTool::slot_addRPDOCanOutput()
{
    addRpdoCanOutput(sender() ? sender()->property("channel").toInt() : 0);
}

void CANopenTool::addRpdoCanOutput(int channel)
{
    if (!theCanOutputMessageModel)
        return;
    const int node = nodeIdSpinBox->value();
    theCanOutputMessageModel->addCANOutputMessage(
        generatedMessage(bus, quint32(0x200 + 0x100 * channel + node), 0,
                         QStringLiteral("CANopen RPDO %1 - node %2").arg(channel + 1).arg(node)));
}

void CANopenTool::slot_messageFromSDO()
{
    if (!theCanOutputMessageModel)
        return;
    const int node = nodeIdSpinBox->value();
    const QString comment = QStringLiteral("CANopen RSDO - node %1 - index 0x%2 - sub index 0x%3")
                                .arg(QString::number(node, 16), QString::number(indexValue(), 16),
                                     QString::number(subindexValue(), 16));
    theCanOutputMessageModel->addCANOutputMessage(
        generatedMessage(bus, quint32(0x600 + node),
                         sdoRequestWord(commandValue(), indexValue(), subindexValue(), dataValue()), comment));
}

void CANopenTool::slot_addCanInput()
{
    addCanInput(sender() ? sender()->property("channel").toInt() : 0);
}

void CANopenTool::addCanInput(int channel)
{
    const int node = nodeIdSpinBox->value();
    auto* input = new CanInput();
    input->def.channelId = bus;
    input->def.canId = 0x180 + 0x100 * channel + node;
    input->def.endianness = Endianness_little;
    theCanInputsModel.addInputFromGenerator(input,
                                            QStringLiteral("CANopen TPDO %1 - node %2").arg(channel + 1).arg(node));
}
