#pragma once

#include "DialogAnswerer.h"

#include <QList>
#include <QString>

// Answers every modal dialog at once and remembers what it showed.
class RecordingAnswerer : public DialogAnswerer
{
public:
    struct Shown {
        QString className;
        QString title;
        QString text;
    };

    RecordingAnswerer();
    ~RecordingAnswerer() override;

    int answer(QDialog* dialog) override;

    QList<Shown> shown;
    // What answer() returns for every dialog.
    int result = 0;
};
