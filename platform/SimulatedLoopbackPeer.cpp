#include "SimulatedLoopbackPeer.h"

#include "SimulatedUsbSerialChip.h"

void SimulatedLoopbackPeer::receiveFromChip(SimulatedUsbSerialChip& chip, int port, const std::vector<uint8_t>& bytes)
{
    chip.sendFromPeer(port, bytes);
}
