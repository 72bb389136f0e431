#pragma once

#include "ArgumentType.h"
#include "lib/Quantity.h"

#include <QList>
#include <QObject>
#include <QString>

#include <shared_mutex>
#include <utility>

class AbstractRunData;
class ProjectFieldSource;
class QDomElement;
class RunChannel;
class Unit;
class VectorChannel;

// Where a value comes from: nothing, a constant, a live channel or a field of
// the active project. Functions, alarm gates, triggers, outputs and several
// dyno settings read their inputs through it, always in SI units; the quantity
// and unit only serve the editor and the stored text of a constant.
//
// Every argument bound to a live channel is listed among that channel's users,
// copies and assignments included, so a channel that goes away unbinds all of
// them and none keeps a pointer to it. Bindings change in the GUI thread, while
// the run, trigger and brake threads read values: a reader either sees the
// channel still alive or no channel (see bindingLock).
class Argument : public QObject
{
    Q_OBJECT
    friend class RunChannel;

public:
    explicit Argument(QObject* parent = nullptr);
    // Copies bind to the same channel (and become its users); they start
    // without a recorded-channel binding and without a pending key.
    Argument(const Argument& other);
    explicit Argument(Argument* other);
    // Takes the other's source, quantity and unit; keeps this argument's own
    // recorded-channel binding, cached project value and pending key. Emits nothing.
    Argument& operator=(const Argument& other);
    ~Argument() override;

    static QString keyFromType(int type);
    static ArgumentType typeFromKey(const QString& key);

    // The projects layer registers its table here (not owned); nullptr removes it.
    static void setProjectFieldSource(ProjectFieldSource* source);
    static ProjectFieldSource* projectFieldSource();
    // The program's developer mode: recorded runs then log the arguments they
    // cannot bind.
    static void setDeveloperMode(bool enabled);

    void setNull(bool notify);
    void setConstant(double value, bool notify);
    void setChannel(RunChannel* channel, bool notify);
    void setProjectInfo(int field, bool notify);
    void set(const Argument* other);
    void setVectorChannel(VectorChannel* vector);
    // Called by a live channel that is being destroyed.
    void channelDeleted();
    // Binds the key read from a file to the live channel that has it now.
    void updateChannelPointer();

    double getValue() const;
    void getTimestampedValue(double& value, qint64& timestamp) const;
    QString typeKey() const;
    QString getSourceString() const;
    QString getSourceStringForWidget() const;
    QString getDescription() const;

    // Recalculation over a recorded run.
    void initForRunDataProcessing(AbstractRunData* run);
    void updateChannelPointer_RunData(AbstractRunData* run);
    void updateProjectInfoValueForAnalyze(AbstractRunData* run);
    double getValueS(int index) const;

    // Stored as attributes of the owner's element ("type", "value", "unitType",
    // and "unit" for a constant), or as "type:source" in the settings store.
    void writeToDomElement(QDomElement* element) const;
    QList<std::pair<QString, QString>> xmlAttributes() const;
    void parseDomElement(const QDomElement* element);
    void setFromTypeKeyAndSourceString(const QString& text);

    ArgumentType getType() const;
    double getConstant() const;
    RunChannel* getChannel() const;
    VectorChannel* getVectorChannel() const { return vectorChannel; }
    int getProjectField() const;
    double getProjectValue() const { return projectValue; }
    QString getSourceKey() const { return sourceKey; }

    Quantity quantity = Quantity::None;
    const Unit* unit = nullptr;

Q_SIGNALS:
    // The bound channel's key changed (a renamed function, for example).
    void signal_argumentSourceKeyChanged();
    // The source changed; an editor must show it again.
    void signal_updateWidget();

private:
    // Guards every argument's source (type, constant, channel, project field)
    // and every channel's list of users. Readers of values take it shared;
    // binding changes and channel destruction take it exclusively and never
    // emit while holding it.
    static std::shared_mutex& bindingLock();

    // Both need the exclusive binding lock.
    void attachLocked(RunChannel* newChannel);
    void detachLocked();
    void copySourceLocked(const Argument& other);
    QString projectKey(int field) const;

    ArgumentType type = ArgumentType_null;
    double constant = 0.0;
    RunChannel* channel = nullptr;
    VectorChannel* vectorChannel = nullptr;
    int projectField = -1;
    double projectValue;
    QString sourceKey;
    QMetaObject::Connection keyRelay;
};
