// The parts of a prepared Firefox profile that are plain files: checked and emptied at every
// start-up, so they stay in the program rather than in the NSS module.
#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/linux/u_perfilFirefox.h"

namespace marlevanta {

namespace {

// Everything of a profile that names or holds a certificate: the databases (with SQLite's side
// files), the choices Firefox remembers, and what key4.db's own key encrypts, unreadable once it
// is gone.
constexpr const char* kArchivosCertificados[] = {"cert9.db",
                                                 "key4.db",
                                                 "cert9.db-journal",
                                                 "key4.db-journal",
                                                 "cert9.db-wal",
                                                 "key4.db-wal",
                                                 "cert9.db-shm",
                                                 "key4.db-shm",
                                                 "logins.json",
                                                 "logins-backup.json",
                                                 "ClientAuthRememberList.txt",
                                                 "ClientAuthRememberList.bin",
                                                 kMarcaPerfilFirefox};

QJsonObject Marca(const std::string& carpeta) {
    QFile f(QString::fromStdString(carpeta + "/" + kMarcaPerfilFirefox));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QJsonDocument::fromJson(f.read(64 * 1024)).object();
}

}  // namespace

Resultado<bool> VaciarPerfilFirefox(const std::string& carpeta) {
    bool habia = false;
    for (const char* nombre : kArchivosCertificados) {
        const std::string ruta = carpeta + "/" + nombre;
        if (unlink(ruta.c_str()) == 0) {
            if (std::string_view(nombre) == "cert9.db" || std::string_view(nombre) == "key4.db") {
                habia = true;
            }
        } else if (errno != ENOENT) {
            return Falla("No se puede borrar \"" + ruta + "\": " + std::strerror(errno));
        }
    }
    return habia;
}

std::string NombrePerfilFirefox(const std::string& carpeta) {
    return Marca(carpeta).value(QStringLiteral("nombre")).toString().toStdString();
}

bool FirefoxTienePerfil(const std::string& carpeta) {
    const std::string ruta = carpeta + "/.parentlock";
    // A lock that cannot be looked at (another user's, say) counts as held: what it guards is
    // never removed on a guess.
    const int fd = open(ruta.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return errno != ENOENT;
    struct flock f {};
    f.l_type = F_WRLCK;
    f.l_whence = SEEK_SET;
    const bool tomado = fcntl(fd, F_GETLK, &f) != 0 || f.l_type != F_UNLCK;
    close(fd);  // we held no lock of our own on it to lose
    return tomado;
}

}  // namespace marlevanta
