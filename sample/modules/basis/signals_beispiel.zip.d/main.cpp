#include "zaehler.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget fenster;
    auto *layout = new QVBoxLayout(&fenster);
    auto *anzeige = new QLabel(QStringLiteral("0"));
    auto *knopf = new QPushButton(QStringLiteral("Weiter"));
    layout->addWidget(anzeige);
    layout->addWidget(knopf);

    Zaehler zaehler;
    QObject::connect(knopf, &QPushButton::clicked, &zaehler, &Zaehler::erhoehe);
    QObject::connect(
        &zaehler, &Zaehler::wertGeaendert, anzeige, [anzeige](int wert) { anzeige->setNum(wert); });

    fenster.show();
    return app.exec();
}
