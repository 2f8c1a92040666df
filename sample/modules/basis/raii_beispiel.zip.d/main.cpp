#include "datei_handle.h"

#include <iostream>

static void schreibeBericht(const std::string &pfad)
{
    DateiHandle datei(pfad, "w");
    std::fputs("Bericht\n", datei.get());
    throw std::runtime_error("Fehler mitten im Schreiben");
    // No fclose needed: ~DateiHandle runs while the exception unwinds.
}

int main()
{
    try {
        schreibeBericht("bericht.txt");
    } catch (const std::exception &e) {
        std::cout << "Abgefangen: " << e.what() << "\n"
                  << "bericht.txt ist trotzdem geschlossen.\n";
    }
}
