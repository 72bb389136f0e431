#include "RecordingAnswerer.h"

#include <QDialog>
#include <QFileDialog>
#include <QMenu>
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

namespace {

void listEntries(QMenu* menu, QStringList* out, const QString& choice, QAction** chosen)
{
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            out->append(QStringLiteral("-"));
        } else if (action->menu()) {
            out->append(action->menu()->title() + QStringLiteral(" >"));
            QStringList inner;
            listEntries(action->menu(), &inner, choice, chosen);
            for (const QString& entry : inner)
                out->append(QStringLiteral("  ") + entry);
        } else {
            out->append(action->text());
            if (!*chosen && !choice.isEmpty() && action->text() == choice && action->isEnabled())
                *chosen = action;
        }
    }
}

} // namespace

QAction* RecordingAnswerer::answerMenu(QMenu* menu)
{
    QStringList entries;
    QAction* chosen = nullptr;
    listEntries(menu, &entries, menuChoice, &chosen);
    menus.append(entries);
    if (respondMenu)
        return respondMenu(menu);
    return chosen;
}
