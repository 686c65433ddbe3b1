#include "platform/linux/u_archivoProgramaPosix.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "marlevanta_version.h"
#include "platform/u_sistema.h"

namespace marlevanta {

namespace {

class ArchivoPosix : public ArchivoPrograma {
public:
    ArchivoPosix(std::string ruta, std::optional<VersionArchivo> version)
        : ruta_(std::move(ruta)), version_(version) {}

    Resultado<VersionArchivo> Version() const override {
        if (!version_) return Falla("El programa no tiene número de versión.");
        return *version_;
    }

    Resultado<std::chrono::system_clock::time_point> UltimaEscritura() const override {
        struct stat st {};
        if (::stat(ruta_.c_str(), &st) != 0) {
            return Falla("No se puede leer la fecha de \"" + ruta_ + "\": " + std::strerror(errno));
        }
        return std::chrono::system_clock::time_point(
            std::chrono::duration_cast<std::chrono::system_clock::duration>(
                std::chrono::seconds(st.st_mtim.tv_sec) +
                std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
    }

private:
    std::string ruta_;
    std::optional<VersionArchivo> version_;
};

}  // namespace

std::unique_ptr<ArchivoPrograma> CrearArchivoPrograma(std::string ruta,
                                                      std::optional<VersionArchivo> version) {
    return std::make_unique<ArchivoPosix>(std::move(ruta), version);
}

std::unique_ptr<ArchivoPrograma> CrearArchivoPrograma() {
    std::error_code ec;
    const auto ruta = std::filesystem::read_symlink("/proc/self/exe", ec);
    return CrearArchivoPrograma(ec ? std::string() : ruta.string(),
                                VersionArchivo{MARLEVANTA_VERSION_MAJOR, MARLEVANTA_VERSION_MINOR,
                                               MARLEVANTA_VERSION_PATCH, MARLEVANTA_VERSION_TWEAK});
}

}  // namespace marlevanta
