#pragma once

#include <QWidget>

class QLineEdit;

// A CAN identifier in hexadecimal and decimal side by side; each field follows
// the other. Identifiers above 29 bits (0x1FFFFFFF) are refused.
class CanIdLineEdit : public QWidget
{
    Q_OBJECT
public:
    explicit CanIdLineEdit(QWidget* parent = nullptr);

    void setReadOnly(bool readOnly);
    // Shows the identifier and announces it once; the current identifier, or
    // one outside 0..0x1FFFFFFF, changes nothing.
    void setCanId(int id);

    static constexpr int kLargestId = 0x1FFFFFFF;

public Q_SLOTS:
    void slot_hexEditChanged(const QString& text);
    void slot_decEditChanged(const QString& text);

Q_SIGNALS:
    void signal_canIdChanged(int id);

private:
    int id = -1;
    QLineEdit* hexEdit = nullptr;
    QLineEdit* decEdit = nullptr;
};
