#include "app/desktopseam.h"
#include "app/errorreport.h"
#include "app/mainwindow.h"
#include "widgets/imagelist.h"

int main(int argc, char *argv[])
{
    tv::TipvaultApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tipvault"));
    QApplication::setWindowIcon(tv::pagePicture(QStringLiteral("Archiv")));
    tv::DesktopSeam seam;
    tv::setSeam(&seam);

    int code = 0;
    tv::guarded([&] {
        tv::TForm1 window;
        if (!window.FormCreate())
            return; // an incomplete catalogue ends the program with 0
        window.show();
        code = QApplication::exec();
    });
    tv::setSeam(nullptr);
    return code;
}
