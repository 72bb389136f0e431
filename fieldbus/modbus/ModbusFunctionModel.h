#pragma once

#include <QAbstractTableModel>
#include <QList>

class ModbusFunction;
class ModbusInterface;

// The functions of the interface selected on the Modbus page: name, code,
// slave and address, and the latest value with its time, following every
// transaction. New, Edit and Delete pause the interface while a dialog is
// open and resume its polling afterwards.
class ModbusFunctionModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ModbusFunctionModel(QObject* parent = nullptr);

    void setInterface(ModbusInterface* interface);
    ModbusInterface* shownInterface() const { return interface; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

    void addFunction(ModbusFunction* function);
    void action_new();
    bool action_edit(int row, bool checkOnly);
    bool action_remove(const QList<int>& rows);

Q_SIGNALS:
    void signal_saveRequest();

public Q_SLOTS:
    void slot_functionDataAndTimestampChanged();
    void slot_doubleClicked(const QModelIndex& index);

private:
    void connectFunction(ModbusFunction* function);
    QList<ModbusFunction*> functions() const;

    ModbusInterface* interface = nullptr;
};
