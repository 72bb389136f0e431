#include "IconButton.h"

#include "DialogAnswerer.h"
#include "Icons.h"
#include "MyMenu.h"

#include <QDialog>
#include <QListWidget>
#include <QVBoxLayout>

namespace {
constexpr int kIconSide = 128;
}

IconButton::IconButton(QWidget* parent)
    : QPushButton(parent)
{
    setIconSize(QSize(kIconSide, kIconSide));
    setMinimumHeight(kIconSide);
    connect(this, &QPushButton::clicked, this, &IconButton::slot_changeIcon);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &IconButton::slot_contextMenuRequested);
    setAutoDefault(false);
}

void IconButton::setIconFromName(const QString& name)
{
    iconName = name;
    setIcon(theIcons.userIcons.value(name));
    Q_EMIT signal_iconNameChanged(name);
    Q_EMIT signal_iconChanged(icon());
}

void IconButton::slot_changeIcon()
{
    QDialog dialog(nullptr);
    dialog.setWindowTitle(tr("Select icon with double click"));
    dialog.setFixedSize(150, 700);
    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* list = new QListWidget(&dialog);
    list->setIconSize(QSize(kIconSide, kIconSide));
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (auto it = theIcons.userIcons.constBegin(); it != theIcons.userIcons.constEnd(); ++it)
        list->addItem(new QListWidgetItem(it.value(), it.key()));
    layout->addWidget(list);
    connect(list, &QListWidget::itemDoubleClicked, this, &IconButton::slot_newIconSelected);
    picker = &dialog;
    DialogAnswerer::exec(&dialog);
    picker = nullptr;
}

void IconButton::slot_newIconSelected(QListWidgetItem* iconItem)
{
    setIconFromName(iconItem->text());
    if (picker)
        picker->accept();
}

void IconButton::slot_contextMenuRequested(const QPoint& pos)
{
    MyMenu menu(this);
    QAction* clear = menu.addAction(QIcon::fromTheme(QStringLiteral("edit-clear")), tr("Clear"));
    if (menu.exec(mapToGlobal(pos)) == clear)
        setIconFromName(QString());
}
