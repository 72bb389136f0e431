#pragma once

#include "FrameRecords.h"

#include <QDialog>
#include <QList>

#include <array>
#include <cstdint>

class CanDataHexEdit;
class CanIdLineEdit;
class HexDataLineEdit;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

// Connects a CANopen device to one of the controller's buses: network
// management to all nodes, SYNC, the node's four TPDOs as they arrive, one
// SDO request built, previewed and sent, and the node's SDO reply. What it
// built can become lasting configuration: a CAN input for a TPDO, CAN output
// messages for an RPDO, the SDO request and the start command. No state
// machine: nothing is verified, nothing is retried.
class CANopenTool : public QDialog
{
    Q_OBJECT
public:
    CANopenTool(QWidget* parent, int bus);

    // The SDO command byte of a client command specifier, the data byte
    // count (1 to 4) and the two flags.
    static uint8_t sdoCommand(int specifier, int dataBytes, bool expedited, bool sizeSpecified);
    // The request's 8 frame bytes: command, index (low byte first), subindex,
    // data (least significant byte first).
    static std::array<uint8_t, 8> sdoRequestBytes(uint8_t command, uint16_t index, uint8_t subindex, uint32_t data);
    // The same bytes read as a little-endian word.
    static uint64_t sdoRequestWord(uint8_t command, uint16_t index, uint8_t subindex, uint32_t data);

    const int bus;
    QSpinBox* nodeIdSpinBox = nullptr;
    std::array<CanDataHexEdit*, 4> tpdoDisplays {};
    QComboBox* specifierCombo = nullptr;
    QSpinBox* dataBytesSpinBox = nullptr;
    QCheckBox* expeditedCheckBox = nullptr;
    QCheckBox* sizeSpecifiedCheckBox = nullptr;
    HexDataLineEdit* requestCommand = nullptr;
    HexDataLineEdit* requestIndex = nullptr;
    HexDataLineEdit* requestSubindex = nullptr;
    HexDataLineEdit* requestData = nullptr;
    CanIdLineEdit* requestId = nullptr;
    QLineEdit* requestBytes = nullptr;
    HexDataLineEdit* responseCommand = nullptr;
    HexDataLineEdit* responseIndex = nullptr;
    HexDataLineEdit* responseSubindex = nullptr;
    HexDataLineEdit* responseData = nullptr;

    // The request fields as they stand.
    uint8_t commandValue() const;
    uint16_t indexValue() const;
    uint8_t subindexValue() const;
    uint32_t dataValue() const;

    void newCanFrame(const canFrame_t& frame);

public Q_SLOTS:
    void slot_commandGoOperational();
    void slot_commandGoPreOperational();
    void slot_commandSync();
    void slot_updateSDOCommand();
    void slot_updateSDOCommandDetails();
    void slot_updateSDOMessagePreview();
    void slot_sendSDO();
    void slot_messageFromSDO();
    void slot_addGoOperationalToCANOutputs();
    void slot_addRPDOCanOutput();
    void slot_addCanInput();
    void slot_newCanFrameBatch(QList<canFrame_t> frames);
    void slot_nodeIdChanged(int id);

    // The button slots read the row from the clicked button; these take it.
    void addRpdoCanOutput(int channel);
    void addCanInput(int channel);

private:
    void send(uint32_t identifier, const std::array<uint8_t, 8>& bytes);
    bool updatingDetails = false;
};
