#include "zaehler.h"

void Zaehler::erhoehe()
{
    ++m_wert;
    emit wertGeaendert(m_wert);
}
