#include <cstdio>

int main()
{
    std::fputs("mivo stand-in helper: not built yet\n", stderr);
    return 2;
}
