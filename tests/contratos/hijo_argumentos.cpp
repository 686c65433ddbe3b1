// A program for the process contract: writes the arguments it received (after the program name)
// to the file named by MARLEVANTA_PRUEBA_ARGUMENTOS, UTF-8, each ended by a NUL, and ends with the
// number of arguments as its exit code. "--dormir N" first waits N milliseconds and ends with 7.
// On Windows the arguments are those that CommandLineToArgvW finds in the command line, as every
// program built with the usual runtime sees them.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
// shellapi.h needs the types of windows.h first.
#include <shellapi.h>

namespace {

std::string Estrecho(const wchar_t* s) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, s, -1, nullptr, 0, nullptr, nullptr);
    std::string r(static_cast<size_t>(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s, -1, r.data(), n, nullptr, nullptr);
    r.resize(r.size() - 1);
    return r;
}

std::vector<std::string> Argumentos(int, char**) {
    int n = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &n);
    std::vector<std::string> r;
    for (int i = 1; argv && i < n; ++i) r.push_back(Estrecho(argv[i]));
    LocalFree(argv);
    return r;
}

std::FILE* Abrir() {
    const wchar_t* archivo = _wgetenv(L"MARLEVANTA_PRUEBA_ARGUMENTOS");
    return archivo ? _wfopen(archivo, L"wb") : nullptr;
}

}  // namespace
#else
namespace {

std::vector<std::string> Argumentos(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

std::FILE* Abrir() {
    const char* archivo = std::getenv("MARLEVANTA_PRUEBA_ARGUMENTOS");
    return archivo ? std::fopen(archivo, "wb") : nullptr;
}

}  // namespace
#endif

int main(int argc, char** argv) {
    const std::vector<std::string> argumentos = Argumentos(argc, argv);
    if (argumentos.size() == 2 && argumentos[0] == "--dormir") {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argumentos[1].c_str())));
        return 7;
    }
    std::FILE* f = Abrir();
    if (!f) return 100;
    for (const std::string& a : argumentos) std::fwrite(a.c_str(), 1, a.size() + 1, f);
    return std::fclose(f) == 0 ? static_cast<int>(argumentos.size()) : 101;
}
