#pragma once

#include <QComboBox>

// A box of the car-database cascade: the cursor and paging keys never change
// its item, so moving through the dialog by keyboard does not start queries.
class CarDBComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit CarDBComboBox(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
