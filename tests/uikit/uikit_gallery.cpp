// Shows the toolkit's widget gallery. With a file name as argument it saves a
// picture of the page there and quits (for a look under a real X server).
#include "Colors.h"
#include "Fonts.h"
#include "Icons.h"
#include "Units.h"
#include "WidgetGallery.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    theColors.init();
    theFonts.init();
    theUnits.init();
    theIcons.init();
    WidgetGallery gallery;
    // At the size the page asks for: the check is about the widgets, not a small screen.
    gallery.resize(gallery.sizeHint());
    gallery.show();
    if (argc > 1) {
        const QString file = QString::fromLocal8Bit(argv[1]);
        QTimer::singleShot(800, &gallery, [&gallery, file] {
            QApplication::exit(gallery.grab().save(file) ? 0 : 1);
        });
    }
    return app.exec();
}
