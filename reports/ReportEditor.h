#pragma once

#include <QDir>
#include <QList>
#include <QString>
#include <QWidget>

class PrintDialog;
class QComboBox;
class QMenu;
class QPrinter;
class QPushButton;
class QTextEdit;

// The SETTINGS page "Report editor": owns the report folder and its stock
// templates, edits a template's HTML, and prints through the preview, whose
// page requests run the template interpreter (slot_fillPrinterDialog).
class ReportEditor : public QWidget
{
    Q_OBJECT
public:
    explicit ReportEditor(QWidget* parent = nullptr);
    ~ReportEditor() override;

    QStringList listReportTemplates() const;
    void populateMenu(QMenu* menu);
    QString getCurrentTemplateName() const;
    QString filePath_portrait(const QString& name) const;
    QString filePath_landscape(const QString& name) const;
    bool isStockTemplate() const;
    void copyResources(const QList<QString>& files);

    // The interpreter on one template file into a preview dialog; what
    // slot_fillPrinterDialog runs for its sender.
    void fillReport(PrintDialog* dialog, QPrinter* printer);
    // The template's HTML interpreted for a printer of the given orientation
    // (tests and tools: the dialog is made and kept by the caller).
    template<class T> T* getWidgetForPrint(int printId, const QString& command);

    QDir reportDir;
    QComboBox* comboBox_settings_printTemplate = nullptr;
    QComboBox* comboBox_settings_printOrientation = nullptr;
    QPushButton* pushButton_save = nullptr;
    QPushButton* pushButton_add = nullptr;
    QPushButton* pushButton_rename = nullptr;
    QPushButton* pushButton_delete = nullptr;
    QPushButton* pushButton_loadDefault = nullptr;
    QPushButton* pushButton_insertItem = nullptr;
    QPushButton* pushButton_preview = nullptr;
    QTextEdit* editor = nullptr;
    int printCount = 0;

public Q_SLOTS:
    void slot_updateEditorContent();
    void slot_save();
    void slot_addNew();
    void slot_rename();
    void slot_delete();
    void slot_loadDefault();
    void slot_insertItem();
    void slot_preview();
    void slot_fillPrinterDialog(QPrinter* printer);
    void slot_print();
};
