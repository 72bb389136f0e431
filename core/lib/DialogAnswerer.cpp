#include "DialogAnswerer.h"

#include <QDialog>
#include <QFileDialog>
#include <QMenu>

#include <atomic>

namespace {
std::atomic<DialogAnswerer*> g_answerer{nullptr};
}

void DialogAnswerer::install(DialogAnswerer* answerer)
{
    g_answerer.store(answerer);
}

DialogAnswerer* DialogAnswerer::installed()
{
    return g_answerer.load();
}

int DialogAnswerer::exec(QDialog* dialog)
{
    if (DialogAnswerer* answerer = g_answerer.load())
        return answerer->answer(dialog);
    return dialog->exec();
}

DialogAnswerer::FileAnswer DialogAnswerer::answerFileDialog(QFileDialog* dialog)
{
    FileAnswer reply;
    reply.result = answer(dialog);
    if (reply.result == QDialog::Accepted)
        reply.files = dialog->selectedFiles();
    return reply;
}

QStringList DialogAnswerer::execFileDialog(QFileDialog* dialog)
{
    if (DialogAnswerer* answerer = g_answerer.load()) {
        const FileAnswer reply = answerer->answerFileDialog(dialog);
        return reply.result == QDialog::Accepted ? reply.files : QStringList();
    }
    if (dialog->exec() != QDialog::Accepted)
        return QStringList();
    return dialog->selectedFiles();
}

QAction* DialogAnswerer::answerMenu(QMenu*)
{
    return nullptr;
}

QAction* DialogAnswerer::execMenu(QMenu* menu, const QPoint& globalPos)
{
    if (DialogAnswerer* answerer = g_answerer.load())
        return answerer->answerMenu(menu);
    return menu->exec(globalPos);
}
