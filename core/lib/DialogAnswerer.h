#pragma once

class QDialog;

// Every modal box and dialog of the program is run through DialogAnswerer::exec.
// In the program nothing is installed and the dialog runs modally as usual;
// tests install an answerer that inspects the dialog and returns a result at
// once, so no test ever waits on a dialog.
class DialogAnswerer
{
public:
    virtual ~DialogAnswerer() = default;

    // Returns what exec() would have returned (a QDialog::DialogCode or a
    // QMessageBox::StandardButton).
    virtual int answer(QDialog* dialog) = 0;

    // Installs the answerer (not owned); nullptr restores modal execution.
    static void install(DialogAnswerer* answerer);
    static DialogAnswerer* installed();

    // Runs the dialog modally, or hands it to the installed answerer.
    static int exec(QDialog* dialog);
};
