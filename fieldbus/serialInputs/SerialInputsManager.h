#pragma once

#include <QItemSelection>
#include <QList>
#include <QString>
#include <QWidget>

class FieldBusTableActions;
class SerialInputsModel;
class QTableView;

// The "Serial inputs" page of the SETTINGS tab: the devices on the left, the
// channels of the selected device on the right, both with keys and a context
// menu for New, Edit and Delete (devices also import and export).
class SerialInputsManager : public QWidget
{
    Q_OBJECT
public:
    explicit SerialInputsManager(QWidget* parent = nullptr);

    // Once the dyno settings are ready: the live model is loaded and its
    // devices started (the field-bus start-up); this builds the tables.
    void init();
    static QList<QString> getUsedChannelNames();

    QTableView* devicesTable = nullptr;
    QTableView* channelsTable = nullptr;
    SerialInputsModel* channelModel = nullptr;
    FieldBusTableActions* deviceActions = nullptr;
    FieldBusTableActions* channelActions = nullptr;

public Q_SLOTS:
    void slot_deviceSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
};
