#include "FunctionsModel.h"

#include "AbstractRunData.h"
#include "Argument.h"
#include "ChannelSetup.h"
#include "Function.h"
#include "FunctionAccessControl.h"
#include "FunctionDialog.h"
#include "FunctionWidget.h"
#include "MyMenu.h"
#include "MySettings.h"
#include "RunChannel.h"
#include "VectorChannel.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDebug>
#include <QDomDocument>
#include <QFile>
#include <QIcon>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QSaveFile>
#include <QTimer>
#include <QXmlStreamWriter>

#include <cmath>
#include <limits>

FunctionsModel theFunctionsModel;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const QString kFileName = QStringLiteral("functions.xml");

// The run as the functions being recalculated see it: their own new vectors
// first (a function may use another one), then the run's recorded channels.
class RecalculationView : public AbstractRunData
{
public:
    RecalculationView(AbstractRunData* run, const QList<VectorChannel*>& vectors)
        : run(run)
        , vectors(vectors)
    {
    }
    VectorChannel* getChannelByRunKey(const QString& key) const override
    {
        for (VectorChannel* vector : vectors) {
            if (vector->setup && vector->setup->runKey == key)
                return vector;
        }
        return run->getChannelByRunKey(key);
    }
    QVariant getProjectInfoValue(int field, const QVariant& defaultValue) const override
    {
        return run->getProjectInfoValue(field, defaultValue);
    }

private:
    AbstractRunData* run;
    const QList<VectorChannel*>& vectors;
};

} // namespace

FunctionsModel::FunctionsModel(QWidget* parent)
    : QAbstractTableModel(parent)
{
    saveTimer = new QTimer(this);
    saveTimer->setSingleShot(true);
    saveTimer->setInterval(500);
    connect(saveTimer, &QTimer::timeout, this, &FunctionsModel::slot_saveToFile);
    buildOperatorTable();
    argumentTypeKeys.insert(ArgumentType_null, QStringLiteral("null"));
    argumentTypeKeys.insert(ArgumentType_constant, QStringLiteral("constant"));
    argumentTypeKeys.insert(ArgumentType_channel, QStringLiteral("channel"));
    argumentTypeKeys.insert(ArgumentType_projectInfo, QStringLiteral("projectInfo"));
}

FunctionsModel::~FunctionsModel()
{
    qDeleteAll(functions);
    functions.clear();
}

bool FunctionsModel::isLiveModel() const
{
    return this == &theFunctionsModel;
}

// ---------------------------------------------------------------- operator table

void FunctionsModel::buildOperatorTable()
{
    operators.resize(OperatorCount);
    const Quantity any = static_cast<Quantity>(OperatorDescriptor::AnyQuantity);
    const Quantity first = static_cast<Quantity>(OperatorDescriptor::FirstArgumentQuantity);
    const Quantity none = Quantity::None;
    const Quantity time = Quantity::Time;
    const Quantity logic = Quantity::Logic;
    const Quantity fraction = Quantity::Fraction;

    registerOperator(Operator_false, QStringLiteral("0 (false)"), QStringLiteral("0 (false)"), {}, {}, any);
    registerOperator(Operator_assign, QStringLiteral("="), QStringLiteral("="), {QStringLiteral("=")}, {any}, first);
    registerOperator(Operator_add, QStringLiteral("+"), QStringLiteral("+"), {QStringLiteral("="), QStringLiteral("+")},
                     {any, first}, first);
    registerOperator(Operator_subtract, QStringLiteral("-"), QStringLiteral("-"),
                     {QStringLiteral("="), QStringLiteral("-")}, {any, first}, first);
    registerOperator(Operator_multiply, QStringLiteral("*"), QStringLiteral("*"),
                     {QStringLiteral("="), QStringLiteral("*")}, {any, any}, any);
    registerOperator(Operator_divide, QStringLiteral("/"), QStringLiteral("/"),
                     {QStringLiteral("="), QStringLiteral("/")}, {any, any}, any);
    registerOperator(Operator_modulo, QStringLiteral("%"), QStringLiteral("%"),
                     {QStringLiteral("="), QStringLiteral("%")}, {any, any}, any);
    const char* const comparisons[] = {"==", "!=", ">", "<", ">=", "<="};
    for (int i = 0; i < 6; ++i) {
        const QString key = QLatin1String(comparisons[i]);
        registerOperator(static_cast<Operator>(Operator_equal + i), key, key, {QStringLiteral("="), key},
                         {any, first}, logic);
    }
    registerOperator(Operator_not, QStringLiteral("!"), QStringLiteral("!"), {QStringLiteral("= !")}, {logic}, logic);
    registerOperator(Operator_and, QStringLiteral("&&"), QStringLiteral("&&"),
                     {QStringLiteral("="), QStringLiteral("&&")}, {logic, logic}, logic);
    registerOperator(Operator_or, QStringLiteral("||"), QStringLiteral("||"),
                     {QStringLiteral("="), QStringLiteral("||")}, {logic, logic}, logic);
    // Translated through OperatorDescriptor when shown; the texts are marked here.
    registerOperator(Operator_hysteresis, QStringLiteral("hysteresis"), QT_TR_NOOP("hysteresis"),
                     {QT_TR_NOOP("source"), QT_TR_NOOP("1 if higher than"), QT_TR_NOOP("0 if lower than")},
                     {any, first, first}, logic);
    registerOperator(Operator_timeHysteresis, QStringLiteral("time hysteresis"), QT_TR_NOOP("delay"),
                     {QT_TR_NOOP("source"), QT_TR_NOOP("delay")}, {logic, time}, logic);
    registerOperator(Operator_timeHysteresisTwoWay, QStringLiteral("time hysteresis two way"),
                     QT_TR_NOOP("delay two way"),
                     {QT_TR_NOOP("source"), QT_TR_NOOP("on delay"), QT_TR_NOOP("off delay")}, {logic, time, time},
                     logic);
    registerOperator(Operator_choose, QStringLiteral("choose"), QT_TR_NOOP("choose"),
                     {QT_TR_NOOP("if true"), QT_TR_NOOP("if false"), QT_TR_NOOP("condition")}, {any, first, logic},
                     first);
    registerOperator(Operator_min, QStringLiteral("min"), QT_TR_NOOP("min"),
                     {QT_TR_NOOP("value 1"), QT_TR_NOOP("value 2")}, {any, first}, first);
    registerOperator(Operator_max, QStringLiteral("max"), QT_TR_NOOP("max"),
                     {QT_TR_NOOP("value 1"), QT_TR_NOOP("value 2")}, {any, first}, first);
    registerOperator(Operator_clamp, QStringLiteral("clamp"), QT_TR_NOOP("clamp"),
                     {QT_TR_NOOP("source"), QT_TR_NOOP("min"), QT_TR_NOOP("max")}, {any, first, first}, first);
    registerOperator(Operator_toggle, QStringLiteral("toggle"), QT_TR_NOOP("toggle"), {QT_TR_NOOP("source")}, {logic},
                     logic);
    registerOperator(Operator_latchSR, QStringLiteral("latch SR"), QT_TR_NOOP("latch SR"),
                     {QT_TR_NOOP("set source"), QT_TR_NOOP("reset source")}, {logic, logic}, logic);
    registerOperator(Operator_integrate, QStringLiteral("integrate"), QT_TR_NOOP("integrate"),
                     {QT_TR_NOOP("source"), QT_TR_NOOP("reset source")}, {any, logic}, any);
    registerOperator(Operator_differentiate, QStringLiteral("differentiate"), QT_TR_NOOP("differentiate"),
                     {QT_TR_NOOP("source")}, {any}, any);
    const QList<QString> pidArguments = {QT_TR_NOOP("SP"), QT_TR_NOOP("PV"), QT_TR_NOOP("kP"), QT_TR_NOOP("kI"),
                                         QT_TR_NOOP("kD")};
    registerOperator(Operator_pid, QStringLiteral("PID controller"), QT_TR_NOOP("PID controller bipolar (-1.0÷1.0)"),
                     pidArguments, {any, first, none, none, none}, fraction);
    registerOperator(Operator_pidUnipolar, QStringLiteral("PID controller unipolar"),
                     QT_TR_NOOP("PID controller unipolar (0.0÷1.0)"), pidArguments, {any, first, none, none, none},
                     fraction);
    registerOperator(Operator_nanTo0, QStringLiteral("NANto0"), QT_TR_NOOP("NaN to 0"), {QStringLiteral("= ?")}, {any},
                     any);
    registerOperator(Operator_equation, QStringLiteral("equation"), QT_TR_NOOP("f(A,B,C,D,E)"),
                     {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D"),
                      QStringLiteral("E")},
                     {any, any, any, any, any}, any);
}

void FunctionsModel::registerOperator(Operator op, const QString& key, const QString& name,
                                      const QList<QString>& argumentNames, const QList<Quantity>& argumentQuantities,
                                      Quantity resultQuantity)
{
    if (op < 0 || op >= operators.size())
        return;
    OperatorDescriptor& row = operators[op];
    row.key = key;
    row.name = name;
    row.argumentNames = argumentNames;
    row.argumentQuantities = argumentQuantities;
    row.resultQuantity = resultQuantity;
    row.translatedName = op >= Operator_hysteresis;
    row.translatedArguments = op >= Operator_hysteresis && op <= Operator_timeHysteresisTwoWay;
}

Operator FunctionsModel::operatorFromKey(const QString& key) const
{
    for (int op = 0; op < operators.size(); ++op) {
        if (operators.at(op).key == key)
            return static_cast<Operator>(op);
    }
    return Operator_false;
}

const OperatorDescriptor& FunctionsModel::descriptor(int op) const
{
    static const OperatorDescriptor empty;
    return op >= 0 && op < operators.size() ? operators.at(op) : empty;
}

QString FunctionsModel::getArgumentTypeKey(ArgumentType type) const
{
    return argumentTypeKeys.value(type, QStringLiteral("unknown"));
}

ArgumentType FunctionsModel::getArgumentTypeFromKey(const QString& key) const
{
    for (auto it = argumentTypeKeys.constBegin(); it != argumentTypeKeys.constEnd(); ++it) {
        if (it.value() == key)
            return it.key();
    }
    return ArgumentType_null;
}

// ---------------------------------------------------------------- table

int FunctionsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(functions.size());
}

int FunctionsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant FunctionsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= functions.size())
        return QVariant();
    const Function* function = functions.at(index.row());
    if (role == Qt::BackgroundRole)
        return function->manufacturerLock ? QVariant(QColor(Qt::gray)) : QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    switch (index.column()) {
    case 0:
        return function->getChildName();
    case 1:
        return function->getDataTranslatedWithUnit();
    case 2:
        return function->description();
    default:
        return QVariant();
    }
}

bool FunctionsModel::setData(const QModelIndex&, const QVariant&, int)
{
    return false;
}

QVariant FunctionsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return QStringLiteral("%1").arg(section);
    switch (section) {
    case 0:
        return tr("Name");
    case 1:
        return tr("Value");
    case 2:
        return tr("Description");
    default:
        return QVariant();
    }
}

bool FunctionsModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (row < 0 || count < 1 || row + count - 1 >= functions.size())
        return false;
    beginRemoveRows(parent, row, row + count - 1);
    for (int i = 0; i < count; ++i)
        delete functions.takeAt(row);
    endRemoveRows();
    return true;
}

// ---------------------------------------------------------------- family

RunChannel* FunctionsModel::getChannelByKey(const QString& key) const
{
    return getFunctionByKey(key);
}

QList<AbstractChannel*> FunctionsModel::listChannelsForArgument(Quantity quantity) const
{
    return listFunctionsForArgument(quantity);
}

QList<AbstractChannel*> FunctionsModel::getListForChannels() const
{
    QList<AbstractChannel*> list;
    for (Function* function : functions) {
        if (!function->setup->hide)
            list.append(function);
    }
    return list;
}

QList<QString> FunctionsModel::getFunctionsList() const
{
    QList<QString> names;
    for (const Function* function : functions)
        names.append(function->getChildName());
    return names;
}

Function* FunctionsModel::getFunctionByKey(const QString& key) const
{
    for (Function* function : functions) {
        if (function->setup->key == key)
            return function;
    }
    return nullptr;
}

QList<AbstractChannel*> FunctionsModel::listFunctionsForArgument(Quantity quantity) const
{
    QList<AbstractChannel*> list;
    for (Function* function : functions) {
        if (int(quantity) == -1 || function->setup->quantity == quantity)
            list.append(function);
    }
    return list;
}

void FunctionsModel::updateArgumentPointers()
{
    for (Function* function : std::as_const(functions))
        function->updateArgumentPointers();
}

// ---------------------------------------------------------------- actions

void FunctionsModel::addFunction(Function* function)
{
    const int row = int(functions.size());
    beginInsertRows(QModelIndex(), row, row);
    functions.append(function);
    endInsertRows();
}

void FunctionsModel::connectSaveRequests(Function* function)
{
    connect(function, &Function::signal_requestFunctionSetupSave, saveTimer, qOverload<>(&QTimer::start));
}

Function* FunctionsModel::action_newFunction(Quantity quantity)
{
    auto* function = new Function;
    function->setup->quantity = quantity;
    bool accepted = false;
    {
        // The editors hand their last edits to the function as they close,
        // so the dialog goes before a cancelled function is deleted.
        FunctionDialog dialog(function);
        dialog.setWindowTitle(tr("New Function"));
        dialog.functionWidget->setProhibitedFunctionNames(getFunctionsList());
        accepted = DialogAnswerer::exec(&dialog) == QDialog::Accepted;
    }
    if (accepted) {
        addFunction(function);
        connectSaveRequests(function);
        saveTimer->start();
        return function;
    }
    delete function;
    return nullptr;
}

bool FunctionsModel::action_editFunction(int row, bool checkOnly)
{
    if (row < 0 || row >= functions.size())
        return false;
    if (checkOnly)
        return true;
    Function* function = functions.at(row);
    if (FunctionAccessControl::locked() && function->manufacturerLock) {
        Tools::showInfo(tr("This function is locked by dyno manufacturer"));
        return true;
    }
    Function backup(function);
    QList<QString> names = getFunctionsList();
    names.removeOne(function->getChildName());
    FunctionDialog dialog(function);
    dialog.functionWidget->setProhibitedFunctionNames(names);
    if (DialogAnswerer::exec(&dialog) == QDialog::Accepted) {
        emit dataChanged(index(row, 0), index(row, 2));
        saveTimer->start();
    } else {
        function->set(&backup);
    }
    return true;
}

bool FunctionsModel::editFunction(Function* function)
{
    return action_editFunction(int(functions.indexOf(function)), false);
}

bool FunctionsModel::action_removeFunction(int row, bool checkOnly)
{
    if (row < 0 || row >= functions.size())
        return false;
    if (checkOnly)
        return true;
    Function* function = functions.at(row);
    if (FunctionAccessControl::locked() && function->manufacturerLock) {
        Tools::showInfo(tr("This function is locked by dyno manufacturer"));
        return true;
    }
    if (!function->confirmChannelRemoval()) {
        removeRows(row, 1);
        saveTimer->start();
    }
    return true;
}

bool FunctionsModel::action_moveUp(int row, bool checkOnly)
{
    if (row < 1 || row >= functions.size())
        return false;
    if (checkOnly)
        return true;
    functions.swapItemsAt(row - 1, row);
    emit dataChanged(index(row - 1, 0), index(row, 2));
    saveTimer->start();
    return true;
}

bool FunctionsModel::action_moveDown(int row, bool checkOnly)
{
    if (row < 0 || row >= functions.size() - 1)
        return false;
    if (checkOnly)
        return true;
    functions.swapItemsAt(row, row + 1);
    emit dataChanged(index(row, 0), index(row + 1, 2));
    saveTimer->start();
    return true;
}

void FunctionsModel::slot_doubleClicked(const QModelIndex& index)
{
    if (index.isValid())
        action_editFunction(index.row(), false);
}

void FunctionsModel::moveCurrent(QAbstractItemView* view, int row)
{
    if (QItemSelectionModel* selection = view->selectionModel())
        selection->setCurrentIndex(index(row, 0), QItemSelectionModel::SelectCurrent | QItemSelectionModel::Rows);
}

bool FunctionsModel::eventFilter(QObject* watched, QEvent* event)
{
    auto* view = qobject_cast<QAbstractItemView*>(watched);
    if (!view)
        return QAbstractTableModel::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        const int row = view->currentIndex().isValid() ? view->currentIndex().row() : -1;
        const bool alt = keyEvent->modifiers() & Qt::AltModifier;
        switch (keyEvent->key()) {
        case Qt::Key_N:
            action_newFunction(Quantity::None);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            action_editFunction(row, false);
            return true;
        case Qt::Key_Delete:
            action_removeFunction(row, false);
            return true;
        case Qt::Key_Up:
            if (!alt)
                break;
            if (action_moveUp(row, false))
                moveCurrent(view, row - 1);
            return true;
        case Qt::Key_Down:
            if (!alt)
                break;
            if (action_moveDown(row, false))
                moveCurrent(view, row + 1);
            return true;
        default:
            break;
        }
        return QAbstractTableModel::eventFilter(watched, event);
    }
    if (event->type() == QEvent::ContextMenu) {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        contextMenu(view, menuEvent->pos());
        return true;
    }
    return QAbstractTableModel::eventFilter(watched, event);
}

void FunctionsModel::contextMenu(QAbstractItemView* view, const QPoint& position)
{
    const QModelIndex at = view->indexAt(view->viewport()->mapFrom(view, position));
    const int row = at.isValid() ? at.row() : -1;
    MyMenu menu(view);
    QAction* edit = nullptr;
    QAction* remove = nullptr;
    if (row >= 0) {
        edit = menu.addAction(QIcon::fromTheme(QStringLiteral("accessories-text-editor")), tr("Edit       -  Enter"));
        remove = menu.addAction(QIcon::fromTheme(QStringLiteral("edit-delete")), tr("Delete     -  Del"));
    }
    QAction* add = menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), tr("New        -  N"));
    menu.addSeparator();
    QAction* up = nullptr;
    QAction* down = nullptr;
    if (action_moveUp(row, true))
        up = menu.addAction(QIcon::fromTheme(QStringLiteral("go-up")), tr("Move up    -  Alt+Up"));
    if (action_moveDown(row, true))
        down = menu.addAction(QIcon::fromTheme(QStringLiteral("go-down")), tr("Move down  -  Alt+Down"));
    QAction* chosen = menu.exec(view->mapToGlobal(position));
    if (!chosen)
        return;
    if (chosen == edit)
        action_editFunction(row, false);
    else if (chosen == remove)
        action_removeFunction(row, false);
    else if (chosen == add)
        action_newFunction(Quantity::None);
    else if (chosen == up)
        action_moveUp(row, false);
    else if (chosen == down)
        action_moveDown(row, false);
}

// ---------------------------------------------------------------- live pass

void FunctionsModel::slot_evaluateFunctions()
{
    const qint64 now = RunChannel::wallClock();
    const qsizetype count = functions.size();
    for (qsizetype i = 0; i < count; ++i)
        functions.at(i)->update(now);
}

void FunctionsModel::slot_updateValueDisplay()
{
    if (functions.isEmpty())
        return;
    emit dataChanged(index(0, 1), index(int(functions.size()) - 1, 1), {Qt::DisplayRole});
}

// ---------------------------------------------------------------- XML

void FunctionsModel::reportError(const QString& text) const
{
    // A recorded run's model may be read in a worker thread: no box there.
    if (isLiveModel())
        Tools::showError(text);
    else
        qDebug().noquote() << text;
}

bool FunctionsModel::keyOfUnreadFile(const QString& key) const
{
    return fileUnreadable && key.startsWith(Function::keyPrefix());
}

void FunctionsModel::keepMalformedFile(const QString& reason)
{
    // The next save would replace the operator's only copy with an empty list.
    const QString badPath = Tools::keepMalformedFile(fileName);
    fileUnreadable = true;
    const bool kept = !badPath.isEmpty();
    qDebug().noquote() << "Functions file" << fileName << "unreadable:" << reason;
    if (kept) {
        Tools::showError(tr("The functions file %1 could not be read (%2).\nIt was kept as %3; no functions were "
                            "loaded.")
                             .arg(fileName, reason, badPath));
    } else {
        saveAllowed = false;
        Tools::showError(tr("The functions file %1 could not be read (%2).\nNo functions were loaded; changes will "
                            "not be saved until the file is repaired or removed.")
                             .arg(fileName, reason));
    }
}

void FunctionsModel::loadFromFile()
{
    fileName = theSettings.settingsDir.filePath(kFileName);
    QFile file(fileName);
    if (file.open(QIODevice::ReadOnly)) {
        const QString text = QString::fromUtf8(file.readAll());
        file.close();
        QDomDocument document;
        QString message;
        int line = 0;
        int column = 0;
        if (document.setContent(text, &message, &line, &column))
            loadFromString(text);
        else
            keepMalformedFile(tr("line %1, column %2: %3").arg(line).arg(column).arg(message));
    }
    updateArgumentPointers();
}

void FunctionsModel::loadFromString(const QString& text)
{
    QDomDocument document;
    if (!document.setContent(text))
        return;
    const QDomNodeList roots = document.childNodes();
    for (int r = 0; r < roots.size(); ++r) {
        const QDomNode root = roots.at(r);
        if (root.nodeName() != QLatin1String("functions"))
            continue;
        for (QDomElement element = root.firstChildElement(QStringLiteral("function")); !element.isNull();
             element = element.nextSiblingElement(QStringLiteral("function"))) {
            auto* function = new Function;
            const QString name = element.attribute(QStringLiteral("name"));
            function->setChildName(name);
            function->equation = element.attribute(QStringLiteral("equation"));
            function->setOperatorFromKey(element.attribute(QStringLiteral("operator")));
            function->shellScript = element.attribute(QStringLiteral("shellScript"));
            bool ok = false;
            const int lock = element.attribute(QStringLiteral("manufacturerLock")).toInt(&ok);
            function->manufacturerLock = ok && lock != 0;

            if (getFunctionsList().contains(name)) {
                reportError(tr("Duplicated function name: ") + name);
                delete function;
                continue;
            }
            for (QDomElement argument = element.firstChildElement(QStringLiteral("argument")); !argument.isNull();
                 argument = argument.nextSiblingElement(QStringLiteral("argument"))) {
                const int id = argument.attribute(QStringLiteral("id")).toInt(&ok);
                if (ok && id >= 0 && id < function->arguments.size())
                    function->arguments.at(id)->parseDomElement(&argument);
            }
            const QDomElement setupElement = element.firstChildElement(QStringLiteral("variableSetup"));
            if (!setupElement.isNull())
                function->setup->parseChannelDomElement(&setupElement);
            connectSaveRequests(function);
            addFunction(function);
        }
    }
}

QString FunctionsModel::setupToString() const
{
    QString text;
    QXmlStreamWriter writer(&text);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(1);
    writer.writeStartElement(QStringLiteral("functions"));
    for (const Function* function : functions) {
        writer.writeStartElement(QStringLiteral("function"));
        writer.writeAttribute(QStringLiteral("name"), function->getChildName());
        writer.writeAttribute(QStringLiteral("operator"), function->getOperatorKey());
        writer.writeAttribute(QStringLiteral("equation"), function->equation);
        writer.writeAttribute(QStringLiteral("shellScript"), function->shellScript);
        writer.writeAttribute(QStringLiteral("manufacturerLock"), function->manufacturerLock ? QStringLiteral("1")
                                                                                              : QStringLiteral("0"));
        for (int i = 0; i < function->arguments.size(); ++i) {
            writer.writeEmptyElement(QStringLiteral("argument"));
            writer.writeAttribute(QStringLiteral("id"), QString::number(i));
            for (const auto& attribute : function->arguments.at(i)->xmlAttributes())
                writer.writeAttribute(attribute.first, attribute.second);
        }
        writer.writeStartElement(QStringLiteral("variableSetup"));
        function->setup->writeSetupToXmlStream(writer);
        writer.writeEndElement();
        writer.writeEndElement();
    }
    writer.writeEndElement();
    writer.writeEndDocument();
    // The writer opens with a line break of its own; the file starts with its root.
    if (text.startsWith(QLatin1Char('\n')))
        text.remove(0, 1);
    return text;
}

void FunctionsModel::slot_saveToFile()
{
    if (fileName.isEmpty() || !saveAllowed) {
        qDebug() << "Error writing functions.xml file";
        return;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        qDebug() << "Error writing functions.xml file";
        return;
    }
    file.write(setupToString().toUtf8());
    if (!file.commit())
        qDebug() << "Error writing functions.xml file";
}

// ---------------------------------------------------------------- recorded runs

void FunctionsModel::calculateFunctionsForRunData(AbstractRunData* run)
{
    const VectorChannel* timeVector = run->getMainTimeVector();
    const int n = timeVector ? int(timeVector->rawSamples().size()) : 0;
    const double rate = timeVector ? timeVector->samplingRate : 0.0;
    const double period = 1.0 / rate;

    QList<VectorChannel*> vectors;
    QList<QList<double>*> samples;
    vectors.reserve(functions.size());
    samples.reserve(functions.size());
    for (Function* function : std::as_const(functions)) {
        const QString key = function->generateVectorChannelKey(-1, QString(), function->setup->quantity);
        auto* vector = new VectorChannel(rate, ChannelSetup::FlagFunction, key, function->setup, timeVector);
        QList<double>* data = vector->getRawData();
        data->fill(0.0, n);
        vectors.append(vector);
        samples.append(data);
    }

    RecalculationView view(run, vectors);
    for (Function* function : std::as_const(functions))
        function->initForRunDataCalculation(&view);

    const qsizetype count = functions.size();
    if (n > 0) {
        for (qsizetype f = 0; f < count; ++f)
            (*samples[f])[0] = functions.at(f)->getValue();
        for (int i = 1; i < n; ++i) {
            for (qsizetype f = 0; f < count; ++f)
                (*samples[f])[i] = samples[f]->at(i - 1);
            const qint64 t = qint64((double(i) * period) * 1000.0);
            for (qsizetype f = 0; f < count; ++f)
                (*samples[f])[i] = functions.at(f)->updateFromRunData(t, i);
        }
    }
    run->setVectorGroup(ChannelId_functions, vectors);
}
