// The external updater. Started by the program with four arguments ("class(TForm)", the package,
// an empty third one, the program file), it waits until the program has ended, settles an earlier
// update that was cut short, checks the package's signature (the .sig file beside it) with the
// keys built in, unpacks the package into the program's folder with its unzip library, logs what
// it did beside the package, and starts the program again. When the package cannot be installed,
// the reason is left beside it (tqUpd.resultado), where the program reads it at its next start to
// tell the user.
// The password is never taken from the command line, where any user can read it: it is in the
// file tqUpd.clave beside the package (the user's own folder, mode 0600), which is read and
// removed at once; a package without a password has no such file. A third argument that is not
// empty is refused, and nothing is installed.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "helpers/tqunz/tqunz.h"
#include "platform/comun/u_firmaOpenssl.h"

extern char** environ;
namespace fs = std::filesystem;

namespace {

std::FILE* registro = nullptr;

void Anotar(const std::string& texto) {
    if (!registro) return;
    const std::time_t t = std::time(nullptr);
    char hora[32];
    std::strftime(hora, sizeof hora, "%Y-%m-%d %H:%M:%S", std::localtime(&t));
    std::fprintf(registro, "%s %s\n", hora, texto.c_str());
    std::fflush(registro);
}

// A folder that only this user can write in and read: where the log and the password may be.
bool CarpetaPropia(const fs::path& carpeta) {
    struct stat st {};
    return lstat(carpeta.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
           (st.st_mode & 077) == 0;
}

// Opens a file of this user's own in `carpeta`, never through a link and never another file
// that has a second name there: -1 otherwise.
int AbrirPropio(const fs::path& ruta, int modo) {
    const int fd = open(ruta.c_str(), modo | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid() || st.st_nlink != 1 ||
        (st.st_mode & 077) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void AbrirRegistro(const fs::path& carpeta) {
    if (!CarpetaPropia(carpeta)) return;
    // Appended to, never truncated: O_CREAT without O_TRUNC.
    const int fd = AbrirPropio(carpeta / "tqUpd.log", O_WRONLY | O_APPEND | O_CREAT);
    if (fd >= 0) registro = fdopen(fd, "a");
    if (fd >= 0 && !registro) close(fd);
}

// The password left by the program beside the package; "" when there is none. Read once.
std::string LeerClave(const fs::path& carpeta) {
    const fs::path ruta = carpeta / "tqUpd.clave";
    if (!CarpetaPropia(carpeta)) return {};
    const int fd = AbrirPropio(ruta, O_RDONLY);
    std::string clave;
    if (fd >= 0) {
        char bloque[4096];
        ssize_t n = 0;
        while (clave.size() < 65536 && (n = read(fd, bloque, sizeof bloque)) > 0) {
            clave.append(bloque, static_cast<size_t>(n));
        }
        close(fd);
    }
    unlink(ruta.c_str());
    return clave;
}

bool EnEjecucion(const fs::path& programa) {
    DIR* proc = opendir("/proc");
    if (!proc) return false;
    bool visto = false;
    while (dirent* e = readdir(proc)) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
        std::error_code ec;
        const fs::path exe = fs::read_symlink(fs::path("/proc") / e->d_name / "exe", ec);
        if (!ec && exe == programa) visto = true;
    }
    closedir(proc);
    return visto;
}

// The note for the program's next start, in the package's own folder (private to the user).
void AnotarResultado(const fs::path& paquete, const std::string& motivo) {
    const fs::path nota = paquete.parent_path() / "tqUpd.resultado";
    std::error_code ec;
    fs::remove(nota, ec);
    if (motivo.empty()) return;
    if (std::FILE* f = std::fopen(nota.c_str(), "wx")) {
        std::fputs(motivo.c_str(), f);
        std::fclose(f);
    }
}

// The signature beside the package; "" when there is none.
std::string LeerFirma(const std::string& paquete) {
    std::ifstream f(paquete + ".sig", std::ios::binary);
    std::string texto(marlevanta::kMaximoFirma + 1, '\0');
    f.read(texto.data(), static_cast<std::streamsize>(texto.size()));
    texto.resize(static_cast<size_t>(f.gcount()));
    return texto;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fputs("uso: tqUpd.exe \"class(TForm)\" paquete \"\" programa\n", stderr);
        return 2;
    }
    const std::string paquete = argv[2];
    const fs::path carpetaPaquete = fs::path(paquete).parent_path();
    AbrirRegistro(carpetaPaquete);
    std::string motivo;
    if (*argv[3]) {
        motivo =
            "tqUpd.exe no admite la clave del paquete en la línea de órdenes, donde la ve "
            "cualquier usuario del equipo; vuelva a actualizar desde el programa";
        Anotar(motivo);
    }
    const std::string clave = LeerClave(carpetaPaquete);
    std::error_code ec;
    const fs::path programa = fs::weakly_canonical(argv[4], ec);
    const std::string destino = programa.parent_path().string();
    Anotar("actualizando " + programa.string() + " con " + paquete);

    const auto inicio = std::chrono::steady_clock::now();
    bool enMarcha = EnEjecucion(programa);
    for (int i = 0; i < 600 && enMarcha; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        enMarcha = EnEjecucion(programa);
    }
    const auto espera = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - inicio);
    Anotar(enMarcha ? "el programa sigue en marcha tras " + std::to_string(espera.count()) + " ms"
                    : "el programa ha terminado (" + std::to_string(espera.count()) + " ms)");
    // Still running: its files are not replaced under it, and a second copy is not started.
    if (EnEjecucion(programa)) {
        motivo = "el programa seguía abierto al cabo de un minuto";
        Anotar(motivo);
        AnotarResultado(paquete, motivo);
        return 1;
    }

    const fs::path propia = fs::read_symlink("/proc/self/exe", ec).parent_path();
    int resultado = 1;
    if (void* libreria = dlopen((propia / "tqUnz.dll").c_str(), RTLD_NOW | RTLD_LOCAL)) {
        auto recuperar = reinterpret_cast<TqunzRecuperar>(dlsym(libreria, "tqunz_recuperar"));
        auto instalar = reinterpret_cast<TqunzInstalar>(dlsym(libreria, "tqunz_instalar"));
        char error[512] = "";
        // An earlier update cut short is finished or undone before anything else.
        const int recuperada = recuperar ? recuperar(destino.c_str(), error, sizeof error) : 0;
        if (recuperada == TQUNZ_DESHECHA)
            Anotar("la actualización anterior, a medias, se ha deshecho");
        if (recuperada == TQUNZ_COMPLETADA)
            Anotar("la actualización anterior, a medias, se ha terminado");
        if (recuperada == TQUNZ_FALLO)
            Anotar(std::string("la actualización anterior quedó a medias: ") + error);
        if (!instalar && motivo.empty()) motivo = "tqUnz.dll no es la biblioteca esperada";
        // Nothing is unpacked from a package that the maker's key did not sign.
        if (motivo.empty()) {
            const auto firma = marlevanta::ComprobarFirmaPaquete(paquete, LeerFirma(paquete));
            if (!firma) {
                motivo = "el paquete de actualización no tiene una firma válida de Velquorin (" +
                         firma.motivo() + "); no se ha instalado nada";
            } else {
                Anotar("firma del paquete válida, versión " + std::to_string(firma->version));
            }
        }
        if (motivo.empty()) {
            error[0] = 0;
            resultado = instalar(paquete.c_str(), clave.c_str(), destino.c_str(), programa.c_str(),
                                 error, sizeof error);
            if (resultado != 0) motivo = error;
        }
        Anotar(resultado == 0 ? "paquete instalado" : "paquete rechazado: " + motivo);
        dlclose(libreria);
    } else {
        motivo = std::string("no se puede cargar tqUnz.dll: ") + dlerror();
        Anotar(motivo);
    }
    AnotarResultado(paquete, motivo);
    if (resultado == 0) {
        fs::remove(paquete, ec);
        fs::remove(paquete + ".sig", ec);
    }

    // The program comes back in every case, updated or as it was.
    std::string ruta = programa.string();
    char* args[] = {ruta.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, ruta.c_str(), nullptr, nullptr, args, environ) != 0) {
        Anotar("no se puede iniciar " + ruta);
        return 1;
    }
    Anotar("programa iniciado de nuevo");
    return resultado;
}
