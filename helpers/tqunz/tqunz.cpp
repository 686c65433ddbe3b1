#include "helpers/tqunz/tqunz.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// In the program's folder while an update runs and, after it, until the new version has started:
// the staged files, the second names of the files replaced (copias/) and the journal (diario).
constexpr const char* kPreparacion = ".tqUpd-preparacion";
constexpr const char* kCopias = "copias";
constexpr const char* kDiario = "diario";
constexpr const char* kDiarioNuevo = "diario.nuevo";
constexpr const char* kCabeceraDiario = "tqunz-diario 1";
constexpr std::uint64_t kMaximoAbsoluto = std::uint64_t{1} << 30;  // 1 GiB
constexpr std::uint64_t kVecesElPaquete = 100;
constexpr zip_int64_t kMaximoEntradas = 65536;
constexpr off_t kMaximoDiario = off_t{64} << 20;

#ifdef TQUNZ_PASOS_DE_PRUEBA
// The tests' hook: the process kills itself right after the Nth change to the program's folder
// (TQUNZ_MATAR_EN_PASO=N), as a logout, the system running out of memory or a power cut would.
int pasos = 0;
void Paso() {
    const char* n = std::getenv("TQUNZ_MATAR_EN_PASO");
    if (n && ++pasos == std::atoi(n)) raise(SIGKILL);
}
#else
void Paso() {}
#endif

struct Entrada {
    zip_uint64_t indice = 0;
    std::string destino;  // relative to the program's folder
    bool carpeta = false;
    bool conModo = false;  // the entry brings Unix permissions
    unsigned modo = 0;
    fs::path temporal;
};

// What the user reads: the system's reason in Spanish for the usual causes.
std::string TextoErrno(int e) {
    switch (e) {
        case ENOSPC:
            return "no queda espacio en el disco";
        case EDQUOT:
            return "se ha superado la cuota de disco del usuario";
        case EACCES:
        case EPERM:
            return "permiso denegado";
        case EROFS:
            return "el disco es de solo lectura";
        case EISDIR:
            return "es una carpeta";
        case ENOTDIR:
            return "una parte de la ruta no es una carpeta";
        case ENAMETOOLONG:
            return "el nombre es demasiado largo";
        case EEXIST:
            return "ya existe";
        case ENOENT:
            return "no existe";
        case ELOOP:
            return "es un enlace";
        case EMFILE:
        case ENFILE:
            return "hay demasiados archivos abiertos";
        case EIO:
            return "error de lectura o escritura en el disco";
        default:
            return std::string("error del sistema ") + std::to_string(e) + " (" + std::strerror(e) +
                   ")";
    }
}

std::string TextoZip(int codigo, int sistema) {
    switch (codigo) {
        case ZIP_ER_NOZIP:
            return "no es un archivo zip";
        case ZIP_ER_WRONGPASSWD:
            return "la clave del paquete no es la correcta";
        case ZIP_ER_NOPASSWD:
            return "el paquete pide una clave y no se ha dado ninguna";
        case ZIP_ER_CRC:
        case ZIP_ER_INCONS:
        case ZIP_ER_COMPRESSED_DATA:
        case ZIP_ER_ZLIB:
        case ZIP_ER_EOF:
            return "el paquete está dañado o incompleto";
        case ZIP_ER_COMPNOTSUPP:
            return "el paquete usa una compresión que no se admite";
        case ZIP_ER_ENCRNOTSUPP:
            return "el paquete usa un cifrado que no se admite";
        case ZIP_ER_MULTIDISK:
            return "el paquete está partido en varios archivos";
        case ZIP_ER_MEMORY:
            return "no hay memoria suficiente";
        case ZIP_ER_OPEN:
        case ZIP_ER_READ:
        case ZIP_ER_SEEK:
            return sistema ? TextoErrno(sistema) : "no se puede leer el paquete";
        default: {
            zip_error_t e;
            zip_error_init_with_code(&e, codigo);
            std::string t = std::string("error de libzip: ") + zip_error_strerror(&e);
            zip_error_fini(&e);
            return t;
        }
    }
}

std::string TextoZip(zip_error_t* e) {
    return TextoZip(zip_error_code_zip(e), zip_error_code_system(e));
}

std::string Tamano(std::uint64_t bytes) {
    if (bytes >= (std::uint64_t{1} << 30) && bytes % (std::uint64_t{1} << 30) == 0) {
        return std::to_string(bytes >> 30) + " GiB";
    }
    return std::to_string(bytes) + " bytes";
}

// A relative path of plain names: no root, no "..", no empty or "." component.
bool RutaSegura(const std::string& nombre) {
    if (nombre.empty() || nombre[0] == '/' || nombre.find('\\') != std::string::npos) return false;
    size_t inicio = 0;
    while (inicio <= nombre.size()) {
        size_t fin = nombre.find('/', inicio);
        if (fin == std::string::npos) fin = nombre.size();
        const std::string parte = nombre.substr(inicio, fin - inicio);
        if (parte == ".." || parte == "." || parte.empty()) return false;
        inicio = fin + 1;
    }
    return true;
}

// Control characters have no place in a program's file names, and the journal keeps one name a
// line.
bool NombreLegible(const std::string& nombre) {
    return std::none_of(nombre.begin(), nombre.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

// What the program's folder holds at `relativa`, checked component by component: a link anywhere
// refuses the entry, and so does a file where a folder is needed or a folder where a file goes.
std::string ComprobarDestino(const fs::path& base, const std::string& relativa, bool carpeta) {
    fs::path p = base;
    const fs::path r(relativa);
    const auto partes = std::distance(r.begin(), r.end());
    long n = 0;
    for (const auto& parte : r) {
        p /= parte;
        ++n;
        struct stat st {};
        if (lstat(p.c_str(), &st) != 0) return {};  // from here on nothing exists yet
        if (S_ISLNK(st.st_mode)) return "entrada que pasa por un enlace: " + relativa;
        const bool ultima = n == partes;
        if (ultima && !carpeta && S_ISDIR(st.st_mode)) {
            return "no se puede reemplazar " + relativa + ": es una carpeta";
        }
        if ((!ultima || carpeta) && !S_ISDIR(st.st_mode)) {
            return "no se puede poner " + relativa + ": " + p.lexically_relative(base).string() +
                   " no es una carpeta";
        }
        if (ultima && !carpeta && !S_ISREG(st.st_mode)) {
            return "no se puede reemplazar " + relativa + ": no es un archivo normal";
        }
    }
    return {};
}

void Fallo(char* error, size_t largo, const std::string& texto) {
    if (error && largo) std::snprintf(error, largo, "%s", texto.c_str());
}

// The modes an installed file gets: never writable by others than its owner, never setuid or
// setgid, executable only when the entry is so for its owner. Without modes in the entry, those
// of the file it replaces (so checked too), else 0644.
unsigned ModoFinal(const Entrada& e, const fs::path& final) {
    unsigned modo = 0644;
    if (e.conModo) {
        modo = e.modo;
    } else {
        struct stat st {};
        if (lstat(final.c_str(), &st) == 0 && S_ISREG(st.st_mode)) modo = st.st_mode & 07777;
    }
    modo &= 0755;
    if (!(modo & S_IXUSR)) modo &= ~0111u;
    return modo | S_IRUSR | S_IWUSR;
}

bool Existe(const fs::path& p) {
    struct stat st {};
    return lstat(p.c_str(), &st) == 0;
}

// Names created, renamed or removed in a folder reach the disk: a power cut after this cannot
// bring back an older state of that folder.
void SincronizarCarpeta(const fs::path& carpeta) {
    const int fd = open(carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

bool EscribirTodo(int fd, const char* datos, size_t n) {
    while (n > 0) {
        const ssize_t w = write(fd, datos, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            if (w == 0) errno = ENOSPC;
            return false;
        }
        datos += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// A copy of its own of `origen`, for when the system refuses it a second name (a file of another
// user, a folder on another disk): the same contents and modes, on the disk before it is relied on.
std::string Copiar(const fs::path& origen, const fs::path& copia) {
    const int de = open(origen.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    if (de < 0 || fstat(de, &st) != 0) {
        const int e = errno;
        if (de >= 0) close(de);
        return TextoErrno(e);
    }
    const int a = open(copia.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    std::string problema = a < 0 ? TextoErrno(errno) : "";
    char bloque[65536];
    while (problema.empty()) {
        const ssize_t n = read(de, bloque, sizeof bloque);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) problema = TextoErrno(errno);
        if (n <= 0) break;
        if (!EscribirTodo(a, bloque, static_cast<size_t>(n))) problema = TextoErrno(errno);
    }
    if (problema.empty() && (fchmod(a, st.st_mode & 07777) != 0 || fsync(a) != 0)) {
        problema = TextoErrno(errno);
    }
    close(de);
    if (a >= 0 && close(a) != 0 && problema.empty()) problema = TextoErrno(errno);
    if (!problema.empty() && a >= 0) unlink(copia.c_str());
    return problema;
}

// What an update does to the program's folder, written down before its first change, so that a
// later start can finish it or undo it. Every file is staged before the plan is written, and
// only its rename takes it from the staging folder: a staged file that is gone is in place.
struct Plan {
    struct Archivo {
        std::string temporal;  // its name in the staging folder and, kept, in copias/
        bool habia = false;    // it replaces a file
        std::string destino;   // relative to the program's folder
    };
    bool instalado = false;
    std::string programa;               // the program's own file, relative; "" when not in it
    std::vector<std::string> carpetas;  // created by the update, each after its parent
    std::vector<Archivo> archivos;      // in the order they go in: the program's own file last
};

std::string TextoPlan(const Plan& p) {
    std::string t = std::string(kCabeceraDiario) + "\nestado " +
                    (p.instalado ? "instalado" : "instalando") + "\nprograma " + p.programa + "\n";
    for (const std::string& c : p.carpetas) t += "carpeta " + c + "\n";
    for (const auto& a : p.archivos) {
        t += "archivo " + a.temporal + (a.habia ? " 1 " : " 0 ") + a.destino + "\n";
    }
    return t;
}

// Nothing when the text is not a whole journal as TextoPlan writes it.
std::optional<Plan> LeerPlan(const std::string& texto) {
    if (texto.empty() || texto.back() != '\n') return std::nullopt;
    std::vector<std::string> lineas;
    for (size_t inicio = 0; inicio < texto.size();) {
        const size_t fin = texto.find('\n', inicio);
        lineas.push_back(texto.substr(inicio, fin - inicio));
        inicio = fin + 1;
    }
    if (lineas.size() < 3 || lineas[0] != kCabeceraDiario || lineas[2].rfind("programa ", 0) != 0) {
        return std::nullopt;
    }
    Plan p;
    if (lineas[1] == "estado instalado") {
        p.instalado = true;
    } else if (lineas[1] != "estado instalando") {
        return std::nullopt;
    }
    p.programa = lineas[2].substr(9);
    for (size_t i = 3; i < lineas.size(); ++i) {
        const std::string& l = lineas[i];
        if (l.rfind("carpeta ", 0) == 0 && RutaSegura(l.substr(8))) {
            p.carpetas.push_back(l.substr(8));
            continue;
        }
        const size_t a = l.find(' '), b = l.find(' ', a + 1), c = l.find(' ', b + 1);
        if (l.rfind("archivo ", 0) != 0 || c == std::string::npos || c - b != 2 ||
            (l[b + 1] != '0' && l[b + 1] != '1')) {
            return std::nullopt;
        }
        Plan::Archivo archivo{l.substr(a + 1, b - a - 1), l[b + 1] == '1', l.substr(c + 1)};
        if (archivo.temporal.empty() ||
            archivo.temporal.find_first_not_of("0123456789") != std::string::npos ||
            !RutaSegura(archivo.destino)) {
            return std::nullopt;
        }
        p.archivos.push_back(std::move(archivo));
    }
    return p;
}

// The journal replaced as a whole: written beside it, on the disk, then renamed over it.
std::string EscribirPlan(const fs::path& preparacion, const Plan& plan) {
    const fs::path nuevo = preparacion / kDiarioNuevo;
    const fs::path diario = preparacion / kDiario;
    const auto fallo = [&](int e) {
        unlink(nuevo.c_str());
        return "no se puede escribir el diario de la actualización " + diario.string() + ": " +
               TextoErrno(e);
    };
    unlink(nuevo.c_str());
    const int fd = open(nuevo.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return fallo(errno);
    const std::string texto = TextoPlan(plan);
    if (!EscribirTodo(fd, texto.data(), texto.size()) || fsync(fd) != 0) {
        const int e = errno;
        close(fd);
        return fallo(e);
    }
    if (close(fd) != 0 || std::rename(nuevo.c_str(), diario.c_str()) != 0) return fallo(errno);
    SincronizarCarpeta(preparacion);
    Paso();
    return {};
}

struct Diario {
    bool existe = false;
    std::optional<Plan> plan;  // empty when it exists but cannot be read
};

Diario LeerDiario(const fs::path& preparacion) {
    Diario d;
    const int fd = open((preparacion / kDiario).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        d.existe = errno != ENOENT;
        return d;
    }
    d.existe = true;
    struct stat st {};
    std::string texto;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaximoDiario) {
        texto.resize(static_cast<size_t>(st.st_size));
        size_t leidos = 0;
        while (leidos < texto.size()) {
            const ssize_t n = read(fd, texto.data() + leidos, texto.size() - leidos);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            leidos += static_cast<size_t>(n);
        }
        texto.resize(leidos);
        d.plan = LeerPlan(texto);
    }
    close(fd);
    return d;
}

// The journal goes first: from then on, what is left of the staging folder is nothing to finish.
void BorrarPreparacion(const fs::path& base) {
    const fs::path preparacion = base / kPreparacion;
    unlink((preparacion / kDiario).c_str());
    SincronizarCarpeta(preparacion);
    std::error_code ec;
    fs::remove_all(preparacion, ec);
    SincronizarCarpeta(base);
}

// Puts back what the plan changed, newest first: a file renamed in goes, or its kept copy takes
// its name back in one rename; the folders it created go when empty. Run again after being cut
// short, it goes on where it stopped. Gives the first thing it could not undo.
std::string Deshacer(const fs::path& base, const Plan& plan) {
    const fs::path preparacion = base / kPreparacion;
    std::string fallo;
    const auto anotar = [&](const std::string& que) {
        if (fallo.empty()) fallo = que + ": " + TextoErrno(errno);
    };
    for (auto a = plan.archivos.rbegin(); a != plan.archivos.rend(); ++a) {
        // Still staged: never renamed in, so the old file (or none) still has the name.
        if (Existe(preparacion / a->temporal)) continue;
        const fs::path final = base / a->destino;
        if (a->habia) {
            const fs::path copia = preparacion / kCopias / a->temporal;
            if (!Existe(copia)) continue;  // put back already
            if (std::rename(copia.c_str(), final.c_str()) != 0) {
                anotar(a->destino);
                continue;
            }
        } else if (unlink(final.c_str()) != 0) {
            if (errno != ENOENT) anotar(a->destino);
            continue;
        }
        SincronizarCarpeta(final.parent_path());
        Paso();
    }
    for (auto c = plan.carpetas.rbegin(); c != plan.carpetas.rend(); ++c) {
        const fs::path carpeta = base / *c;
        if (rmdir(carpeta.c_str()) == 0) {
            SincronizarCarpeta(carpeta.parent_path());
            Paso();
        } else if (errno != ENOENT && errno != ENOTEMPTY && errno != EEXIST) {
            anotar(*c);
        }
    }
    return fallo;
}

// Takes the plan to its end from wherever it stopped, and marks it done. Each file replaced gets
// a second name in copias/ first, and the new one is renamed over its name: at every moment the
// name holds a whole file, the old one or the new one.
std::string Completar(const fs::path& base, Plan& plan) {
    const fs::path preparacion = base / kPreparacion;
    const fs::path copias = preparacion / kCopias;
    for (const std::string& c : plan.carpetas) {
        const fs::path carpeta = base / c;
        if (mkdir(carpeta.c_str(), 0755) == 0) {
            SincronizarCarpeta(carpeta.parent_path());
            Paso();
            continue;
        }
        const int e = errno;
        struct stat st {};
        if (e == EEXIST && lstat(carpeta.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
        return "no se puede crear la carpeta " + c + ": " + TextoErrno(e == EEXIST ? ENOTDIR : e);
    }
    for (const auto& a : plan.archivos) {
        const fs::path temporal = preparacion / a.temporal;
        if (!Existe(temporal)) continue;  // in place already
        const fs::path final = base / a.destino;
        const fs::path copia = copias / a.temporal;
        if (a.habia && !Existe(copia) && Existe(final)) {
            if (link(final.c_str(), copia.c_str()) != 0) {
                const int e = errno;
                std::string problema = TextoErrno(e);
                if (e == EPERM || e == EXDEV || e == EMLINK) problema = Copiar(final, copia);
                if (!problema.empty()) {
                    return "no se puede guardar una copia de " + a.destino + ": " + problema;
                }
            }
            SincronizarCarpeta(copias);
            Paso();
        }
        if (std::rename(temporal.c_str(), final.c_str()) != 0) {
            return "no se puede reemplazar " + a.destino + ": " + TextoErrno(errno);
        }
        SincronizarCarpeta(final.parent_path());
        SincronizarCarpeta(preparacion);
        Paso();
    }
    plan.instalado = true;
    // Every file is in place now. A journal that cannot say so still leads the next start
    // forward (the program's staged file is gone); failing here would have the caller undo a
    // finished update, and a kill during that undo leave old and new files mixed.
    (void)EscribirPlan(preparacion, plan);
    return {};
}

struct Recuperado {
    int estado = TQUNZ_NADA;
    std::string error;
};

// An update that did not reach its end is finished when the program's own file (replaced last)
// is the new one already, and undone otherwise: either way the folder matches the program that
// its name starts. Staging left without a journal changed nothing yet, and goes.
Recuperado Recuperar(const fs::path& base) {
    const fs::path preparacion = base / kPreparacion;
    struct stat st {};
    if (lstat(preparacion.c_str(), &st) != 0) return {};
    if (!S_ISDIR(st.st_mode)) {
        unlink(preparacion.c_str());  // not ours
        return {};
    }
    const Diario diario = LeerDiario(preparacion);
    if (!diario.existe) {
        BorrarPreparacion(base);
        return {};
    }
    const std::string copias = (preparacion / kCopias).string();
    if (!diario.plan) {
        return {TQUNZ_FALLO, "el diario de la actualización (" + (preparacion / kDiario).string() +
                                 ") no se puede leer; las copias de los archivos anteriores "
                                 "están en " +
                                 copias};
    }
    Plan plan = *diario.plan;
    if (plan.instalado) return {};
    const bool programaNuevo =
        std::any_of(plan.archivos.begin(), plan.archivos.end(), [&](const Plan::Archivo& a) {
            return !plan.programa.empty() && a.destino == plan.programa &&
                   !Existe(preparacion / a.temporal);
        });
    if (programaNuevo) {
        if (std::string p = Completar(base, plan); !p.empty()) {
            return {TQUNZ_FALLO, "no se ha podido terminar: " + p};
        }
        return {TQUNZ_COMPLETADA, {}};
    }
    if (std::string p = Deshacer(base, plan); !p.empty()) {
        return {TQUNZ_FALLO, "no se ha podido deshacer (" + p +
                                 "): las copias de los archivos anteriores están en " + copias};
    }
    BorrarPreparacion(base);
    return {TQUNZ_DESHECHA, {}};
}

// The program's folder held by one update (or recovery) at a time, across processes; a killed
// holder lets go with its death.
class Cerrojo {
public:
    explicit Cerrojo(const fs::path& carpeta)
        : fd_(open(carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_ < 0) {
            error_ = errno;
        } else if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            error_ = errno;
            close(fd_);
            fd_ = -1;
        }
    }
    ~Cerrojo() {
        if (fd_ >= 0) close(fd_);
    }
    Cerrojo(const Cerrojo&) = delete;
    Cerrojo& operator=(const Cerrojo&) = delete;

    bool Tomado() const { return fd_ >= 0; }
    bool Ocupado() const { return error_ == EWOULDBLOCK; }
    std::string Motivo(const fs::path& carpeta) const {
        if (Ocupado()) {
            return "otra actualización de la carpeta del programa " + carpeta.string() +
                   " está en curso";
        }
        return "no se puede abrir la carpeta del programa " + carpeta.string() + " (" +
               TextoErrno(error_) + ")";
    }

private:
    int fd_;
    int error_ = 0;
};

class Desempaquetado {
public:
    Desempaquetado(zip_t* zip, fs::path base, std::uint64_t maximo, std::string programa)
        : zip_(zip), base_(std::move(base)), preparacion_(base_ / kPreparacion), maximo_(maximo) {
        plan_.programa = std::move(programa);
    }

    // Every entry checked before anything is written, and the plan made.
    std::string Revisar() {
        const zip_int64_t n = zip_get_num_entries(zip_, 0);
        if (n < 0) return "no se puede leer el índice del paquete";
        if (n > kMaximoEntradas) {
            return "el paquete tiene demasiadas entradas (" + std::to_string(n) + ")";
        }
        std::uint64_t declarado = 0;
        std::set<std::string> archivos, carpetas;
        for (zip_int64_t i = 0; i < n; ++i) {
            const auto indice = static_cast<zip_uint64_t>(i);
            const char* nombre = zip_get_name(zip_, indice, 0);
            std::string ruta = nombre ? nombre : "";
            Entrada e;
            e.indice = indice;
            e.carpeta = !ruta.empty() && ruta.back() == '/';
            if (e.carpeta) ruta.pop_back();
            if (!RutaSegura(ruta) || ruta == kPreparacion ||
                ruta.rfind(std::string(kPreparacion) + "/", 0) == 0) {
                return "entrada fuera de la carpeta del programa: " +
                       std::string(nombre ? nombre : "");
            }
            if (!NombreLegible(ruta)) return "entrada con caracteres de control en su nombre";
            zip_uint8_t sistema = 0;
            zip_uint32_t atributos = 0;
            if (zip_file_get_external_attributes(zip_, indice, 0, &sistema, &atributos) == 0 &&
                sistema == ZIP_OPSYS_UNIX && (atributos >> 16) != 0) {
                const unsigned modo = atributos >> 16;
                switch (modo & S_IFMT) {
                    case 0:
                    case S_IFREG:
                        break;
                    case S_IFDIR:
                        e.carpeta = true;
                        break;
                    case S_IFLNK:
                        return "entrada que es un enlace: " + ruta;
                    default:
                        return "entrada que no es un archivo normal: " + ruta;
                }
                e.conModo = true;
                e.modo = modo & 07777;
            }
            if (!e.carpeta && (ruta == "tqUpd.exe" || ruta == "tqUnz.dll")) ruta += ".act";
            e.destino = ruta;
            if (std::string p = ComprobarDestino(base_, ruta, e.carpeta); !p.empty()) return p;
            if (e.carpeta) {
                if (archivos.count(ruta)) return "entrada repetida: " + ruta;
                carpetas.insert(ruta);
            } else {
                if (archivos.count(ruta) || carpetas.count(ruta))
                    return "entrada repetida: " + ruta;
                archivos.insert(ruta);
                zip_stat_t st;
                if (zip_stat_index(zip_, indice, 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE)) {
                    declarado += std::min<std::uint64_t>(st.size, maximo_ + 1);
                    if (declarado > maximo_) return Demasiado();
                }
            }
            entradas_.push_back(std::move(e));
        }
        // A file of the package where another entry needs a folder.
        for (const std::string& a : archivos) {
            const std::string prefijo = a + "/";
            for (const auto* conjunto : {&archivos, &carpetas}) {
                const auto siguiente = conjunto->lower_bound(prefijo);
                if (siguiente != conjunto->end() && siguiente->rfind(prefijo, 0) == 0) {
                    return "el paquete usa " + a + " como archivo y como carpeta";
                }
            }
        }
        Planear();
        return {};
    }

    // Every file unpacked into the staging folder with its final modes and flushed to the disk,
    // nothing else touched yet.
    std::string Preparar() {
        std::error_code ec;
        fs::remove_all(preparacion_, ec);
        // A folder the user may not write in is the usual failure: it is named, not left to
        // whatever the first file write says.
        if (mkdir(preparacion_.c_str(), 0700) != 0 ||
            mkdir((preparacion_ / kCopias).c_str(), 0700) != 0) {
            const int e = errno;
            if (Existe(preparacion_)) preparada_ = true;
            return "no se puede escribir en la carpeta del programa " + base_.string() + " (" +
                   TextoErrno(e) + ")";
        }
        preparada_ = true;
        for (Entrada& e : entradas_) {
            if (e.carpeta) continue;
            e.temporal = preparacion_ / std::to_string(e.indice);
            if (std::string p = Extraer(e); !p.empty()) return p;
        }
        SincronizarCarpeta(preparacion_);
        SincronizarCarpeta(base_);
        return {};
    }

    // The plan written down, then carried out; any failure puts back everything done before it.
    std::string Instalar() {
        std::string problema = EscribirPlan(preparacion_, plan_);
        if (problema.empty()) problema = Completar(base_, plan_);
        if (problema.empty()) return {};
        if (std::string resto = Deshacer(base_, plan_); !resto.empty()) {
            // What is still aside stays in the staging folder, with the journal, so that nothing
            // is lost and the next start can try again.
            conservar_ = true;
            problema += "; y no se ha podido dejar todo como estaba (" + resto + "): las copias " +
                        "de los archivos anteriores están en " + (preparacion_ / kCopias).string();
        }
        plan_.instalado = false;
        return problema;
    }

    ~Desempaquetado() {
        if (preparada_ && !conservar_ && !plan_.instalado) BorrarPreparacion(base_);
    }

private:
    std::string Demasiado() const {
        return "el paquete ocupa más de " + Tamano(maximo_) +
               " descomprimido (el límite es 100 veces su tamaño y nunca más de 1 GiB): se rechaza";
    }

    // The folders to create, parents first, and the files in the order they go in.
    void Planear() {
        std::set<std::string> vistas;
        const auto carpeta = [&](const fs::path& relativa) {
            fs::path p;
            for (const auto& parte : relativa) {
                p /= parte;
                if (vistas.insert(p.string()).second && !Existe(base_ / p)) {
                    plan_.carpetas.push_back(p.string());
                }
            }
        };
        std::vector<Plan::Archivo> ultimos;
        for (const Entrada& e : entradas_) {
            carpeta(e.carpeta ? fs::path(e.destino) : fs::path(e.destino).parent_path());
            if (e.carpeta) continue;
            Plan::Archivo a{std::to_string(e.indice), Existe(base_ / e.destino), e.destino};
            (e.destino == plan_.programa ? ultimos : plan_.archivos).push_back(std::move(a));
        }
        plan_.archivos.insert(plan_.archivos.end(), ultimos.begin(), ultimos.end());
    }

    std::string Extraer(const Entrada& e) {
        zip_file_t* archivo = zip_fopen_index(zip_, e.indice, 0);
        if (!archivo) {
            return "no se puede leer " + e.destino + ": " + TextoZip(zip_get_error(zip_));
        }
        const int fd =
            open(e.temporal.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        std::string problema;
        if (fd < 0) {
            problema = "no se puede escribir " + e.temporal.string() + ": " + TextoErrno(errno);
        }
        char bloque[65536];
        while (problema.empty()) {
            const zip_int64_t leidos = zip_fread(archivo, bloque, sizeof bloque);
            if (leidos < 0) {
                problema = "no se puede descomprimir " + e.destino + ": " +
                           TextoZip(zip_file_get_error(archivo));
                break;
            }
            if (leidos == 0) break;
            escritos_ += static_cast<std::uint64_t>(leidos);
            if (escritos_ > maximo_) {
                problema = Demasiado();
                break;
            }
            if (!EscribirTodo(fd, bloque, static_cast<size_t>(leidos))) {
                problema = "no se puede escribir " + e.destino + ": " + TextoErrno(errno);
            }
        }
        zip_fclose(archivo);
        if (problema.empty() && fchmod(fd, ModoFinal(e, base_ / e.destino)) != 0) {
            problema = "no se pueden fijar los permisos de " + e.destino + ": " + TextoErrno(errno);
        }
        // On the disk before its name may take the place of the old file's.
        if (problema.empty() && fsync(fd) != 0) {
            problema = "no se puede escribir " + e.destino + ": " + TextoErrno(errno);
        }
        if (fd >= 0 && close(fd) != 0 && problema.empty()) {
            problema = "no se puede escribir " + e.destino + ": " + TextoErrno(errno);
        }
        return problema;
    }

    zip_t* zip_;
    fs::path base_;
    fs::path preparacion_;
    std::uint64_t maximo_;
    std::uint64_t escritos_ = 0;
    std::vector<Entrada> entradas_;
    Plan plan_;
    bool preparada_ = false;
    bool conservar_ = false;
};

// Drops what a finished update kept; an unfinished one is left for Recuperar.
int Confirmar(const fs::path& base, std::string& error) {
    const fs::path preparacion = base / kPreparacion;
    struct stat st {};
    if (lstat(preparacion.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return 0;
    const Diario diario = LeerDiario(preparacion);
    if (diario.existe && (!diario.plan || !diario.plan->instalado)) {
        error = "la actualización anterior no ha terminado";
        return 1;
    }
    BorrarPreparacion(base);
    return 0;
}

// The program's own file relative to the folder; "" when it is not in it.
std::string Relativa(const char* programa, const fs::path& base) {
    if (!programa || !*programa) return {};
    const fs::path r =
        fs::path(programa).lexically_normal().lexically_relative(base.lexically_normal());
    if (r.empty() || *r.begin() == "..") return {};
    return r.string();
}

}  // namespace

extern "C" int tqunz_instalar(const char* paquete, const char* clave, const char* destino,
                              const char* programa, char* error, size_t largo) {
    const fs::path base = destino;
    Cerrojo cerrojo(base);
    if (!cerrojo.Tomado()) {
        Fallo(error, largo, cerrojo.Motivo(base));
        return 1;
    }
    // What an earlier update left is settled first. The copies of one that ended go: the program
    // that asked for this update runs from this folder, so the version it installed has started.
    const Recuperado anterior = Recuperar(base);
    std::string aparte;
    if (anterior.estado == TQUNZ_FALLO || Confirmar(base, aparte) != 0) {
        Fallo(error, largo,
              "la actualización anterior quedó a medias y " +
                  (anterior.error.empty() ? aparte : anterior.error));
        return 1;
    }
    int codigo = 0;
    zip_t* zip = zip_open(paquete, ZIP_RDONLY, &codigo);
    if (!zip) {
        Fallo(error, largo,
              std::string("no se puede abrir el paquete ") + paquete + ": " +
                  TextoZip(codigo, codigo == ZIP_ER_OPEN || codigo == ZIP_ER_READ ? errno : 0));
        return 1;
    }
    if (clave && *clave) zip_set_default_password(zip, clave);
    struct stat st {};
    const std::uint64_t tamano =
        stat(paquete, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    const std::uint64_t maximo = std::min(kMaximoAbsoluto, tamano * kVecesElPaquete);
    std::string problema;
    {
        Desempaquetado d(zip, base, maximo, Relativa(programa, base));
        problema = d.Revisar();
        if (problema.empty()) problema = d.Preparar();
        if (problema.empty()) problema = d.Instalar();
    }
    zip_discard(zip);
    if (!problema.empty()) {
        Fallo(error, largo, problema);
        return 1;
    }
    return 0;
}

extern "C" int tqunz_extraer(const char* paquete, const char* clave, const char* destino,
                             char* error, size_t largo) {
    return tqunz_instalar(paquete, clave, destino, nullptr, error, largo);
}

extern "C" int tqunz_recuperar(const char* destino, char* error, size_t largo) {
    const fs::path base = destino;
    if (!Existe(base / kPreparacion)) return TQUNZ_NADA;
    Cerrojo cerrojo(base);
    if (!cerrojo.Tomado()) {
        if (cerrojo.Ocupado()) return TQUNZ_EN_CURSO;
        Fallo(error, largo, cerrojo.Motivo(base));
        return TQUNZ_FALLO;
    }
    const Recuperado r = Recuperar(base);
    if (r.estado == TQUNZ_FALLO) Fallo(error, largo, r.error);
    return r.estado;
}

extern "C" int tqunz_confirmar(const char* destino, char* error, size_t largo) {
    const fs::path base = destino;
    if (!Existe(base / kPreparacion)) return 0;
    Cerrojo cerrojo(base);
    if (!cerrojo.Tomado()) {
        Fallo(error, largo, cerrojo.Motivo(base));
        return 1;
    }
    std::string motivo;
    const int r = Confirmar(base, motivo);
    if (r != 0) Fallo(error, largo, motivo);
    return r;
}
