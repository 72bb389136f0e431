#include "DialogAnswerer.h"

#include <QDialog>

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
