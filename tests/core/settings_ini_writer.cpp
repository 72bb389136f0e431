// Writes a settings.ini the way the program does, with the kinds of values it
// stores, and prints the file's path, for the check with Python's configparser.
#include "MySettings.h"

#include <QCoreApplication>
#include <QPointF>
#include <QRect>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    theSettings.initEnumLabels();
    theSettings.setValue(QStringLiteral("appVersion"), theSettings.version.versionText);
    theSettings.setValue(QStringLiteral("UserSetting/checkBox_settings_alarmSound"), true);
    theSettings.setValue(QStringLiteral("UserSetting/spinBox_settings_resampleFrequency"), 500);
    theSettings.setValue(QStringLiteral("UserSetting/doubleSpinBox_settings_rollerDiameter"), 0.3183);
    theSettings.setValue(QStringLiteral("UserSetting/lineEdit_settings_projectName"), QStringLiteral("Zöld, \"Bogár\" = 1"));
    theSettings.setValue(QStringLiteral("UserSetting/lineEdit_settings_smtpPassword"),
                         MySettings::encrypt(QStringLiteral("pässwörd")));
    theSettings.setValue(QStringLiteral("UserSetting/DynoSetting/lossModel"),
                         QVariant::fromValue(QList<double>{12.5, -0.25, 0.001, 0, 1e-7}));
    theSettings.setValue(QStringLiteral("UserSetting/DynoSetting/rollerPoints"),
                         QVariant::fromValue(QList<QPointF>{{0, 1}, {2.5, -3}}));
    theSettings.setValue(QStringLiteral("UserSetting/intList"), QVariant::fromValue(QList<int>{3, -1, 65536}));
    theSettings.setValue(QStringLiteral("UISettings/windowPosition"), QPoint(10, 20));
    theSettings.setDeviceCode(DeviceCode_ZR5L);
    theSettings.sync();
    std::printf("%s\n", theSettings.iniFilePath().toLocal8Bit().constData());
    return theSettings.status() == QSettings::NoError ? 0 : 1;
}
