// The external updater's unpacker, for any package: it never writes outside the folder it is
// given, never leaves a link, a file others may write or a setuid/setgid file there, a package
// it refuses leaves the folder exactly as it was, and one it installs leaves only the copies of
// the files it replaced, which go once the new version is confirmed.
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "helpers/tqunz/tqunz.h"

namespace fs = std::filesystem;

namespace {

void Exigir(bool condicion) {
    if (!condicion) __builtin_trap();
}

std::map<std::string, std::string> Huella(const fs::path& carpeta) {
    std::map<std::string, std::string> h;
    for (const auto& e : fs::recursive_directory_iterator(carpeta)) {
        struct stat st {};
        lstat(e.path().c_str(), &st);
        std::string valor = std::to_string(st.st_mode) + ":";
        if (S_ISREG(st.st_mode)) {
            std::ifstream f(e.path(), std::ios::binary);
            valor += std::string(std::istreambuf_iterator<char>(f), {});
        }
        h[e.path().lexically_relative(carpeta).string()] = valor;
    }
    return h;
}

const fs::path& Raiz() {
    static const fs::path raiz = [] {
        std::string plantilla = (fs::temp_directory_path() / "fuzz-paquete-XXXXXX").string();
        if (!mkdtemp(plantilla.data())) std::abort();
        return fs::path(plantilla);
    }();
    return raiz;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t n) {
    // <raiz>/paquete.zip, <raiz>/fuera/ (must stay empty) and <raiz>/programa/, the folder
    // unpacked into, holding a program, a subfolder and a link that leads outside.
    umask(022);
    const fs::path raiz = Raiz();
    std::error_code ec;
    fs::remove_all(raiz / "programa", ec);
    fs::remove_all(raiz / "fuera", ec);
    fs::create_directories(raiz / "programa" / "sub");
    fs::create_directories(raiz / "fuera");
    std::ofstream(raiz / "programa" / "marlevanta") << "programa";
    fs::permissions(raiz / "programa" / "marlevanta", fs::perms(0755));
    std::ofstream(raiz / "programa" / "sub" / "datos.txt") << "datos";
    fs::create_directory_symlink(raiz / "fuera", raiz / "programa" / "enlace");
    const std::string paquete = (raiz / "paquete.zip").string();
    std::ofstream(paquete, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(datos), static_cast<std::streamsize>(n));
    const auto antes = Huella(raiz / "programa");

    char error[512] = "";
    const int r =
        tqunz_extraer(paquete.c_str(), "", (raiz / "programa").c_str(), error, sizeof error);
    Exigir(fs::is_empty(raiz / "fuera"));
    std::size_t entradas = 0;
    for (const auto& e : fs::directory_iterator(raiz)) {
        (void)e;
        ++entradas;
    }
    Exigir(entradas == 3);  // nothing new beside the folder
    if (r != 0) {
        Exigir(error[0] != 0 && std::string(error).find("No error") == std::string::npos);
        Exigir(Huella(raiz / "programa") == antes);
        return 0;
    }
    for (const auto& e : fs::recursive_directory_iterator(raiz / "programa")) {
        if (e.path().filename() == ".tqUpd-preparacion") continue;
        struct stat st {};
        Exigir(lstat(e.path().c_str(), &st) == 0);
        if (e.path() == raiz / "programa" / "enlace") continue;  // ours, kept
        Exigir(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode));
        Exigir((st.st_mode & (S_IWGRP | S_IWOTH | S_ISUID | S_ISGID)) == 0);
    }
    // Nothing staged is left: only the journal and the copies, until the new version starts.
    for (const auto& e : fs::directory_iterator(raiz / "programa" / ".tqUpd-preparacion")) {
        Exigir(e.path().filename() == "diario" || e.path().filename() == "copias");
    }
    Exigir(tqunz_confirmar((raiz / "programa").c_str(), error, sizeof error) == 0);
    Exigir(!fs::exists(raiz / "programa" / ".tqUpd-preparacion"));
    Exigir(fs::is_symlink(raiz / "programa" / "enlace"));
    return 0;
}
