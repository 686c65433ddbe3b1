#include "platform/linux/u_politicasArchivos.h"

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

// The whole file replaced by `contenido`: truncated, then one write. A browser reading at that
// moment sees an empty file, which it skips, never a mixture of two policies.
Hecho Reescribir(const std::string& ruta, const std::string& contenido) {
    // Created only where this user may create files (root, or a test's own folder); otherwise
    // the permission program has to make it first.
    const int fd = open(ruta.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        return Falla("No se puede escribir la política en \"" + ruta + "\": " + Causa(errno));
    }
    struct stat st {};
    std::string fallo;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        fallo = "\"" + ruta + "\" no es un archivo";
    } else if (ftruncate(fd, 0) != 0) {
        fallo = "No se puede escribir la política en \"" + ruta + "\": " + Causa(errno);
    } else {
        size_t hecho = 0;
        while (fallo.empty() && hecho < contenido.size()) {
            const ssize_t n = write(fd, contenido.data() + hecho, contenido.size() - hecho);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                fallo = "No se puede escribir la política en \"" + ruta + "\": " + Causa(errno);
            } else {
                hecho += static_cast<size_t>(n);
            }
        }
    }
    if (close(fd) != 0 && fallo.empty()) {
        fallo = "No se puede escribir la política en \"" + ruta + "\": " + Causa(errno);
    }
    if (!fallo.empty()) return Falla(fallo);
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
    return raiz && raiz[0] ? raiz : "/";
}

std::vector<std::string> CarpetasPoliticas(Navegador navegador, const std::string& raiz) {
    const fs::path r(raiz);
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
        // Only root gets this far by itself; for anyone else the folders come from pqrvr.
        if (!fs::is_directory(carpeta, ec)) fs::create_directories(carpeta, ec);
        if (auto h = Reescribir(carpeta + "/" + archivo, contenido); !h) {
            // Half a policy is no policy: what was written is taken back.
            (void)EliminarPoliticaArchivos(raiz, navegador);
            return h;
        }
    }
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
        if (auto h = Reescribir(ruta, kPoliticaVacia); !h) {
            if (fallo.empty()) fallo = h.motivo();
            continue;
        }
        alguna = true;
    }
    if (!fallo.empty()) return Falla(fallo);
    return alguna;
}

}  // namespace marlevanta
