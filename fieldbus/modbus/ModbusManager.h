#pragma once

#include <QItemSelection>
#include <QList>
#include <QString>
#include <QWidget>

class FieldBusTableActions;
class ModbusFunctionModel;
class QTableView;

// The "Modbus" page of the SETTINGS tab: the interfaces on the left, the
// functions of the selected interface on the right, both with keys and a
// context menu for New, Edit and Delete (interfaces also import and export).
class ModbusManager : public QWidget
{
    Q_OBJECT
public:
    explicit ModbusManager(QWidget* parent = nullptr);

    // Once, in the second start-up stage: the live model is loaded and
    // polling (the dyno settings start it); this builds the tables.
    void init();
    static QList<QString> getUsedChannelNames();
    static void updateArgumentPointers();

    QTableView* interfacesTable = nullptr;
    QTableView* functionsTable = nullptr;
    ModbusFunctionModel* functionModel = nullptr;
    FieldBusTableActions* interfaceActions = nullptr;
    FieldBusTableActions* functionActions = nullptr;

public Q_SLOTS:
    void slot_deviceSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
};
