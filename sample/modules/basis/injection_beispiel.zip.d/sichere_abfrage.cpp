// Looks customers up by name with a bound value: the name can hold quotes,
// semicolons or SQL keywords without ever becoming part of the statement.
#include <QCoreApplication>
#include <QDebug>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(QStringLiteral("kunden.db"));
    if (!db.open()) {
        qWarning() << db.lastError().text();
        return 1;
    }
    const QString name = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("O'Brien");

    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT id, ort FROM kunde WHERE name = ?"));
    query.addBindValue(name);
    if (!query.exec()) {
        qWarning() << query.lastError().text();
        return 1;
    }
    while (query.next())
        qInfo() << query.value(0).toInt() << query.value(1).toString();
    return 0;
}
