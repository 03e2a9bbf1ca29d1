// Orvanel: the program's entry point.
#include <cstdio>

#include "app/Version.h"

int main(int argc, char** argv) {
    (void)argc;
    (void)argv;
    std::printf("Orvanel %s: the login dialog and the main window are not built yet.\n", kOrvanelVersion);
    return 0;
}
