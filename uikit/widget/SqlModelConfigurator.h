#pragma once

#include <QTableView>

class CustomSqlTableModel;
class MultiSqlDelegate;
class SpinBoxDelegate;
class SqlModelConfiguratorModel;
class UnitDelegate;

// The settings page's table of the fields of a project or run table model:
// visibility in table and editor, default value, unit and decimals per field.
class SqlModelConfigurator : public QTableView
{
    Q_OBJECT
public:
    explicit SqlModelConfigurator(QWidget* parent = nullptr);

    void setSqlModel(CustomSqlTableModel* model);
    void loadConfigurationFromFile(const QString& userFile, const QString& defaultFile);
    SqlModelConfiguratorModel* configuratorModel() const { return configurator; }

public Q_SLOTS:
    void slot_currentCellChanged(const QModelIndex& current, const QModelIndex& previous);
    void slot_doubleClickedHandler(const QModelIndex& index);

private:
    CustomSqlTableModel* configured = nullptr;
    SqlModelConfiguratorModel* configurator = nullptr;
    MultiSqlDelegate* defaultValueDelegate = nullptr;
    UnitDelegate* unitDelegate = nullptr;
    SpinBoxDelegate* decimalsDelegate = nullptr;
};
