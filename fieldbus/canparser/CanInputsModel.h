#pragma once

#include "ChannelFamily.h"
#include "FrameRecords.h"
#include "lib/FieldBusEnums.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QPoint>

#include <vector>

class CanInput;
class QTimer;

// The CAN inputs: their table, "canInputs.xml" (also the setup every run file
// stores as "canParserSetup"), the routing of live frames to the inputs whose
// key they match, the time-out checks, the imports (setup files, DBC, .canx),
// the .trace replay and the readdressing actions. theCanInputsModel is the
// live one, in the GUI thread. A recorded run builds its own
// (CanInputsModel(true)), possibly on a worker thread: it has no timers,
// never touches a file and never opens a box.
class CanInputsModel : public QAbstractTableModel, public ChannelFamily
{
    Q_OBJECT
public:
    static constexpr int columnTotal = 14;

    explicit CanInputsModel(bool forRunData = false, QObject* parent = nullptr);
    ~CanInputsModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

    // The CAN family of the channel registry.
    RunChannel* getChannelByKey(const QString& key) const override;
    QList<AbstractChannel*> listChannelsForArgument(Quantity quantity) const override;
    QList<AbstractChannel*> getListForChannels() const override;
    CanInput* getInputByKey(const QString& key) const;
    QList<AbstractChannel*> listInputsForArgument(Quantity quantity) const;

    // Live set-up: loads "canInputs.xml", saves at quit, starts the time-out
    // (10 ms) and display (500 ms) timers and takes the run thread's frames.
    void initLive();
    void loadFromFile();
    void loadFromString(const QString& xml);
    QString setupToString() const;
    // The given rows as a "canInputs.xml" document.
    QString setupToString(const QList<int>& rows) const;
    QString filePath() const { return fileName; }

    void addInput(CanInput* input);
    // Takes ownership: the input, named uniquely, is opened in the CAN input
    // dialog and kept only when the dialog is accepted.
    void addInputFromGenerator(CanInput* input, const QString& name);
    CanInput* input(int row) const { return inputs.at(row); }
    int inputCount() const { return int(inputs.size()); }
    QStringList listInputNames() const;

    void rebuildParsingMap();
    void parseLiveCanFrame(const canFrame_t& frame, qint64 now);
    // A recorded run's frames: per row, the accepted frames' times (s) and
    // values, with NaN gap points where a time-out would have fired.
    void parseCanFrames(const QList<canFrame_t>* frames, QList<QList<double>>* times,
                        QList<QList<double>>* values) const;

    // The page's operations on rows of the model (the page's table, keys and
    // context menu call them; dialogs go through DialogAnswerer).
    bool action_editInput(int row, bool checkOnly);
    void action_newInput();
    void action_duplicate(const QList<int>& rows);
    void action_removeInputs(QList<int> rows);
    void action_export(const QList<int>& rows);
    bool exportToFile(const QList<int>& rows, const QString& path) const;
    bool action_moveUp(int row, bool checkOnly);
    bool action_moveDown(int row, bool checkOnly);
    void action_importServer();

    // Imports (append; the caller's file dialogs are in the action_ forms).
    void action_import();
    void action_importDBC();
    void action_importCANX();
    void importDbcBytes(const QByteArray& bytes);
    void importCanxBytes(const QByteArray& bytes, const QString& baseName);
    static bool parseDBCExtractionString(const QString& text, int& startBit, int& bitSize, Endianness& endianness,
                                         Signedness& signedness);
    static QStringList splitDBCLineToStringList(const QString& line);

    // Trace replay.
    void action_simulateTrace();
    void queueTraceText(const QString& text);
    void startTraceReplay();
    bool traceReplayRunning() const;
    static bool parseTraceLine(const QString& line, canFrame_t* frame);

    // Readdressing; `sourceAddress` is the operator's answer (two hex digits).
    bool changeSourceAddress(const QList<int>& rows, const QString& sourceAddress);
    bool action_j1939ChangeSourceAddress(const QList<int>& rows);
    bool action_swapChannel(const QList<int>& rows);

    QTimer* saveTimer = nullptr;
    QTimer* timeoutTimer = nullptr;
    QTimer* displayTimer = nullptr;
    QTimer* simulationTimer = nullptr;

Q_SIGNALS:
    void signal_emitError(const QString& text);
    // A row the page's table should select (after a move).
    void signal_selectRow(int row);

public Q_SLOTS:
    void slot_saveToFile();
    void slot_rebuildParsingMap() { rebuildParsingMap(); }
    void slot_newCanFrameBatch(QList<canFrame_t> frames);
    void slot_checkTimeouts();
    void slot_updateValueDisplay();
    void slot_updateDescriptions();
    void slot_frameSimulationTick();
    void slot_keyEvent(const QList<int>& rows, int row, int key, int modifiers);
    void slot_contextMenuEvent(const QList<int>& rows, int column, const QPoint& position);
    void slot_doubleClickEvent(int row);

private:
    struct Route {
        qint32 key;
        int row;
        CanInput* input;
    };
    struct MaskRoutes {
        quint32 mask;
        std::vector<Route> routes; // by key, equal keys in reverse row order
    };
    void clearParsingMap();
    void importDbcLine(const QString& line, struct DbcImportState& state);
    void keepMalformedFile(const QString& reason);

    const bool forRunData;
    QList<CanInput*> inputs;
    std::vector<MaskRoutes> parsingMap;
    QString fileName;
    bool saveAllowed = true;

    QList<canFrame_t> simulationQueue;
    quint32 simulationTick = 0;
    QList<canFrame_t> simulationBatch;
};

extern CanInputsModel theCanInputsModel;
