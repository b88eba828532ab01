// lecture-downloader-cli.exe, the terminal mode on Windows (a console program).
#include "app/terminal/console_program.h"

int main(int argc, char** argv) {
    return ld::runConsoleProgram(argc, argv);
}
