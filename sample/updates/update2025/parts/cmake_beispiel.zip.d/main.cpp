#include "rechner.h"

#include <iostream>

int main()
{
    std::cout << "Mittelwert: " << mittelwert({ 2.0, 4.0, 9.0 }) << "\n";
}
