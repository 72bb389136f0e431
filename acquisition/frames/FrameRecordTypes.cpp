#include "FrameRecordTypes.h"

#include "FrameRecords.h"

#include <QList>

void registerFrameRecordTypes()
{
    qRegisterMetaType<FreqFrame>("freqFrame_t");
    qRegisterMetaType<ainFrame_t>("ainFrame_t");
    qRegisterMetaType<hpAinFrame_t>("tcFrame_t");
    qRegisterMetaType<loadCellFrame_t>("loadCellFrame_t");
    qRegisterMetaType<loadCellFrameV2_t>("loadCellFrameV2_t");
    qRegisterMetaType<speedControllerOutFrame_t>("speedControllerOutFrame_t");
    qRegisterMetaType<torqueControllerOutFrame_t>("torqueControllerOutFrame_t");
    qRegisterMetaType<ainControllerOutFrame_t>("ainControllerOutFrame_t");
    qRegisterMetaType<speedControllerSPFrame_t>("speedControllerSPFrame_t");
    qRegisterMetaType<torqueControllerSPFrame_t>("torqueControllerSPFrame_t");
    qRegisterMetaType<ainControllerSPFrame_t>("ainControllerSPFrame_t");
    qRegisterMetaType<pidDetailsFrameV2_t>("pidDetailsFrameV2_t");
    qRegisterMetaType<ambientFrame_t>("ambientFrame_t");
    qRegisterMetaType<obdFrame_t>("obdFrame_t");
    qRegisterMetaType<canFrame_t>("canFrame_t");
    qRegisterMetaType<channelFrame_t>("channelFrame_t");
    qRegisterMetaType<QList<canFrame_t>>("QVector<canFrame_t>");
    qRegisterMetaType<AudioBlock>("AudioBlock");
}
