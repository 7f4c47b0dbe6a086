// Carries the program's own manifest and shows what it does to a chosen
// path: takes the path given on the command line as Unicode, converts it to
// the ANSI code page as the ANSI file dialog does for the program, opens it
// with fopen as the loader does, and prints the code page and the result.
#include <windows.h>

#include <cstdio>

int main() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::printf("ACP %u\n", GetACP());
    if (!arguments || count < 2) return 2;
    char path[1024];
    if (!WideCharToMultiByte(CP_ACP, 0, arguments[1], -1, path, sizeof path, nullptr, nullptr)) return 2;
    FILE* file = std::fopen(path, "rb");
    std::printf("fopen %s\n", file ? "ok" : "failed");
    if (file) std::fclose(file);
    return 0;
}
