#include "helpers/tqunz/tqunz.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kPreparacion = ".tqUpd-preparacion";
constexpr std::uint64_t kMaximoAbsoluto = std::uint64_t{1} << 30;  // 1 GiB
constexpr std::uint64_t kVecesElPaquete = 100;
constexpr zip_int64_t kMaximoEntradas = 65536;

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

// One change made to the program's folder, so that it can be undone.
struct Cambio {
    fs::path final;
    fs::path copia;  // the file it replaced, kept aside; empty when there was none
    bool carpetaCreada = false;
};

// Puts the folder back as it was, newest change first. Gives what could not be undone.
std::string Deshacer(std::vector<Cambio>& cambios) {
    std::string fallos;
    for (auto it = cambios.rbegin(); it != cambios.rend(); ++it) {
        int r = 0;
        if (it->carpetaCreada) {
            r = rmdir(it->final.c_str());
        } else if (!it->copia.empty()) {
            r = std::rename(it->copia.c_str(), it->final.c_str());
        } else {
            r = unlink(it->final.c_str());
        }
        if (r != 0 && fallos.empty()) fallos = it->final.string() + ": " + TextoErrno(errno);
    }
    cambios.clear();
    return fallos;
}

class Desempaquetado {
public:
    Desempaquetado(zip_t* zip, fs::path base, std::uint64_t maximo)
        : zip_(zip), base_(std::move(base)), preparacion_(base_ / kPreparacion), maximo_(maximo) {}

    // Every entry checked before anything is written.
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
        return {};
    }

    // Every file unpacked into the staging folder, nothing else touched yet.
    std::string Preparar() {
        std::error_code ec;
        fs::remove_all(preparacion_, ec);
        // A folder the user may not write in is the usual failure: it is named, not left to
        // whatever the first file write says.
        if (mkdir(preparacion_.c_str(), 0700) != 0) {
            return "no se puede escribir en la carpeta del programa " + base_.string() + " (" +
                   TextoErrno(errno) + ")";
        }
        preparada_ = true;
        for (Entrada& e : entradas_) {
            if (e.carpeta) continue;
            e.temporal = preparacion_ / std::to_string(e.indice);
            if (std::string p = Extraer(e); !p.empty()) return p;
        }
        return {};
    }

    // The files take their places; any failure puts back everything done before it.
    std::string Instalar() {
        const fs::path copias = preparacion_ / "copias";
        if (mkdir(copias.c_str(), 0700) != 0) {
            return "no se puede escribir en la carpeta del programa " + base_.string() + " (" +
                   TextoErrno(errno) + ")";
        }
        std::vector<Cambio> cambios;
        std::string problema;
        for (const Entrada& e : entradas_) {
            const fs::path carpeta =
                e.carpeta ? fs::path(e.destino) : fs::path(e.destino).parent_path();
            problema = CrearCarpetas(carpeta, cambios);
            if (!problema.empty()) break;
            if (e.carpeta) continue;
            const fs::path final = base_ / e.destino;
            if (fchmodat(AT_FDCWD, e.temporal.c_str(), ModoFinal(e, final), 0) != 0) {
                problema =
                    "no se pueden fijar los permisos de " + e.destino + ": " + TextoErrno(errno);
                break;
            }
            Cambio c{final, {}, false};
            struct stat st {};
            if (lstat(final.c_str(), &st) == 0) {
                c.copia = copias / std::to_string(e.indice);
                if (std::rename(final.c_str(), c.copia.c_str()) != 0) {
                    problema = "no se puede reemplazar " + e.destino + ": " + TextoErrno(errno);
                    break;
                }
            }
            if (std::rename(e.temporal.c_str(), final.c_str()) != 0) {
                problema = "no se puede reemplazar " + e.destino + ": " + TextoErrno(errno);
                if (!c.copia.empty()) std::rename(c.copia.c_str(), final.c_str());
                break;
            }
            cambios.push_back(std::move(c));
        }
        if (problema.empty()) return {};
        if (std::string resto = Deshacer(cambios); !resto.empty()) {
            // What is still aside stays in the staging folder, so that nothing is lost.
            conservar_ = true;
            problema += "; y no se ha podido dejar todo como estaba (" + resto + "): las copias " +
                        "de los archivos anteriores están en " + copias.string();
        }
        return problema;
    }

    ~Desempaquetado() {
        std::error_code ec;
        if (preparada_ && !conservar_) fs::remove_all(preparacion_, ec);
    }

private:
    std::string Demasiado() const {
        return "el paquete ocupa más de " + Tamano(maximo_) +
               " descomprimido (el límite es 100 veces su tamaño y nunca más de 1 GiB): se rechaza";
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
            for (zip_int64_t hecho = 0; hecho < leidos && problema.empty();) {
                const ssize_t w = write(fd, bloque + hecho, static_cast<size_t>(leidos - hecho));
                if (w < 0 && errno == EINTR) continue;
                if (w <= 0) {
                    problema = "no se puede escribir " + e.destino + ": " +
                               TextoErrno(w < 0 ? errno : ENOSPC);
                } else {
                    hecho += w;
                }
            }
        }
        zip_fclose(archivo);
        if (fd >= 0 && close(fd) != 0 && problema.empty()) {
            problema = "no se puede escribir " + e.destino + ": " + TextoErrno(errno);
        }
        return problema;
    }

    // The missing folders of `relativa`, each noted as a change.
    std::string CrearCarpetas(const fs::path& relativa, std::vector<Cambio>& cambios) {
        fs::path p = base_;
        for (const auto& parte : relativa) {
            p /= parte;
            if (mkdir(p.c_str(), 0755) == 0) {
                cambios.push_back(Cambio{p, {}, true});
                continue;
            }
            const int e = errno;
            struct stat st {};
            if (e == EEXIST && lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
            return "no se puede crear la carpeta " + p.lexically_relative(base_).string() + ": " +
                   TextoErrno(e == EEXIST ? ENOTDIR : e);
        }
        return {};
    }

    zip_t* zip_;
    fs::path base_;
    fs::path preparacion_;
    std::uint64_t maximo_;
    std::uint64_t escritos_ = 0;
    std::vector<Entrada> entradas_;
    bool preparada_ = false;
    bool conservar_ = false;
};

}  // namespace

extern "C" int tqunz_extraer(const char* paquete, const char* clave, const char* destino,
                             char* error, size_t largo) {
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
        Desempaquetado d(zip, destino, maximo);
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
