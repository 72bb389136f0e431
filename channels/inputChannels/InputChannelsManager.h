#pragma once

#include <QWidget>

class QTableView;

// The "UI inputs" page of the settings: the table of theInputChannelsModel.
// Its init loads "inputChannels.xml" and saves it again when the program quits.
class InputChannelsManager : public QWidget
{
    Q_OBJECT
public:
    explicit InputChannelsManager(QWidget* parent = nullptr);

    // Once, when the dyno settings are ready.
    void init();

    QTableView* tableView = nullptr;

public Q_SLOTS:
    void slot_showFunctionModelError(const QString& text);

private:
    bool initialized = false;
};
