/* A stranger's explorer.exe left beside the program or in its working directory. Started, it
 * writes "planted-exe-started.txt" beside itself and ends: the program must never start it. */
#include "mark_beside.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    markBeside(NULL, L"planted-exe-started.txt");
    return 0;
}
