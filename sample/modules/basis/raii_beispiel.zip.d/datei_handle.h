// DateiHandle: owns a FILE* and closes it in its destructor (RAII).
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>

class DateiHandle {
public:
    DateiHandle(const std::string &pfad, const char *modus)
        : m_datei(std::fopen(pfad.c_str(), modus))
    {
        if (!m_datei)
            throw std::runtime_error("Kann " + pfad + " nicht oeffnen");
    }
    ~DateiHandle()
    {
        std::fclose(m_datei);
    }
    // Exactly one owner: no copies.
    DateiHandle(const DateiHandle &) = delete;
    DateiHandle &operator=(const DateiHandle &) = delete;

    std::FILE *get() const { return m_datei; }

private:
    std::FILE *m_datei;
};
