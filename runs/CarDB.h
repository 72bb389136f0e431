#pragma once

#include "ProjectListFieldId.h"

#include <QDialog>
#include <QMap>
#include <QPointer>
#include <QSqlDatabase>
#include <QUrl>
#include <QVariant>

class CarDBComboBox;
class QLabel;
class QNetworkAccessManager;
class QNetworkReply;
class QTableWidget;
class TableEditor;

// Fills the vehicle and engine fields of the project being edited from the
// online car database: the login page hands out the database account, then a
// cascade of boxes (vehicle type, make, model, generation, series, trim) walks
// the car or the motorcycle database down to a trim, whose specification is
// shown raw and translated into project fields in SI units.
// The constructor runs the dialog modally.
class CarDB : public QDialog
{
    Q_OBJECT
public:
    CarDB(TableEditor* editor, QWidget* parent);
    ~CarDB() override;

    // The service: ZEMBO_CARDB_BASE_URL, else the maker's host over HTTPS;
    // the MySQL port ZEMBO_CARDB_MYSQL_PORT, else 3306 on the same host.
    static QUrl serviceBaseUrl();
    static int mysqlPort();
    // The program's network access manager (not owned); a private one when unset.
    static void setNetworkAccessManager(QNetworkAccessManager* manager);

    // The trim's specification as project field values in SI units. Texts that
    // are no number leave their field out.
    static QMap<ProjectListFieldId, QVariant> parseSpecification(bool motorcycle, const QString& make,
                                                                 const QString& model, const QString& generation,
                                                                 const QString& series, const QString& trim,
                                                                 const QMap<int, QString>& values);
    // A generation's item text: "[2015 - ] Mk4".
    static QString generationText(const QVariant& yearBegin, const QVariant& yearEnd, const QString& name);
    // The login reply is at most this long.
    static constexpr qint64 kMaxLoginReply = 4096;

    void setStatus(const QString& text);
    void fatalError(const QString& text);
    void getSpecificationDescriptor();
    void parseSpecification();

    QString loginUser;
    QString loginPassword;
    QString carDatabaseName;
    QString motoDatabaseName;
    CarDBComboBox* vehicleTypeBox = nullptr;
    CarDBComboBox* makeBox = nullptr;
    CarDBComboBox* modelBox = nullptr;
    CarDBComboBox* generationBox = nullptr;
    CarDBComboBox* seriesBox = nullptr;
    CarDBComboBox* trimBox = nullptr;
    QPointer<QNetworkReply> loginReply;
    QSqlDatabase carDb;
    QSqlDatabase motoDb;
    QSqlDatabase* currentDb = nullptr;
    QMap<int, QString> specificationNames;
    QMap<int, QString> specificationValues;
    QMap<ProjectListFieldId, QVariant> parsedSpecification;
    QTableWidget* specificationTable = nullptr;
    QTableWidget* parsedTable = nullptr;
    TableEditor* editor = nullptr;
    QLabel* statusLabel = nullptr;
    // The login reply outgrew kMaxLoginReply and was stopped.
    bool loginReplyTooLong = false;

public Q_SLOTS:
    void slot_vehicleType();
    void slot_make();
    void slot_model();
    void slot_generation();
    void slot_series();
    void slot_trim();
    void slot_loginDataReplyFinished();
    void slot_applyParsedSpec();

private:
    bool openDatabase(QSqlDatabase& db, const QString& connection, const QString& name, const QString& status,
                      const QString& failure);
    // Clears the boxes below `box` (and disables them).
    void clearBelow(CarDBComboBox* box);
    // Fills `box` with the rows (id, text) of a statement with bound ids.
    void fillBox(CarDBComboBox* box, const QString& statement, const QList<int>& ids, const QString& placeholder,
                 bool generations);
    static int selectedId(const CarDBComboBox* box);
};
