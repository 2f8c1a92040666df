#pragma once

#include <QObject>

// A counter that announces every change of its value.
class Zaehler : public QObject {
    Q_OBJECT
public:
    int wert() const { return m_wert; }

public slots:
    void erhoehe();

signals:
    void wertGeaendert(int neuerWert);

private:
    int m_wert = 0;
};
