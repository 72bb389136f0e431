#include "Icons.h"

#include <QDirIterator>

Icons theIcons;

void Icons::init()
{
    iconEye = QIcon(QStringLiteral(":/resources/icons/eye.png"));
    iconEyeHighRes = QIcon(QStringLiteral(":/resources/icons/eyeHighRes.png"));
    iconGears = QIcon(QStringLiteral(":/resources/icons/gears.png"));
    iconLossModel = QIcon(QStringLiteral(":/resources/icons/loss-model.png"));
    iconFacebook = QIcon(QStringLiteral(":/resources/icons/facebook.png"));
    iconApplication = QIcon(QStringLiteral(":/resources/icons/ZB_32.png"));
    iconVideo = QIcon(QStringLiteral(":/resources/icons/video.png"));
    iconVideoHighRes = QIcon(QStringLiteral(":/resources/icons/videoHighRes.png"));

    // The file name without ".png" is the name stored by icon buttons.
    QDirIterator it(QStringLiteral(":/resources/icons/user"), QStringList{QStringLiteral("*.png")}, QDir::Files);
    while (it.hasNext()) {
        it.next();
        const QString fileName = it.fileName();
        userIcons.insert(fileName.left(fileName.size() - 4), QIcon(it.filePath()));
    }
}
