// The CAN inputs page's operations on the model: editing, creating,
// duplicating, removing, exporting and moving rows, and the keys, menu and
// double click of its table.
#include "CanInputsModel.h"

#include "CANMonitor.h"
#include "CanInput.h"
#include "CanInputDialog.h"
#include "HwInfo.h"
#include "MyMenu.h"
#include "NetworkFileBrowser.h"
#include "PathSaver.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QDialog>
#include <QDomDocument>
#include <QHash>
#include <QIcon>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

QString CanInputsModel::setupToString(const QList<int>& rows) const
{
    QDomDocument document;
    QDomElement root = document.createElement(QStringLiteral("canInputs"));
    document.appendChild(root);
    for (int row : rows) {
        if (row < 0 || row >= inputs.size())
            continue;
        QDomElement element = document.createElement(QStringLiteral("canInput"));
        inputs.at(row)->writeSetupToDomElement(&element);
        root.appendChild(element);
    }
    return document.toString(1);
}

bool CanInputsModel::action_editInput(int row, bool checkOnly)
{
    if (row < 0 || row >= inputs.size())
        return false;
    if (checkOnly)
        return true;
    CanInput* input = inputs.at(row);
    CanInputDialog dialog(nullptr, input);
    QStringList names = listInputNames();
    names.removeAt(row);
    dialog.existingNames = names;
    if (DialogAnswerer::exec(&dialog) == QDialog::Accepted) {
        emit dataChanged(index(row, 0), index(row, columnTotal - 1));
        if (saveTimer)
            saveTimer->start();
    }
    return true;
}

void CanInputsModel::action_newInput()
{
    auto input = std::make_unique<CanInput>();
    CanInputDialog dialog(nullptr, input.get());
    dialog.existingNames = listInputNames();
    if (DialogAnswerer::exec(&dialog) != QDialog::Accepted)
        return;
    addInput(input.release());
    rebuildParsingMap();
    if (saveTimer)
        saveTimer->start();
}

void CanInputsModel::addInputFromGenerator(CanInput* generated, const QString& name)
{
    std::unique_ptr<CanInput> input(generated);
    input->setChildName(Tools::generateUniqueName(listInputNames(), name));
    CanInputDialog dialog(nullptr, input.get());
    dialog.existingNames = listInputNames();
    if (DialogAnswerer::exec(&dialog) != QDialog::Accepted)
        return;
    addInput(input.release());
    rebuildParsingMap();
    if (saveTimer)
        saveTimer->start();
}

void CanInputsModel::action_duplicate(const QList<int>& rows)
{
    bool added = false;
    for (int row : rows) {
        if (row < 0 || row >= inputs.size())
            continue;
        CanInput* source = inputs.at(row);
        auto* copy = new CanInput(source);
        copy->setChildName(Tools::generateUniqueName(listInputNames(), source->getChildName()));
        addInput(copy);
        added = true;
    }
    if (!added)
        return;
    rebuildParsingMap();
    if (saveTimer)
        saveTimer->start();
}

void CanInputsModel::action_removeInputs(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : std::as_const(rows)) {
        if (row < 0 || row >= inputs.size())
            continue;
        if (inputs.at(row)->confirmChannelRemoval())
            continue;
        removeRows(row, 1);
        if (saveTimer)
            saveTimer->start();
    }
}

bool CanInputsModel::exportToFile(const QList<int>& rows, const QString& path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(setupToString(rows).toUtf8());
    return file.commit();
}

void CanInputsModel::action_export(const QList<int>& rows)
{
    const QString path =
        thePathSaver.getSaveFileName(Path::saveXml, tr("Export CAN inputs setup"), QStringLiteral("canInputs.xml"));
    if (path.isEmpty())
        return;
    if (!exportToFile(rows, path))
        Tools::showError(tr("Error opening output file"));
}

bool CanInputsModel::action_moveUp(int row, bool checkOnly)
{
    if (row < 1 || row >= inputs.size())
        return false;
    if (checkOnly)
        return true;
    inputs.swapItemsAt(row, row - 1);
    emit dataChanged(index(row - 1, 0), index(row, columnTotal - 1));
    rebuildParsingMap();
    if (saveTimer)
        saveTimer->start();
    return true;
}

bool CanInputsModel::action_moveDown(int row, bool checkOnly)
{
    if (row < 0 || row >= inputs.size() - 1)
        return false;
    if (checkOnly)
        return true;
    inputs.swapItemsAt(row, row + 1);
    emit dataChanged(index(row, 0), index(row + 1, columnTotal - 1));
    rebuildParsingMap();
    if (saveTimer)
        saveTimer->start();
    return true;
}

void CanInputsModel::action_importServer()
{
    const QString folder = QStringLiteral("caninputs");
    NetworkFileBrowser browser(NetworkFileBrowser::listAddress(folder), NetworkFileBrowser::fileAddress(folder),
                               QStringLiteral("xml"), nullptr);
    if (!browser.fileContent.isEmpty())
        loadFromString(browser.fileContent);
}

void CanInputsModel::slot_keyEvent(const QList<int>& rows, int row, int key, int modifiers)
{
    const bool alt = (modifiers & Qt::AltModifier) != 0;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        action_editInput(row, false);
        break;
    case Qt::Key_D:
        action_duplicate(rows);
        break;
    case Qt::Key_N:
        action_newInput();
        break;
    case Qt::Key_Delete:
        action_removeInputs(rows);
        break;
    case Qt::Key_Up:
        if (alt && action_moveUp(row, false))
            emit signal_selectRow(row - 1);
        break;
    case Qt::Key_Down:
        if (alt && action_moveDown(row, false))
            emit signal_selectRow(row + 1);
        break;
    default:
        break;
    }
}

void CanInputsModel::slot_doubleClickEvent(int row)
{
    action_editInput(row, false);
}

void CanInputsModel::slot_contextMenuEvent(const QList<int>& selected, int column, const QPoint& position)
{
    Q_UNUSED(column);
    QList<int> rows = selected;
    std::sort(rows.begin(), rows.end());
    const int row = rows.isEmpty() ? -1 : rows.first();
    MyMenu menu;
    QHash<QAction*, std::function<void()>> handlers;
    auto add = [&](const QString& icon, const QString& text, std::function<void()> handler) {
        QAction* action = icon.isEmpty() ? menu.addAction(text) : menu.addAction(QIcon::fromTheme(icon), text);
        handlers.insert(action, std::move(handler));
    };
    if (action_editInput(row, true))
        add(QStringLiteral("accessories-text-editor"), tr("Edit       -  Enter"), [this, row] { action_editInput(row, false); });
    if (!rows.isEmpty()) {
        add(QStringLiteral("edit-delete"), tr("Delete     -  Del"), [this, rows] { action_removeInputs(rows); });
        add(QStringLiteral("edit-copy"), tr("Duplicate  -  D"), [this, rows] { action_duplicate(rows); });
    }
    add(QStringLiteral("list-add"), tr("New        -  N"), [this] { action_newInput(); });
    menu.addSeparator();
    if (action_moveUp(row, true))
        add(QStringLiteral("go-up"), tr("Move up    -  Alt+Up"), [this, row] { action_moveUp(row, false); });
    if (action_moveDown(row, true))
        add(QStringLiteral("go-down"), tr("Move down  -  Alt+Down"), [this, row] { action_moveDown(row, false); });
    menu.addSeparator();
    add(QStringLiteral("utilities-system-monitor"), tr("Show CAN monitor"), [] { CANMonitor::openModal(nullptr); });
    menu.addSeparator();
    if (!rows.isEmpty()) {
        if (!theHwInfo.liteVariant)
            add(QString(), tr("Swap channel"), [this, rows] { action_swapChannel(rows); });
        add(QString(), tr("J1939 change source address"), [this, rows] { action_j1939ChangeSourceAddress(rows); });
        menu.addSeparator();
    }
    add(QString(), tr("Import file"), [this] { action_import(); });
    add(QString(), tr("Import from server"), [this] { action_importServer(); });
    add(QString(), tr("Import Ecumaster .canx"), [this] { action_importCANX(); });
    add(QString(), tr("Import .DBC file"), [this] { action_importDBC(); });
    add(QString(), tr("Simulate Ecumaster .trace"), [this] { action_simulateTrace(); });
    if (!rows.isEmpty())
        add(QString(), tr("Export"), [this, rows] { action_export(rows); });
    QAction* chosen = DialogAnswerer::execMenu(&menu, position);
    if (chosen && handlers.contains(chosen))
        handlers.value(chosen)();
}
