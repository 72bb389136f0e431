#pragma once

#include "SearchTableViewBase.h"

class QAbstractTableModel;

// A searchable table of an in-memory model (channel setups, CAN inputs, ...).
// Its header state is kept in the settings under the view's name + "_header".
class MyTableView : public SearchTableViewBase
{
    Q_OBJECT
public:
    MyTableView(QWidget* parent, const QString& name);

    void setModel(QAbstractTableModel* model);

Q_SIGNALS:
    void signal_keyEvent(const QList<int>& selectedRows, int currentIndex, int key, int modifiers);

protected:
    void reportKey(int key, Qt::KeyboardModifiers modifiers) override;
};
