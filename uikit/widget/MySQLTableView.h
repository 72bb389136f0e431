#pragma once

#include "SearchTableViewBase.h"

class CustomSqlTableModel;

// The searchable table of a project or run table model. Columns follow the
// model's field descriptors (hidden in table, internal); the view's events go
// straight to the model's view-event slots. The owner names the view before it
// binds it to the settings (connectMyTableView).
class MySQLTableView : public SearchTableViewBase
{
    Q_OBJECT
public:
    explicit MySQLTableView(QWidget* parent = nullptr);

    void setModel(CustomSqlTableModel* model);
    CustomSqlTableModel* model() const { return sqlModel; }

public Q_SLOTS:
    void slot_descriptorChanged(int column);

Q_SIGNALS:
    void signal_keyEvent(const QList<int>& rows, int key);

protected:
    void reportKey(int key, Qt::KeyboardModifiers modifiers) override;

private:
    CustomSqlTableModel* sqlModel = nullptr;
};
