// Puffer: a buffer that manages its memory itself and therefore defines all
// five special member functions (rule of five).
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>

class Puffer {
public:
    explicit Puffer(std::size_t groesse)
        : m_daten(new char[groesse]())
        , m_groesse(groesse)
    {
    }
    ~Puffer() { delete[] m_daten; }

    Puffer(const Puffer &andere)
        : Puffer(andere.m_groesse)
    {
        std::copy(andere.m_daten, andere.m_daten + m_groesse, m_daten);
    }
    Puffer &operator=(const Puffer &andere)
    {
        Puffer kopie(andere); // copy and swap: strong exception guarantee
        swap(kopie);
        return *this;
    }

    Puffer(Puffer &&andere) noexcept
        : m_daten(std::exchange(andere.m_daten, nullptr))
        , m_groesse(std::exchange(andere.m_groesse, 0))
    {
    }
    Puffer &operator=(Puffer &&andere) noexcept
    {
        Puffer alt(std::move(andere));
        swap(alt);
        return *this;
    }

    void swap(Puffer &andere) noexcept
    {
        std::swap(m_daten, andere.m_daten);
        std::swap(m_groesse, andere.m_groesse);
    }
    std::size_t groesse() const { return m_groesse; }

private:
    char *m_daten;
    std::size_t m_groesse;
};
