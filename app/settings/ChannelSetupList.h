#pragma once

#include <QWidget>

class ChannelSetupModel;
class QTabWidget;

// The SETTINGS page "Channels": the display and alarm setups of every live and
// every analysis channel, edited through the setup models' own menus.
class ChannelSetupList : public QWidget
{
    Q_OBJECT
public:
    explicit ChannelSetupList(QWidget* parent = nullptr);
    // Builds the two tables once the setup models are loaded.
    void delayedInit();
    void addTable(ChannelSetupModel* model, const QString& title, bool analyze);

    QTabWidget* tabWidget = nullptr;
};
