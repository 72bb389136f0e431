// Prints a small page through the program's print path into the folder given
// as the argument, accepting the print dialog as it comes, and writes the PDF's
// path to standard output.
#include "DialogAnswerer.h"
#include "MySettings.h"
#include "PathSaver.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPrintDialog>
#include <QTextStream>
#include <QVBoxLayout>

namespace {

class AcceptPrintDialog : public DialogAnswerer
{
public:
    int answer(QDialog* dialog) override
    {
        return qobject_cast<QPrintDialog*>(dialog) ? QDialog::Accepted : QDialog::Rejected;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: print_pdf_writer <folder>\n";
        return 2;
    }
    AcceptPrintDialog answerer;
    DialogAnswerer::install(&answerer);
    theSettings.setValue(QStringLiteral("path/savePdf"), QString::fromLocal8Bit(argv[1]));

    QWidget page;
    auto* layout = new QVBoxLayout(&page);
    layout->addWidget(new QLabel(QStringLiteral("Power 120.5 kW at 6200 rpm")));
    page.resize(800, 600);
    thePathSaver.savePrint(&page, QStringLiteral("report"));

    const QString written = thePathSaver.getPath(Path::savePdf) + QStringLiteral("/report.pdf");
    QTextStream(stdout) << written << '\n';
    DialogAnswerer::install(nullptr);
    return 0;
}
