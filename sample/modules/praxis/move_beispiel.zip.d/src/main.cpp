#include "puffer.h"

#include <iostream>
#include <vector>

int main()
{
    std::vector<Puffer> puffer;
    for (int i = 0; i < 4; ++i)
        puffer.emplace_back(1 << 20); // growing moves the elements: noexcept
    Puffer a(16);
    Puffer b = std::move(a);
    std::cout << "b: " << b.groesse() << " Bytes, a: " << a.groesse() << " Bytes\n";
}
