#pragma once

#include <QMap>
#include <QPixmap>
#include <QPrintPreviewDialog>
#include <QString>

class ComparePlot;
class LineEditWithHistory;
class QCustomPlot;
class QPushButton;
class QTextEdit;
class QTextDocument;
class QToolButton;

// The report's print preview: holds the report document while the template
// interpreter builds it, lays it out in pages on any printer (the preview, a
// real printer, a PDF file), and adds saving as PNG and mailing as PDF.
class PrintDialog : public QPrintPreviewDialog
{
    Q_OBJECT
public:
    PrintDialog(QPrinter* printer, QWidget* parent);
    ~PrintDialog() override;

    // ---- building the document (the interpreter)
    void insertHtml(const QString& html);
    void flushHtmlBuffer();
    void insertPageBreak();
    void insertImage(const QImage& image, const QSize& sizeMm, int dpi);
    void insertPlot(ComparePlot* plot, const QSize& sizeMm, int dpi);
    void insertColorMap(QCustomPlot* plot, const QSize& sizeMm, int dpi);
    void insertBackgroundImage(QImage& image, int page);
    void clear();

    // ---- output
    void print(QPrinter* printer);
    QImage printToImage(int resolution);
    // The PDF's path, or empty when it could not be written.
    QString printToTmpPdf();

    // The pixel size of a size in millimetres at a dpi, and the factor a plot
    // is rasterised with so that it keeps its looks at about 600 dpi.
    static QSize pixelSize(const QSize& sizeMm, int dpi);
    static int plotScale(int dpi);

    QTextDocument* document() const;
    const QMap<int, QPixmap>& backgrounds() const { return pageBackgrounds; }
    const QString& pendingHtml() const { return htmlBuffer; }

    QToolButton* toolButton_saveImage = nullptr;
    LineEditWithHistory* customerEmail = nullptr;
    QPushButton* pushButton_emailCustomer = nullptr;
    QPushButton* pushButton_emailYourself = nullptr;

Q_SIGNALS:
    void signal_closeEvent();

public Q_SLOTS:
    void slot_sendEmailCustomer();
    void slot_sendEmailYourself();
    void slot_customerEmailChanged(const QString& email);
    void slot_printToImage();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPrinter* reportPrinter = nullptr;
    QString htmlBuffer;
    QMap<int, QPixmap> pageBackgrounds;
    QTextEdit* editor = nullptr;
    int pictureCount = 0;
};
