#pragma once

#include <QByteArray>

// Rebuilds ISO-TP (normal addressing, classic CAN) messages on the receiving
// side. Fed the eight data bytes of each frame in arrival order; says when
// `buffer` holds a whole message. Sends and interprets no flow control.
//
// Consecutive frames must carry the next sequence number (1, 2, ... 15, 0, 1
// ...): a lost or repeated frame abandons the message, since appending it
// would shift bytes into a "complete" message that the vehicle never sent. A
// consecutive frame with nothing outstanding is ignored; a single or first
// frame ends any reception under way.
class ISOTPAssembler
{
public:
    bool addData(const unsigned char* data);

    QByteArray buffer;
    int remainingBytes = 0;

private:
    int nextSequence = 1;
};
