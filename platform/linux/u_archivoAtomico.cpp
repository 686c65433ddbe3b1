#include "platform/linux/u_archivoAtomico.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace marlevanta {

Hecho EscribirArchivoAtomico(const std::string& ruta, std::string_view contenido,
                             const std::string& oculto, mode_t modo) {
    std::string temporal =
        (std::filesystem::path(ruta).parent_path() / (oculto + "XXXXXX")).string();
    const int fd = mkostemp(temporal.data(), O_CLOEXEC);
    if (fd < 0) return Falla(std::strerror(errno));
    int causa = fchmod(fd, modo) == 0 ? 0 : errno;
    size_t hecho = 0;
    while (causa == 0 && hecho < contenido.size()) {
        const ssize_t n = write(fd, contenido.data() + hecho, contenido.size() - hecho);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            causa = n < 0 ? errno : EIO;
        } else {
            hecho += static_cast<size_t>(n);
        }
    }
    if (causa == 0 && fsync(fd) != 0) causa = errno;
    if (close(fd) != 0 && causa == 0) causa = errno;
    if (causa == 0 && rename(temporal.c_str(), ruta.c_str()) != 0) causa = errno;
    if (causa != 0) {
        unlink(temporal.c_str());
        return Falla(std::strerror(causa));
    }
    return {};
}

}  // namespace marlevanta
