#pragma once

#include <QAbstractTableModel>
#include <QList>

class SerialInputChannel;
class SerialInputDevice;

// The channels of the device selected on the "Serial inputs" page: name,
// latest value with its time, unit, scaling and command. New and Edit pause
// the device's polling while their dialog is open and resume it afterwards.
class SerialInputsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit SerialInputsModel(QObject* parent = nullptr);

    void setDevice(SerialInputDevice* device);
    SerialInputDevice* shownDevice() const { return device; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

    void addChannel(SerialInputChannel* channel);
    void action_new();
    bool action_edit(int row, bool checkOnly);
    bool action_remove(const QList<int>& rows);

Q_SIGNALS:
    void signal_saveRequest();

public Q_SLOTS:
    void slot_channelDataAndTimestampChanged();
    void slot_doubleClicked(const QModelIndex& index);

private:
    void connectChannel(SerialInputChannel* channel);
    QList<SerialInputChannel*> channels() const;

    SerialInputDevice* device = nullptr;
};
