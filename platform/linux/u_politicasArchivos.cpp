#include "platform/linux/u_politicasArchivos.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace marlevanta {

namespace fs = std::filesystem;

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

namespace {

// A browser that starts meanwhile reads the old file or the new one, never half of one.
bool EscribirAtomico(const fs::path& carpeta, const std::string& contenido) {
    std::error_code ec;
    fs::create_directories(carpeta, ec);
    std::string plantilla = (carpeta / ".marlevanta.json.XXXXXX").string();
    const int fd = mkstemp(plantilla.data());
    if (fd < 0) return false;
    bool ok = fchmod(fd, 0644) == 0;
    size_t hecho = 0;
    while (ok && hecho < contenido.size()) {
        const ssize_t n = write(fd, contenido.data() + hecho, contenido.size() - hecho);
        ok = n > 0;
        if (ok) hecho += static_cast<size_t>(n);
    }
    ok = fsync(fd) == 0 && ok;
    ok = close(fd) == 0 && ok;
    if (ok) ok = std::rename(plantilla.c_str(), (carpeta / kArchivoPolitica).c_str()) == 0;
    if (!ok) unlink(plantilla.c_str());
    return ok;
}

class PoliticasArchivos : public AlmacenPoliticas {
public:
    explicit PoliticasArchivos(std::string raiz) : raiz_(std::move(raiz)) {}

    Hecho Escribir(Navegador navegador, const std::string& textoPolitica) override {
        const std::string contenido =
            "{\"AutoSelectCertificateForUrls\": [" + CadenaJson(textoPolitica) + "]}\n";
        std::string fallo;
        for (const auto& carpeta : CarpetasPoliticas(navegador, raiz_)) {
            if (!EscribirAtomico(carpeta, contenido) && fallo.empty()) {
                fallo = "No se puede escribir la política en \"" + carpeta +
                        "\": " + std::strerror(errno);
            }
        }
        if (fallo.empty()) return {};
        // Half a policy is no policy: what was written is taken back.
        (void)Eliminar(navegador);
        return Falla(fallo);
    }

    Resultado<bool> Eliminar(Navegador navegador) override {
        bool alguno = false;
        std::string fallo;
        for (const auto& carpeta : CarpetasPoliticas(navegador, raiz_)) {
            const fs::path archivo = fs::path(carpeta) / kArchivoPolitica;
            if (unlink(archivo.c_str()) == 0) {
                alguno = true;
            } else if (errno != ENOENT && errno != ENOTDIR && fallo.empty()) {
                fallo = "No se puede quitar la política \"" + archivo.string() +
                        "\": " + std::strerror(errno);
            }
        }
        if (!fallo.empty()) return Falla(fallo);
        return alguno;
    }

private:
    std::string raiz_;
};

}  // namespace

std::unique_ptr<AlmacenPoliticas> CrearAlmacenPoliticasArchivos(const std::string& raiz) {
    return std::make_unique<PoliticasArchivos>(raiz);
}

}  // namespace marlevanta
