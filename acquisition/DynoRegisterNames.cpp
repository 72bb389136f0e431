#include "DynoRegisterNames.h"

#include <initializer_list>
#include <utility>

namespace {

QString padded(const char* name)
{
    QString text = QString::fromLatin1(name);
    const int tabs = text.size() < 32 ? 4 - text.size() / 8 : 1;
    text.append(QString(tabs, QLatin1Char('\t')));
    return text;
}

QMap<uint8_t, QString> buildRegisterMap()
{
    // Filled in this order; 114 is named twice and the later name wins.
    static const std::initializer_list<std::pair<int, const char*>> names = {
        {0, "null"}, {1, "echo"}, {2, "reset"}, {3, "deviceInfo"}, {4, "firmwarePage"},
        {5, "firmwareContent"}, {6, "firmwareConfirmCRC"}, {7, "firmwareFlashError"},
        {8, "flag_startOfTransmission"}, {9, "flag_spiOutputBufferFull"}, {10, "enterBootloader"},
        {11, "hardwareRevision"}, {12, "hardwareVersion"}, {13, "flag_spiInputBufferFull"},
        {32, "lastProtectedReg"}, {33, "bye"}, {34, "readUserPageWord"}, {35, "writeUserPageWord"},
        {36, "commitUserPageWrite"}, {37, "userPageWord"}, {38, "debug"}, {39, "canBus0Status"},
        {40, "canBus1Status"}, {41, "sync"}, {42, "selftest"}, {44, "configAddress"}, {45, "configValue"},
        {46, "canData0"}, {47, "canData1"}, {48, "canTimestamp"}, {49, "canId"}, {51, "systemPerformance"},
        {52, "debugRead"}, {55, "freq1_frequency"}, {56, "freq2_frequency"}, {57, "freq3_frequency"},
        {58, "freq4_frequency"}, {59, "freq5_frequency"}, {61, "freq1_dt"}, {62, "freq2_dt"}, {63, "freq3_dt"},
        {64, "freq4_dt"}, {65, "freq5_dt"}, {67, "ain1_2"}, {68, "ain3_4"}, {69, "ain5_6"}, {70, "ain7_8"},
        {71, "ain9_10"}, {72, "ain11_12"}, {73, "ainlc1_2"}, {74, "ainlc3_4"}, {75, "ainlcV2_1"},
        {76, "ainlcV2_2"}, {77, "ainlcV2_3"}, {78, "ainlcV2_4"}, {79, "accPID_output"}, {80, "speedPID_output"},
        {81, "torquePID_output"}, {82, "ainPID_output1"}, {83, "ainPID_output2"}, {84, "accPID_1_SP"},
        {85, "accPID_2_SP"}, {86, "accPID_3_SP"}, {87, "accPID_4_SP"}, {88, "speedPID_1_SP"},
        {89, "speedPID_2_SP"}, {90, "speedPID_3_SP"}, {91, "speedPID_4_SP"}, {92, "torquePID_1_SP"},
        {93, "torquePID_2_SP"}, {94, "torquePID_3_SP"}, {95, "torquePID_4_SP"}, {96, "ainPID_1_SP"},
        {97, "ainPID_2_SP"}, {98, "ainPID_3_SP"}, {99, "ainPID_4_SP"}, {100, "ainPID_5_SP"},
        {101, "ainPID_6_SP"}, {107, "diagVcc_diag5V"}, {108, "diag12V_diag24V"}, {110, "tcCh1_2"},
        {111, "tcCh3_4"}, {112, "tcCh5_6"}, {113, "tcCh7_8"}, {114, "writeFirst"}, {114, "pwmArgument1"},
        {115, "pwmArgument2"}, {116, "pwmArgument3"}, {117, "pwmArgument4"}, {126, "analogOutputArgument1"},
        {127, "analogOutputArgument2"}, {130, "ainPID_SP1"}, {131, "ainPID_SP2"}, {132, "ainPID_SP3"},
        {133, "ainPID_SP4"}, {134, "ainPID_SP5"}, {135, "ainPID_SP6"}, {136, "torquePID_SP1"},
        {137, "torquePID_SP2"}, {138, "torquePID_SP3"}, {139, "torquePID_SP4"}, {143, "bcTorqueTarget1"},
        {144, "bcTorqueTarget2"}, {145, "bcTorqueTarget3"}, {146, "bcTorqueTarget4"},
        {147, "bcRotSpeedTarget1"}, {148, "bcRotSpeedTarget2"}, {149, "bcRotSpeedTarget3"},
        {150, "bcRotSpeedTarget4"}, {151, "bcRotAccTarget1"}, {152, "bcRotAccTarget2"},
        {153, "bcRotAccTarget3"}, {154, "bcRotAccTarget4"}, {169, "writeEnd"},
    };
    QMap<uint8_t, QString> map;
    for (const auto& entry : names)
        map.insert(static_cast<uint8_t>(entry.first), padded(entry.second));
    return map;
}

QMap<int32_t, QString> buildModeMap()
{
    return {{0, QStringLiteral("idle")},
            {1, QStringLiteral("inertia")},
            {2, QStringLiteral("remoteTorque")},
            {3, QStringLiteral("lockSpeed")},
            {4, QStringLiteral("lockAcc")}};
}

} // namespace

const QMap<uint8_t, QString> theDynoRegisterMap = buildRegisterMap();
const QMap<int32_t, QString> theDynoModeMap = buildModeMap();

QDebug operator<<(QDebug debug, DynoRegister reg)
{
    QDebugStateSaver saver(debug);
    const auto it = theDynoRegisterMap.constFind(static_cast<uint8_t>(reg));
    debug.noquote() << (it != theDynoRegisterMap.cend() ? it.value() : QStringLiteral("unknown register name"));
    return debug;
}

QDebug operator<<(QDebug debug, DynoMode mode)
{
    QDebugStateSaver saver(debug);
    const auto it = theDynoModeMap.constFind(static_cast<int32_t>(mode));
    debug.noquote() << (it != theDynoModeMap.cend() ? it.value() : QStringLiteral("unknown mode name"));
    return debug;
}
