// Zentrimo's entry point: parses the command line and runs the GUI or the report.
#include <cstdio>

int main(int argc, char** argv) {
    (void)argc;
    (void)argv;
    std::puts("Zentrimo 0.1.0");
    return 0;
}
