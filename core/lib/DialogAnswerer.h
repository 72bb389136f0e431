#pragma once

#include <QStringList>

class QAction;
class QDialog;
class QFileDialog;
class QMenu;
class QPoint;

// Every modal box and dialog of the program is run through DialogAnswerer::exec
// (file dialogs through execFileDialog). In the program nothing is installed and
// the dialog runs modally as usual; tests install an answerer that inspects the
// dialog and returns a result at once, so no test ever waits on a dialog.
class DialogAnswerer
{
public:
    virtual ~DialogAnswerer() = default;

    // Returns what exec() would have returned (a QDialog::DialogCode or a
    // QMessageBox::StandardButton).
    virtual int answer(QDialog* dialog) = 0;

    // What a file dialog returned: its result code and the files picked.
    struct FileAnswer {
        int result = 0;
        QStringList files;
    };
    // A file dialog's answer. The default asks answer() and takes the files
    // the dialog itself holds selected, so an answerer that only knows
    // answer() can still pick files with QFileDialog::selectFile.
    virtual FileAnswer answerFileDialog(QFileDialog* dialog);

    // A context menu's answer: the action chosen, or null for none. The
    // default chooses nothing.
    virtual QAction* answerMenu(QMenu* menu);

    // Installs the answerer (not owned); nullptr restores modal execution.
    static void install(DialogAnswerer* answerer);
    static DialogAnswerer* installed();

    // Runs the dialog modally, or hands it to the installed answerer.
    static int exec(QDialog* dialog);
    // Runs a file dialog modally, or hands it to the installed answerer.
    // Returns the chosen files; empty when the dialog was cancelled.
    static QStringList execFileDialog(QFileDialog* dialog);
    // Runs a menu at a global position, or hands it to the installed answerer.
    static QAction* execMenu(QMenu* menu, const QPoint& globalPos);
};
