#include "AccessControlWidget.h"

#include "AccessControlManager.h"
#include "MySettings.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QCryptographicHash>
#include <QDate>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char* const hashKey = "ACM/key";

} // namespace

AccessControlWidget::AccessControlWidget(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    label_status = new QLabel(tr("Status: Disabled"), this);
    label_status->setFrameShape(QFrame::Box);
    pushButton_enable = new QPushButton(tr("Enable"), this);
    pushButton_disable = new QPushButton(tr("Disable"), this);
    pushButton_unlock = new QPushButton(tr("Unlock"), this);
    pushButton_disable->setEnabled(false);
    pushButton_unlock->setEnabled(false);
    layout->addWidget(label_status);
    layout->addWidget(pushButton_enable);
    layout->addWidget(pushButton_disable);
    layout->addWidget(pushButton_unlock);
    layout->addStretch(1);
    connect(pushButton_enable, &QPushButton::clicked, this, &AccessControlWidget::slot_enable);
    connect(pushButton_disable, &QPushButton::clicked, this, &AccessControlWidget::slot_disable);
    connect(pushButton_unlock, &QPushButton::clicked, this, &AccessControlWidget::slot_unlock);
}

void AccessControlWidget::init()
{
    if (!theSettings.contains(QStringLiteral("script")) && !theSettings.contains(QLatin1String(hashKey)))
        return;
    theACM.lock();
    label_status->setText(tr("Status: Locked"));
    pushButton_enable->setEnabled(false);
    pushButton_disable->setEnabled(true);
    pushButton_unlock->setEnabled(true);
}

QString AccessControlWidget::generateHash(const QString& password)
{
    // Twice on purpose: hashes stored by earlier versions are of this form.
    const QByteArray inner = QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Md5);
    return QString::fromLatin1(QCryptographicHash::hash(inner, QCryptographicHash::Md5).toHex());
}

int AccessControlWidget::masterPin(const QDate& date)
{
    return (date.day() * 173 + date.month() * 311 + 4099) % 10000;
}

bool AccessControlWidget::askText(
    QWidget* parent, const QString& title, const QString& label, bool hidden, QString* text)
{
    QInputDialog dialog(parent);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setTextEchoMode(hidden ? QLineEdit::Password : QLineEdit::Normal);
    dialog.setTextValue(QString());
    if (DialogAnswerer::exec(&dialog) != QDialog::Accepted)
        return false;
    *text = dialog.textValue();
    return true;
}

bool AccessControlWidget::askForPassword()
{
    QString text;
    if (!askText(this, tr("Enter password"), tr("Enter password"), true, &text) || text.isEmpty())
        return true;
    if (tries < 1) {
        Tools::showError(tr("Exceeded number of password tries"));
        return true;
    }
    if (generateHash(text) != theSettings.value(QLatin1String(hashKey), QString()).toString()) {
        --tries;
        Tools::showError(tr("Invalid password"));
        return true;
    }
    return false;
}

void AccessControlWidget::slot_enable()
{
    QString text;
    if (!askText(this, tr("Enter new password"), tr("Enter new password to protect settings"), false, &text)
        || text.isEmpty())
        return;
    theSettings.setValue(QLatin1String(hashKey), generateHash(text));
    // Marks the protected pages, then opens them again at once.
    theACM.lock();
    theACM.unlock();
    label_status->setText(tr("Status: Enabled, unlocked"));
    pushButton_enable->setEnabled(false);
    pushButton_unlock->setEnabled(false);
}

void AccessControlWidget::slot_unlock()
{
    if (askForPassword())
        return;
    theACM.unlock();
    label_status->setText(tr("Status: Enabled, unlocked"));
    pushButton_unlock->setEnabled(false);
}

void AccessControlWidget::slot_disable()
{
    if (askForPassword())
        return;
    theSettings.remove(QLatin1String(hashKey));
    theACM.unlock();
    label_status->setText(tr("Status: Disabled"));
    pushButton_disable->setEnabled(false);
    pushButton_unlock->setEnabled(false);
}

void AccessControlWidget::masterUnlock()
{
    QString text;
    if (!askText(this, tr("PIN"), tr("Enter PIN"), true, &text))
        return;
    bool ok = false;
    const int entered = text.trimmed().toInt(&ok);
    if (!ok || entered != masterPin(QDate::currentDate()))
        return;
    theACM.unlock();
    label_status->setText(tr("Status: Enabled, unlocked"));
    pushButton_unlock->setEnabled(false);
}
