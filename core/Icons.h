#pragma once

#include <QIcon>
#include <QMap>
#include <QString>

// Fixed icons and the icons an operator can pick for a button, by name.
class Icons
{
public:
    void init();

    QIcon iconEye;
    QIcon iconEyeHighRes;
    QIcon iconGears;
    QIcon iconLossModel;
    QIcon iconFacebook;
    QIcon iconApplication;
    QIcon iconVideo;
    QIcon iconVideoHighRes;
    QMap<QString, QIcon> userIcons;
};

extern Icons theIcons;
