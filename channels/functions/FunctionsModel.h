#pragma once

#include "ArgumentType.h"
#include "ChannelFamily.h"
#include "Operator.h"
#include "OperatorDescriptor.h"

#include <QAbstractTableModel>
#include <QList>
#include <QMap>
#include <QString>

class AbstractRunData;
class Function;
class QAbstractItemView;
class QTimer;
class QWidget;

// The computed functions: their table (name, value, description), the actions
// that create, edit, remove and reorder them, the 10 ms live pass, and their
// XML ("functions.xml", also stored in every run file). theFunctionsModel
// holds the operator's functions and is the registry's function family; every
// recorded run builds a model of its own from the run's text and recomputes it
// over the run (calculateFunctionsForRunData), possibly in a worker thread:
// such a model never opens a box or a dialog and reports by the debug log.
class FunctionsModel : public QAbstractTableModel, public ChannelFamily
{
    Q_OBJECT
public:
    explicit FunctionsModel(QWidget* parent = nullptr);
    ~FunctionsModel() override;

    // Whether this is the process-wide model (the only one that is edited,
    // evaluated live, saved and allowed to talk to the operator).
    bool isLiveModel() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The function family of the channel registry.
    RunChannel* getChannelByKey(const QString& key) const override;
    QList<AbstractChannel*> listChannelsForArgument(Quantity quantity) const override;
    QList<AbstractChannel*> getListForChannels() const override;

    void addFunction(Function* function);
    Function* action_newFunction(Quantity quantity);
    bool action_editFunction(int row, bool checkOnly);
    bool editFunction(Function* function);
    bool action_removeFunction(int row, bool checkOnly);
    bool action_moveUp(int row, bool checkOnly);
    bool action_moveDown(int row, bool checkOnly);

    QList<QString> getFunctionsList() const;
    Function* getFunctionByKey(const QString& key) const;
    QList<AbstractChannel*> listFunctionsForArgument(Quantity quantity) const;
    void updateArgumentPointers();

    void loadFromFile();
    void loadFromString(const QString& text);
    QString setupToString() const;
    // "functions.xml" could not be read: its functions are missing, not gone,
    // and a setting that names one keeps the key (true for such a key).
    bool keyOfUnreadFile(const QString& key) const;
    // The file loadFromFile read and saves write; empty until then.
    QString filePath() const { return fileName; }

    void calculateFunctionsForRunData(AbstractRunData* run);

    // The operator table and the argument-type keys.
    void registerOperator(Operator op, const QString& key, const QString& name, const QList<QString>& argumentNames,
                          const QList<Quantity>& argumentQuantities, Quantity resultQuantity);
    Operator operatorFromKey(const QString& key) const;
    const OperatorDescriptor& descriptor(int op) const;
    QString getArgumentTypeKey(ArgumentType type) const;
    ArgumentType getArgumentTypeFromKey(const QString& key) const;

    QList<Function*> functions;
    QTimer* saveTimer = nullptr;
    QList<OperatorDescriptor> operators;
    QMap<ArgumentType, QString> argumentTypeKeys;

public Q_SLOTS:
    void slot_saveToFile();
    void slot_doubleClicked(const QModelIndex& index);
    void slot_evaluateFunctions();
    void slot_updateValueDisplay();

private:
    void buildOperatorTable();
    void connectSaveRequests(Function* function);
    void reportError(const QString& text) const;
    void keepMalformedFile(const QString& reason);
    void contextMenu(QAbstractItemView* view, const QPoint& position);
    void moveCurrent(QAbstractItemView* view, int row);

    QString fileName;
    // False after a malformed file could not be kept aside: saving would then
    // destroy the operator's only copy.
    bool saveAllowed = true;
    bool fileUnreadable = false;
};

extern FunctionsModel theFunctionsModel;
