#pragma once

#include <QWidget>

class QDate;
class QLabel;
class QPushButton;

// The SETTINGS page "Access control": sets, removes and enters the settings
// password. Only its double MD5 is stored ("ACM/key"); a stored hash or the
// maker's per-model script locks the settings at start. The maker's master
// PIN, derived from the date, opens them whatever the password.
class AccessControlWidget : public QWidget
{
    Q_OBJECT
public:
    explicit AccessControlWidget(QWidget* parent = nullptr);
    void init();
    void masterUnlock();
    // True when the password was refused (or nothing was entered).
    bool askForPassword();
    static QString generateHash(const QString& password);

    int tries = 5;
    QLabel* label_status = nullptr;
    QPushButton* pushButton_enable = nullptr;
    QPushButton* pushButton_disable = nullptr;
    QPushButton* pushButton_unlock = nullptr;

public Q_SLOTS:
    void slot_enable();
    void slot_disable();
    void slot_unlock();

private:
    friend class TestAccessControl;
    // The only place the master PIN's rule lives.
    static int masterPin(const QDate& date);
    // The text-input box; false on Cancel.
    static bool askText(QWidget* parent, const QString& title, const QString& label, bool hidden, QString* text);
};
