#pragma once

#include "StoredDynoSetting.h"
#include "StoredField.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <limits>

// Everything the end of a run stores that lives in the GUI thread: widgets,
// the settings registry, the project table, channel values. Collected in the
// GUI thread right before the run thread is asked to stop, and handed to the
// writer, which then touches no GUI object from its own thread.
struct RunStopInputs {
    // Fills what the layers below the RUN tab hold: every dyno setting of
    // every channel, the active project's fields, the engine-speed source and
    // ratio, the ambient and peak channels, the program version, the board,
    // and the setups of the computed functions and operator input channels.
    // GUI thread only.
    static RunStopInputs collect();

    QList<StoredDynoSetting> dynoSettings;
    QList<StoredField> projectInfo;

    double distance = 0.0;
    QVariant engineSpeedSource;
    QVariant engineSpeedRatio;
    int powerCorrectionStandard = 0;
    double correctionFactor = std::numeric_limits<double>::quiet_NaN();
    double ambientTemperature = std::numeric_limits<double>::quiet_NaN();
    double ambientPressure = std::numeric_limits<double>::quiet_NaN();
    double ambientHumidity = std::numeric_limits<double>::quiet_NaN();
    double wheelPowerMax = std::numeric_limits<double>::quiet_NaN();
    double roadSpeedMax = std::numeric_limits<double>::quiet_NaN();
    QString comment;
    // Already made unique against the names the runs table holds.
    QString name;
    QString softwareVersion;
    int runType = 0;
    int deviceCode = 0;

    // XML setups of the input models, stored in "/files".
    QString canParserSetup;
    QString functionsSetup;
    QString inputChannelsSetup;
    QString serialInputDevicesSetup;
    QString modbusSetup;
    QString udsChannelSetup;

    // The operator attached the current loss model to the run (its check box
    // is checked and shown); otherwise the run stores an empty loss model.
    bool lossModelAttached = false;
};
