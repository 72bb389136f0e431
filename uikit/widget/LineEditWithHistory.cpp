#include "LineEditWithHistory.h"

#include "MyMenu.h"

namespace {
constexpr int kHistoryLength = 10;
}

LineEditWithHistory::LineEditWithHistory(QWidget* parent)
    : QLineEdit(parent)
{
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &LineEditWithHistory::slot_contextMenu);
}

void LineEditWithHistory::saveCurrentTextToHistory()
{
    const QString current = text();
    // An empty text with an empty history counts as already first.
    if (current == history.value(0))
        return;
    history.removeAll(current);
    history.prepend(current);
    while (history.size() > kHistoryLength)
        history.removeLast();
    Q_EMIT signal_historyChanged(history);
}

void LineEditWithHistory::slot_contextMenu(const QPoint& pos)
{
    if (history.isEmpty())
        return;
    MyMenu menu(this);
    for (const QString& entry : std::as_const(history))
        menu.addAction(entry);
    if (QAction* picked = menu.exec(mapToGlobal(pos)))
        setText(picked->text());
}
