// Moves money between two accounts inside one transaction. The CHECK
// constraint rejects an overdraft; the guard then rolls both bookings back.
#include <QCoreApplication>
#include <QDebug>
#include <QSqlDatabase>
#include <QSqlQuery>

// Rolls back unless commit() succeeded, also when an exception leaves the block.
class Transaktion
{
public:
    explicit Transaktion(QSqlDatabase db)
        : m_db(db)
        , m_offen(m_db.transaction())
    {
    }
    ~Transaktion()
    {
        if (m_offen)
            m_db.rollback();
    }
    bool commit()
    {
        if (m_offen && m_db.commit())
            m_offen = false;
        return !m_offen;
    }

private:
    QSqlDatabase m_db;
    bool m_offen;
};

static bool buche(int konto, int cent)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("UPDATE konto SET saldo = saldo + ? WHERE nummer = ?"));
    query.addBindValue(cent);
    query.addBindValue(konto);
    return query.exec() && query.numRowsAffected() == 1;
}

static bool ueberweise(int von, int nach, int cent)
{
    Transaktion t(QSqlDatabase::database());
    return buche(von, -cent) && buche(nach, cent) && t.commit();
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(QStringLiteral("konten.db"));
    if (!db.open())
        return 1;
    qInfo() << "100 EUR von 1 nach 2:" << ueberweise(1, 2, 10000);
    qInfo() << "200 EUR von 2 nach 1:" << ueberweise(2, 1, 20000); // fails: saldo < 0
    return 0;
}
