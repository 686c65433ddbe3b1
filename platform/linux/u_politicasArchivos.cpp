#include "platform/linux/u_politicasArchivos.h"

#include "platform/linux/u_archivoAtomico.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace marlevanta {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPoliticaVacia = "{}\n";

std::string Causa(int codigo) {
    return std::strerror(codigo);
}

// The file is always the writer's own, whoever held the old one (earlier versions gave each
// user theirs) and whatever link was planted there. The temporary name is hidden and without the
// .json ending: no browser takes it for a policy of its own.
Hecho Reescribir(const std::string& ruta, const std::string& contenido) {
    if (auto h = EscribirArchivoAtomico(ruta, contenido, ".marlevanta-", 0644); !h) {
        return Falla("No se puede escribir la política en \"" + ruta + "\": " + h.motivo());
    }
    return {};
}

// The file's content; nothing when it does not exist.
Resultado<std::string> Leer(const std::string& ruta, bool& existe) {
    existe = false;
    const int fd = open(ruta.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return std::string();
        return Falla("No se puede leer la política \"" + ruta + "\": " + Causa(errno));
    }
    existe = true;
    std::string r;
    char bloque[4096];
    ssize_t n;
    while ((n = read(fd, bloque, sizeof bloque)) > 0 && r.size() < (1u << 20)) {
        r.append(bloque, static_cast<size_t>(n));
    }
    close(fd);
    return r;
}

bool VaciarPropio(const std::string& ruta) {
    const int fd = open(ruta.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    const bool hecho = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == getuid() &&
                       ftruncate(fd, 0) == 0 &&
                       write(fd, kPoliticaVacia, std::strlen(kPoliticaVacia)) ==
                           static_cast<ssize_t>(std::strlen(kPoliticaVacia));
    return close(fd) == 0 && hecho;
}

bool SinRegla(const std::string& contenido) {
    std::string limpio;
    for (char c : contenido) {
        if (c != ' ' && c != '\n' && c != '\r' && c != '\t') limpio += c;
    }
    return limpio.empty() || limpio == "{}";
}

}  // namespace

std::string ArchivoPolitica(uid_t uid) {
    return "marlevanta-" + std::to_string(uid) + ".json";
}

std::string RaizPoliticas() {
    const char* raiz = std::getenv("MARLEVANTA_POLICY_ROOT");
    if (!raiz || !raiz[0]) return "/";
    // Root takes it only where no other user could move a folder of the path elsewhere (a
    // variable kept through `sudo -E` would otherwise have root write wherever a user points).
    if (geteuid() == 0) {
        for (fs::path p = fs::absolute(raiz);; p = p.parent_path()) {
            struct stat st {};
            if (lstat(p.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != 0 ||
                ((st.st_mode & 022) != 0 && (st.st_mode & S_ISVTX) == 0)) {
                return "/";
            }
            if (p == p.parent_path()) break;
        }
    }
    return raiz;
}

std::vector<std::string> CarpetasPoliticas(Navegador navegador, const std::string& raiz) {
    const fs::path r(raiz);
    if (navegador == Navegador::Firefox) return {};  // it has no rule of this kind
    if (navegador == Navegador::Edge) return {(r / "etc/opt/edge/policies/managed").string()};
    // Google Chrome and Chromium each read their own folder.
    return {(r / "etc/opt/chrome/policies/managed").string(),
            (r / "etc/chromium/policies/managed").string()};
}

std::vector<std::string> TodasLasCarpetasPoliticas(const std::string& raiz) {
    auto todas = CarpetasPoliticas(Navegador::Edge, raiz);
    for (auto& c : CarpetasPoliticas(Navegador::Chrome, raiz)) todas.push_back(c);
    return todas;
}

Hecho EscribirPoliticaArchivos(const std::string& raiz, Navegador navegador,
                               const ReglaCertificado& regla) {
    const std::string contenido =
        "{\"AutoSelectCertificateForUrls\": [" + CadenaJson(TextoPolitica(regla)) + "]}\n";
    const std::string archivo = ArchivoPolitica(getuid());
    for (const auto& carpeta : CarpetasPoliticas(navegador, raiz)) {
        std::error_code ec;
        if (!fs::is_directory(carpeta, ec)) fs::create_directories(carpeta, ec);
        if (auto h = Reescribir(carpeta + "/" + archivo, contenido); !h) {
            // Half a policy is no policy: what was written is taken back.
            (void)EliminarPoliticaArchivos(raiz, navegador);
            return h;
        }
    }
    return {};
}

Hecho RecuperarPoliticasDeUsuarios(const std::string& raiz) {
    std::string fallo;
    for (const auto& carpeta : TodasLasCarpetasPoliticas(raiz)) {
        std::error_code ec;
        fs::directory_iterator i(carpeta, ec), fin;
        for (; !ec && i != fin; i.increment(ec)) {
            const std::string nombre = i->path().filename().string();
            // What a write cut short left behind is ours, whoever made it.
            if (nombre.rfind(".marlevanta-", 0) == 0) {
                fs::remove(i->path(), ec);
                if (ec) break;
                continue;
            }
            if (nombre.rfind("marlevanta-", 0) != 0 || !nombre.ends_with(".json")) continue;
            struct stat st {};
            if (lstat(i->path().c_str(), &st) != 0) continue;
            // Root's own, written by nobody else and under one name alone: left as it is.
            if (S_ISREG(st.st_mode) && st.st_uid == 0 && (st.st_mode & 022) == 0 &&
                st.st_nlink == 1) {
                continue;
            }
            if (auto h = Reescribir(i->path().string(), kPoliticaVacia); !h && fallo.empty()) {
                fallo = h.motivo();
            }
        }
        // A folder that is not there holds nothing to take back; one that cannot be read might.
        if (ec && ec != std::errc::no_such_file_or_directory && fallo.empty()) {
            fallo = "No se puede revisar la carpeta \"" + carpeta + "\": " + ec.message();
        }
    }
    if (!fallo.empty()) return Falla(fallo);
    return {};
}

Resultado<bool> EliminarPoliticaArchivos(const std::string& raiz, Navegador navegador) {
    bool alguna = false;
    std::string fallo;
    for (const auto& carpeta : CarpetasPoliticas(navegador, raiz)) {
        const std::string ruta = carpeta + "/" + ArchivoPolitica(getuid());
        bool existe = false;
        auto contenido = Leer(ruta, existe);
        if (!contenido) {
            if (fallo.empty()) fallo = contenido.motivo();
            continue;
        }
        if (!existe || SinRegla(*contenido)) continue;
        // A file an earlier version gave this user, in a folder they may not write: emptied
        // where it is, the one thing left to do with it until the administrator takes it back.
        if (auto h = Reescribir(ruta, kPoliticaVacia); !h && !VaciarPropio(ruta)) {
            if (fallo.empty()) fallo = h.motivo();
            continue;
        }
        alguna = true;
    }
    if (!fallo.empty()) return Falla(fallo);
    return alguna;
}

}  // namespace marlevanta
