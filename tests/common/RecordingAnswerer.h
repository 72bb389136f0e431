#pragma once

#include "DialogAnswerer.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Answers every modal dialog at once and remembers what it showed.
class RecordingAnswerer : public DialogAnswerer
{
public:
    struct Shown {
        QString className;
        QString title;
        QString text;
        // File dialogs: the folder shown and the file names proposed.
        QString directory;
        QStringList proposed;
    };

    RecordingAnswerer();
    ~RecordingAnswerer() override;

    int answer(QDialog* dialog) override;
    FileAnswer answerFileDialog(QFileDialog* dialog) override;
    // Remembers the menu's entries (texts of its actions, submenus as
    // "title >") and returns the action `menuChoice` names (by text, also
    // inside submenus), or null.
    QAction* answerMenu(QMenu* menu) override;

    QList<Shown> shown;
    // What answer() returns for every dialog.
    int result = 0;
    // When set, decides the answer instead of `result` (it may fill the dialog first).
    std::function<int(QDialog*)> respond;
    // The files a file dialog returns when it is accepted.
    QStringList files;
    // Menus shown, one list of entry texts each (separators as "-").
    QList<QStringList> menus;
    QString menuChoice;
    // When set, picks the action instead of `menuChoice`.
    std::function<QAction*(QMenu*)> respondMenu;
};
