#include "RecordingAnswerer.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

RecordingAnswerer::RecordingAnswerer()
{
    DialogAnswerer::install(this);
}

RecordingAnswerer::~RecordingAnswerer()
{
    if (DialogAnswerer::installed() == this)
        DialogAnswerer::install(nullptr);
}

int RecordingAnswerer::answer(QDialog* dialog)
{
    Shown entry;
    entry.className = QString::fromLatin1(dialog->metaObject()->className());
    entry.title = dialog->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(dialog))
        entry.text = box->text();
    shown.append(entry);
    return respond ? respond(dialog) : result;
}

DialogAnswerer::FileAnswer RecordingAnswerer::answerFileDialog(QFileDialog* dialog)
{
    Shown entry;
    entry.className = QString::fromLatin1(dialog->metaObject()->className());
    entry.title = dialog->windowTitle();
    entry.directory = dialog->directory().absolutePath();
    entry.proposed = dialog->selectedFiles();
    shown.append(entry);
    FileAnswer reply;
    reply.result = respond ? respond(dialog) : result;
    reply.files = files;
    return reply;
}
