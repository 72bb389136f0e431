#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QPoint>
#include <QString>

class CanOutputMessage;
class QTableView;
class QTimer;

// The CAN output messages: their table, "canOutputs.xml", the imports and
// exports of message sets and the DBC export of selected messages. Every
// message in the list is live (its trigger fires) from loading to exit.
class CanOutputMessageModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int columnTotal = 6;

    explicit CanOutputMessageModel(QObject* parent = nullptr);
    ~CanOutputMessageModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The menus and keys of its table (`view`).
    bool eventFilter(QObject* watched, QEvent* event) override;

    void loadFromFile();
    void loadFromString(const QString& xml);
    // The given rows (all when empty) as "canOutputs.xml" text.
    QString setupToString(const QList<int>& rows = {}) const;
    QString filePath() const { return fileName; }

    void addOutput(CanOutputMessage* message);
    CanOutputMessage* message(int row) const { return messages.at(row); }
    int messageCount() const { return int(messages.size()); }
    void action_remove(QList<int> rows);

    // New message, edited in its dialog; kept only when accepted.
    void action_new();
    bool action_edit(int row, bool checkOnly);
    // A ready-made message (CANopen tool): an equal one already listed
    // (identifier, initial data, bus) is opened instead and this one dropped.
    void addCANOutputMessage(CanOutputMessage* message);
    void showContextMenu(int row, const QList<int>& selectedRows, const QPoint& globalPosition);

    void action_import();
    void action_importServer();
    void action_export(const QList<int>& rows);
    void action_exportDBC(const QList<int>& rows);
    // The writers behind the exports; false when the file cannot be written.
    bool exportToFile(const QList<int>& rows, const QString& path) const;
    bool exportDbcToFile(const QList<int>& rows, const QString& path) const;
    QString dbcText(const QList<int>& rows) const;

    QTimer* saveTimer = nullptr;
    // The table this model filters; null when it has none.
    QTableView* view = nullptr;

Q_SIGNALS:
    void signal_updatePreview();
    void signal_selectLast();
    void signal_emitError(const QString& text);

public Q_SLOTS:
    void slot_saveToFile();
    void slot_doubleClicked(const QModelIndex& index);

private:
    // Appends, opens the dialog, keeps or removes; the common end of
    // action_new and addCANOutputMessage.
    void addAndEdit(CanOutputMessage* message);
    void keepMalformedFile(const QString& reason);

    QList<CanOutputMessage*> messages;
    QString fileName;
    bool saveAllowed = true;
};

extern CanOutputMessageModel* theCanOutputMessageModel;
