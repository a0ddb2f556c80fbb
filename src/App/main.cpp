#include <cstdio>

// The windows are not built yet; say so plainly instead of pretending to run.
int main()
{
    std::fputs("mivo: the application window is not available in this build yet.\n", stderr);
    return 1;
}
