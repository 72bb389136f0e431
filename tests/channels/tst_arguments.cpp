// Arguments: their stored forms, the project fields and recorded runs they read,
// and what happens to them when the channel they use goes away.
#include "AbstractRunData.h"
#include "Argument.h"
#include "ChannelFamily.h"
#include "ChannelSetup.h"
#include "Channels.h"
#include "LogCapture.h"
#include "ProjectFieldSource.h"
#include "RunChannel.h"
#include "VectorChannel.h"
#include "lib/Units.h"

#include <QDateTime>
#include <QDomDocument>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cmath>
#include <memory>

namespace {

// Stands in for the functions model: the test's live channels, found by key.
class TestFamily : public ChannelFamily
{
public:
    RunChannel* getChannelByKey(const QString& key) const override
    {
        for (RunChannel* channel : channels) {
            if (channel->setup->key == key)
                return channel;
        }
        return nullptr;
    }
    QList<AbstractChannel*> listChannelsForArgument(Quantity) const override { return {}; }
    QList<AbstractChannel*> getListForChannels() const override { return {}; }
    QList<RunChannel*> channels;
};

// Stands in for the project table: two numeric fields and a text field.
class TestProjects : public ProjectFieldSource
{
public:
    QVariant activeProjectDataRawById(int field) const override
    {
        if (!active)
            return QVariant();
        switch (field) {
        case 0:
            return 1200.0;
        case 1:
            return QStringLiteral("0.6");
        case 2:
            return QStringLiteral("not a number");
        default:
            return QVariant();
        }
    }
    QString getDatabaseKey(int field) const override
    {
        static const QStringList keys = {QStringLiteral("mass"), QStringLiteral("wheelDiameter"),
                                         QStringLiteral("name")};
        return field >= 0 && field < keys.size() ? keys.at(field) : QStringLiteral("invalid");
    }
    int getFieldIdFromKey(const QString& key) const override
    {
        for (int field = 0; field < 3; ++field) {
            if (getDatabaseKey(field) == key)
                return field;
        }
        return -1;
    }
    bool active = true;
};

class TestRun : public AbstractRunData
{
public:
    VectorChannel* getChannelByRunKey(const QString& key) const override { return vectors.value(key); }
    QVariant getProjectInfoValue(int field, const QVariant& defaultValue) const override
    {
        return field == 0 ? QVariant(950.0) : defaultValue;
    }
    QMap<QString, VectorChannel*> vectors;
};

TestFamily g_family;
TestProjects g_projects;
int g_keys = 0;

RunChannel* makeChannel()
{
    auto* channel =
        new RunChannel(8, QStringLiteral("arg_live_%1"), ++g_keys, QStringLiteral("Arg %1"), Quantity::None);
    g_family.channels.append(channel);
    return channel;
}

void forget(RunChannel* channel)
{
    g_family.channels.removeAll(channel);
}

QString keyOf(const RunChannel* channel)
{
    return channel->setup->key;
}

struct Stored {
    QString type;
    QString value;
    QString unitType;
    QString unit;
    bool hasUnit;
};

Stored store(const Argument& argument)
{
    QDomDocument document;
    QDomElement element = document.createElement(QStringLiteral("argument"));
    argument.writeToDomElement(&element);
    return {element.attribute(QStringLiteral("type")), element.attribute(QStringLiteral("value")),
            element.attribute(QStringLiteral("unitType")), element.attribute(QStringLiteral("unit")),
            element.hasAttribute(QStringLiteral("unit"))};
}

// Writes the argument into an element, as text, and reads it into a new one.
std::unique_ptr<Argument> throughXml(const Argument& argument)
{
    QDomDocument document;
    QDomElement element = document.createElement(QStringLiteral("argument"));
    document.appendChild(element);
    argument.writeToDomElement(&element);
    QDomDocument reread;
    reread.setContent(document.toString());
    const QDomElement parsed = reread.documentElement();
    auto copy = std::make_unique<Argument>();
    copy->parseDomElement(&parsed);
    copy->updateChannelPointer();
    return copy;
}

} // namespace

class TestArguments : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void newArgumentIsNull();
    void xmlRoundTrip_data();
    void xmlRoundTrip();
    void badXml();
    void typeAndSourceText_data();
    void typeAndSourceText();
    void constantInItsUnit();
    void projectFields();
    void setCopiesSourceAndQuantity();
    void keyChangesAreRelayed();
    void deletedChannelLeavesArgumentsReadingNaN();
    void copiesAndAssignmentsNeverDangle();
    void deletionWhileAnotherThreadReads();
    void recordedRuns();
};

void TestArguments::initTestCase()
{
    theUnits.init();
    theChannels.registerFamily(Channels::Family_functions, &g_family);
    Argument::setProjectFieldSource(&g_projects);
}

void TestArguments::cleanupTestCase()
{
    Argument::setProjectFieldSource(nullptr);
    theChannels.registerFamily(Channels::Family_functions, nullptr);
    qDeleteAll(g_family.channels);
}

void TestArguments::newArgumentIsNull()
{
    const Argument argument;
    QVERIFY(std::isnan(argument.getValue()));
    QCOMPARE(argument.getDescription(), QStringLiteral("0"));
    const Stored stored = store(argument);
    QCOMPARE(stored.type, QStringLiteral("null"));
    QCOMPARE(stored.value, QString());
    QCOMPARE(stored.unitType, QStringLiteral("0"));
    QVERIFY(!stored.hasUnit);
}

void TestArguments::xmlRoundTrip_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<double>("number");
    QTest::addColumn<int>("quantity");
    QTest::addColumn<QString>("unitName");
    QTest::addColumn<QString>("storedValue");
    QTest::addColumn<double>("readBack");

    QTest::newRow("null") << "null" << 0.0 << 0 << "" << "" << qQNaN();
    QTest::newRow("constant 1") << "constant" << 1.0 << 0 << "" << "1" << 1.0;
    QTest::newRow("constant 2.5 m/s in km/h") << "constant" << 2.5 << 2 << "km/h" << "2.5" << 2.5;
    QTest::newRow("six significant digits") << "constant" << 0.123456789 << 0 << "" << "0.123457" << 0.123457;
    QTest::newRow("ten million") << "constant" << 1e7 << 0 << "" << "1e+07" << 1e7;
    QTest::newRow("temperature in degC") << "constant" << 300.0 << 9 << "°C" << "300" << 300.0;
    QTest::newRow("channel") << "channel" << 42.0 << 30 << "" << "%channel" << 42.0;
    QTest::newRow("project field") << "projectInfo" << 0.0 << 22 << "" << "mass" << 1200.0;
    QTest::newRow("no project field") << "projectInfo" << -1.0 << 22 << "" << "" << 0.0;
}

void TestArguments::xmlRoundTrip()
{
    QFETCH(QString, kind);
    QFETCH(double, number);
    QFETCH(int, quantity);
    QFETCH(QString, unitName);
    QFETCH(QString, storedValue);
    QFETCH(double, readBack);

    std::unique_ptr<RunChannel> channel(makeChannel());
    channel->setData(42.0, QDateTime::currentMSecsSinceEpoch());
    Argument argument;
    argument.quantity = Quantity(quantity);
    argument.unit = theUnits.getUnitByQuantityAndName(Quantity(quantity), unitName);
    if (kind == QLatin1String("constant"))
        argument.setConstant(number, false);
    else if (kind == QLatin1String("channel"))
        argument.setChannel(channel.get(), false);
    else if (kind == QLatin1String("projectInfo"))
        argument.setProjectInfo(int(number), false);
    storedValue.replace(QStringLiteral("%channel"), keyOf(channel.get()));

    const Stored stored = store(argument);
    QCOMPARE(stored.type, kind);
    QCOMPARE(stored.value, storedValue);
    QCOMPARE(stored.unitType, QString::number(quantity));
    QCOMPARE(stored.hasUnit, kind == QLatin1String("constant"));
    if (stored.hasUnit)
        QCOMPARE(stored.unit, unitName);

    const std::unique_ptr<Argument> copy = throughXml(argument);
    QCOMPARE(copy->getType(), argument.getType());
    QCOMPARE(int(copy->quantity), quantity);
    QCOMPARE(copy->getSourceString(), storedValue);
    if (kind == QLatin1String("constant"))
        QCOMPARE(copy->unit->name, unitName);
    if (std::isnan(readBack))
        QVERIFY(std::isnan(copy->getValue()));
    else
        QCOMPARE(copy->getValue(), readBack);
    QCOMPARE(copy->getChannel(), kind == QLatin1String("channel") ? channel.get() : nullptr);
    forget(channel.get());
}

void TestArguments::badXml()
{
    struct Case {
        const char* xml;
        ArgumentType type;
        int quantity;
        const char* log;
    };
    const Case cases[] = {
        {"<a type=\"constant\" value=\"abc\" unitType=\"2\" unit=\"mph\"/>", ArgumentType_null, 2,
         "error parsing argument"},
        {"<a type=\"xyz\" value=\"5\"/>", ArgumentType_null, 0, nullptr},
        {"<a type=\"constant\" value=\"5\" unitType=\"99\"/>", ArgumentType_constant, -1, nullptr},
        {"<a type=\"channel\" value=\"nope\" unitType=\"x\"/>", ArgumentType_channel, 0,
         "Channel with key 'nope' is invalid for argument"},
        {"<a type=\"projectInfo\" value=\"nothing\"/>", ArgumentType_projectInfo, 0, nullptr},
        {"<a/>", ArgumentType_null, 0, nullptr},
    };
    for (const Case& c : cases) {
        LogCapture log;
        QDomDocument document;
        document.setContent(QString::fromUtf8(c.xml));
        const QDomElement element = document.documentElement();
        Argument argument;
        argument.parseDomElement(&element);
        argument.updateChannelPointer();
        QCOMPARE(argument.getType(), c.type);
        QCOMPARE(int(argument.quantity), c.quantity);
        if (c.log)
            QCOMPARE(log.count(QString::fromUtf8(c.log)), 1);
        if (c.type != ArgumentType_constant && c.type != ArgumentType_projectInfo)
            QVERIFY(std::isnan(argument.getValue()));
        // Whatever was not understood is stored empty.
        if (c.type != ArgumentType_constant)
            QCOMPARE(argument.getSourceString(), QString());
    }
}

void TestArguments::typeAndSourceText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");
    QTest::addColumn<double>("value"); // NaN: reads NaN
    QTest::addColumn<bool>("bound");
    QTest::addColumn<bool>("invalidLogged");

    const double none = qQNaN();
    QTest::newRow("constant 1e3") << "constant:1e3" << 1 << 1000.0 << false << false;
    QTest::newRow("constant not a number") << "constant:abc" << 1 << 0.0 << false << false;
    QTest::newRow("no colon") << "constant" << 1 << 7.0 << false << true;
    QTest::newRow("colon first") << ":5" << 1 << 7.0 << false << true;
    QTest::newRow("unknown type") << "xyz:5" << 0 << none << false << false;
    QTest::newRow("null") << "null:" << 0 << none << false << false;
    QTest::newRow("empty") << "" << 0 << none << false << false;
    QTest::newRow("channel without key") << "channel:" << 2 << none << false << false;
    QTest::newRow("channel") << "channel:%channel" << 2 << 42.0 << true << false;
    QTest::newRow("unknown channel") << "channel:nope" << 2 << none << false << false;
    QTest::newRow("project field") << "projectInfo:mass" << 3 << 1200.0 << false << false;
    QTest::newRow("unknown project field") << "projectInfo:nothing" << 3 << 0.0 << false << false;
}

void TestArguments::typeAndSourceText()
{
    QFETCH(QString, text);
    QFETCH(int, type);
    QFETCH(double, value);
    QFETCH(bool, bound);
    QFETCH(bool, invalidLogged);

    std::unique_ptr<RunChannel> channel(makeChannel());
    channel->setData(42.0, QDateTime::currentMSecsSinceEpoch());
    text.replace(QStringLiteral("%channel"), keyOf(channel.get()));

    LogCapture log;
    Argument argument;
    argument.setConstant(7.0, false);
    QSignalSpy shown(&argument, &Argument::signal_updateWidget);
    argument.setFromTypeKeyAndSourceString(text);
    QCOMPARE(int(argument.getType()), type);
    if (std::isnan(value))
        QVERIFY(std::isnan(argument.getValue()));
    else
        QCOMPARE(argument.getValue(), value);
    QCOMPARE(argument.getChannel() != nullptr, bound);
    QCOMPARE(log.count(QStringLiteral("Invalid source string")), invalidLogged ? 1 : 0);
    QCOMPARE(shown.size(), invalidLogged ? 0 : 1);

    // The stored text gives the same argument back.
    const QString stored = argument.typeKey() + QLatin1Char(':') + argument.getSourceString();
    Argument again;
    again.setFromTypeKeyAndSourceString(stored);
    QCOMPARE(again.getType(), argument.getType());
    QCOMPARE(again.getSourceString(), argument.getSourceString());
    QCOMPARE(again.getChannel(), argument.getChannel());
    forget(channel.get());
}

void TestArguments::constantInItsUnit()
{
    Argument argument;
    argument.quantity = Quantity::Speed;
    argument.unit = theUnits.getUnitByQuantityAndName(Quantity::Speed, QStringLiteral("km/h"));
    argument.setConstant(2.5, false);
    QCOMPARE(argument.getValue(), 2.5); // SI, m/s
    QCOMPARE(argument.getSourceStringForWidget(), QStringLiteral("9.000000"));
    QCOMPARE(argument.getSourceString(), QStringLiteral("2.5"));
    QCOMPARE(argument.getDescription(), QStringLiteral("Constant: 9.000000km/h"));
    const Stored stored = store(argument);
    QCOMPARE(stored.unit, QStringLiteral("km/h"));
}

void TestArguments::projectFields()
{
    Argument argument;
    argument.setProjectInfo(0, false);
    QCOMPARE(argument.getValue(), 1200.0);
    QCOMPARE(argument.getDescription(), QStringLiteral("Project: mass"));
    g_projects.active = false;
    QCOMPARE(argument.getValue(), 0.0);
    g_projects.active = true;
    argument.setProjectInfo(1, false);
    QCOMPARE(argument.getValue(), 0.6);
    argument.setProjectInfo(2, false);
    QCOMPARE(argument.getValue(), 0.0);

    // The time-stamped read gives the value a recorded run cached, with the time of now.
    TestRun run;
    argument.setProjectInfo(0, false);
    argument.initForRunDataProcessing(&run);
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    double value = 0;
    qint64 stamp = 0;
    argument.getTimestampedValue(value, stamp);
    QCOMPARE(value, 950.0);
    QVERIFY(stamp >= before && stamp <= QDateTime::currentMSecsSinceEpoch());
    QCOMPARE(argument.getValue(), 1200.0);
    QCOMPARE(argument.getValueS(5), 950.0);

    argument.setProjectInfo(-1, false);
    QCOMPARE(argument.getSourceString(), QString());
    QCOMPARE(argument.getDescription(), QStringLiteral("Project: invalid"));
}

void TestArguments::setCopiesSourceAndQuantity()
{
    std::unique_ptr<RunChannel> channel(makeChannel());
    Argument source;
    source.quantity = Quantity::Logic;
    source.setChannel(channel.get(), false);
    Argument target;
    target.unit = theUnits.getUnitByQuantityAndName(Quantity::Speed, QStringLiteral("mph"));
    QSignalSpy shown(&target, &Argument::signal_updateWidget);
    target.set(&source);
    QCOMPARE(target.getChannel(), channel.get());
    QCOMPARE(target.quantity, Quantity::Logic);
    QCOMPARE(target.unit->name, QStringLiteral("mph")); // the unit is not copied
    QCOMPARE(shown.size(), 1);
    QCOMPARE(channel->userCount(), 2);
    source.setConstant(3.0, false);
    target.set(&source);
    QCOMPARE(target.getValue(), 3.0);
    QCOMPARE(channel->userCount(), 0);
    forget(channel.get());
}

void TestArguments::keyChangesAreRelayed()
{
    std::unique_ptr<RunChannel> first(makeChannel());
    std::unique_ptr<RunChannel> second(makeChannel());
    Argument argument;
    QSignalSpy renamed(&argument, &Argument::signal_argumentSourceKeyChanged);
    argument.setChannel(first.get(), false);
    emit first->setup->signal_keyChanged();
    QCOMPARE(renamed.size(), 1);
    argument.setChannel(second.get(), false);
    emit first->setup->signal_keyChanged();
    QCOMPARE(renamed.size(), 1);
    emit second->setup->signal_keyChanged();
    QCOMPARE(renamed.size(), 2);
    forget(first.get());
    forget(second.get());
}

void TestArguments::deletedChannelLeavesArgumentsReadingNaN()
{
    RunChannel* channel = makeChannel();
    channel->setData(5.0, QDateTime::currentMSecsSinceEpoch());
    Argument argument;
    argument.setChannel(channel, false);
    QCOMPARE(argument.getValue(), 5.0);
    QSignalSpy shown(&argument, &Argument::signal_updateWidget);

    forget(channel);
    delete channel;

    QCOMPARE(shown.size(), 1);
    QCOMPARE(argument.getType(), ArgumentType_channel);
    QCOMPARE(argument.getChannel(), nullptr);
    QVERIFY(std::isnan(argument.getValue()));
    double value = 0;
    qint64 stamp = 0;
    argument.getTimestampedValue(value, stamp);
    QVERIFY(std::isnan(value));
    QCOMPARE(argument.getDescription(), QStringLiteral("Channel: null"));
    QCOMPARE(store(argument).value, QString());
}

void TestArguments::copiesAndAssignmentsNeverDangle()
{
    RunChannel* channel = makeChannel();
    RunChannel* other = makeChannel();
    auto original = std::make_unique<Argument>();
    original->setChannel(channel, false);
    const Argument copied(*original);
    auto pointerCopy = std::make_unique<Argument>(original.get());
    Argument assigned;
    assigned.setChannel(other, false);
    assigned = *original; // re-pointed from `other` to `channel`
    Argument switched;
    switched.setChannel(channel, false);
    switched.setProjectInfo(0, false); // stays a user of the channel
    {
        // A copy that goes away first leaves nothing behind in the channel.
        const Argument shortLived(*original);
        QCOMPARE(channel->userCount(), 6);
    }
    QCOMPARE(channel->userCount(), 5);
    QCOMPARE(other->userCount(), 0);
    QCOMPARE(copied.getChannel(), channel);
    QCOMPARE(assigned.getChannel(), channel);

    // An editor backup (setup copy) holds its gate the same way.
    channel->setup->alarmGate->setChannel(other, false);
    auto backup = std::make_unique<ChannelSetup>(*channel->setup);
    QCOMPARE(other->userCount(), 2);

    forget(channel);
    delete channel;
    const QList<const Argument*> holders = {original.get(), &copied, pointerCopy.get(), &assigned, &switched};
    for (const Argument* argument : holders)
        QCOMPARE(argument->getChannel(), nullptr);
    QVERIFY(std::isnan(copied.getValue()));
    QCOMPARE(switched.getType(), ArgumentType_projectInfo);
    QCOMPARE(switched.getValue(), 1200.0);

    // The deleted channel's setup stays in the model; it and its copy still
    // hold their gates on `other`.
    QCOMPARE(other->userCount(), 2);
    original.reset();
    pointerCopy.reset();
    forget(other);
    delete other;
    QCOMPARE(backup->alarmGate->getChannel(), nullptr);
}

void TestArguments::deletionWhileAnotherThreadReads()
{
    // A reader in another thread sees the channel alive or no channel, never
    // a deleted one.
    for (int round = 0; round < 20; ++round) {
        RunChannel* channel = makeChannel();
        channel->setData(1.0, QDateTime::currentMSecsSinceEpoch());
        Argument argument;
        argument.setChannel(channel, false);
        std::atomic<bool> stop {false};
        std::atomic<int> reads {0};
        std::atomic<int> values {0};
        QThread* reader = QThread::create([&] {
            while (!stop.load()) {
                double value = argument.getValue();
                qint64 stamp = 0;
                argument.getTimestampedValue(value, stamp);
                if (!std::isnan(value))
                    ++values;
                ++reads;
            }
        });
        reader->start();
        QTRY_VERIFY(reads.load() > 50);
        forget(channel);
        delete channel;
        const int after = reads.load();
        QTRY_VERIFY(reads.load() > after + 50);
        stop = true;
        reader->wait();
        delete reader;
        QVERIFY(values.load() > 0);
        QVERIFY(std::isnan(argument.getValue()));
    }
}

void TestArguments::recordedRuns()
{
    VectorChannel vector(100.0, QString(), QString(), Quantity::None, 3, nullptr);
    (*vector.getRawData()) = {1.0, 2.0, 3.0};
    TestRun run;
    run.vectors.insert(QStringLiteral("engine_speed"), &vector);

    QDomDocument document;
    document.setContent(QStringLiteral("<a type=\"channel\" value=\"engine_speed\" unitType=\"11\"/>"));
    const QDomElement element = document.documentElement();
    Argument argument;
    argument.parseDomElement(&element);
    argument.initForRunDataProcessing(&run);
    QCOMPARE(argument.getVectorChannel(), &vector);
    QCOMPARE(argument.getValueS(0), 1.0);
    QCOMPARE(argument.getValueS(2), 3.0);
    QVERIFY(std::isnan(argument.getValueS(3)));
    QVERIFY(std::isnan(argument.getValueS(-1)));

    Argument missing;
    document.setContent(QStringLiteral("<a type=\"channel\" value=\"absent\"/>"));
    const QDomElement absent = document.documentElement();
    missing.parseDomElement(&absent);
    missing.initForRunDataProcessing(&run);
    QVERIFY(std::isnan(missing.getValueS(0)));

    Argument constant;
    constant.setConstant(4.0, false);
    constant.initForRunDataProcessing(&run);
    QCOMPARE(constant.getValueS(100), 4.0);
    QVERIFY(std::isnan(Argument().getValueS(0)));
}

QTEST_MAIN(TestArguments)
#include "tst_arguments.moc"
