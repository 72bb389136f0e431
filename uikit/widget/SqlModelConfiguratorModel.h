#pragma once

#include <QAbstractTableModel>
#include <QString>

class CustomSqlTableModel;

// The field settings of a CustomSqlTableModel as a table: one row per field
// (row = field id), five columns (visibility in table and in editor, default
// value, unit, decimals). It keeps no copy: it reads and writes the field
// descriptors, announces every change through the configured model and keeps
// the settings in an XML file in the configuration folder.
class SqlModelConfiguratorModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { VisibilityInTable = 0, VisibilityInEditor = 1, DefaultValue = 2, UnitColumn = 3, Decimals = 4 };

    SqlModelConfiguratorModel(QObject* parent, CustomSqlTableModel* configuredModel);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Reads userFile, or defaultFile (a resource) when there is none; later
    // saves go to userFile.
    void loadConfigurationFromFile(const QString& userFile, const QString& defaultFile);
    QString configurationFileName() const { return fileName; }

public Q_SLOTS:
    void slot_saveConfigurationToFile();

private:
    bool applyFile(const QString& path, bool userFile);

    CustomSqlTableModel* configured = nullptr;
    QString fileName;
};
