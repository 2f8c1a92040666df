#include <QApplication>
#include <QIcon>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The ":/" prefix reads from the resources compiled into the executable.
    const QIcon logo(QStringLiteral(":/icons/logo.svg"));
    app.setWindowIcon(logo);
    QLabel anzeige;
    anzeige.setPixmap(logo.pixmap(128, 128));
    anzeige.show();
    return app.exec();
}
