#pragma once

#include <QLineEdit>
#include <QStringList>

// A line edit that remembers the last ten different texts its owner committed
// and offers them in its context menu. The settings binding keeps the history.
class LineEditWithHistory : public QLineEdit
{
    Q_OBJECT
public:
    explicit LineEditWithHistory(QWidget* parent = nullptr);

    // Called by the owner when the text is used.
    void saveCurrentTextToHistory();

    // Most recent first. Replaced directly by the settings binding.
    QStringList history;

public Q_SLOTS:
    void slot_contextMenu(const QPoint& pos);

Q_SIGNALS:
    void signal_historyChanged(const QStringList& history);
};
