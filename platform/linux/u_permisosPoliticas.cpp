// The Linux back-end of the permission program's work: the managed-policy folders made when
// missing, and in each the policy file of one user, owned by that user. The folders themselves
// stay the administrator's: a folder the user could write would let them set any browser policy
// for every user of the machine.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "core/plataforma/u_permisos.h"
#include "platform/linux/u_politicasArchivos.h"
#include "platform/u_sistema.h"

namespace marlevanta {

namespace {

constexpr const char* kPrefijoSid = "S-1-22-1-";

std::string Causa(int codigo) {
    std::string t = std::strerror(codigo);
    while (!t.empty() && (static_cast<unsigned char>(t.back()) <= 32 || t.back() == '.'))
        t.pop_back();
    return t;
}

std::optional<uid_t> Numero(const std::string& texto) {
    if (texto.empty() || texto.size() > 10 ||
        texto.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const unsigned long long v = std::stoull(texto);
    if (v > 0xFFFFFFFEull) return std::nullopt;
    return static_cast<uid_t>(v);
}

std::optional<uid_t> UidDeSid(const std::string& sid) {
    if (sid.rfind(kPrefijoSid, 0) != 0) return std::nullopt;
    return Numero(sid.substr(std::strlen(kPrefijoSid)));
}

// Each missing folder of the path made root's own, readable by all: the browsers of every user
// read these folders.
Hecho CrearCarpetas(const std::string& carpeta) {
    std::string parcial;
    size_t desde = 0;
    while (desde != std::string::npos) {
        const size_t barra = carpeta.find('/', desde + 1);
        parcial = carpeta.substr(0, barra);
        desde = barra;
        if (parcial.empty()) continue;
        if (mkdir(parcial.c_str(), 0755) == 0) {
            chmod(parcial.c_str(), 0755);  // whatever the umask
            continue;
        }
        struct stat st {};
        if (errno != EEXIST || stat(parcial.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            return Falla("No se pudieron leer los permisos existentes por la siguiente causa: " +
                         Causa(errno == EEXIST ? ENOTDIR : errno));
        }
    }
    return {};
}

// The user's own file: made when missing (an empty policy), and given to that user whatever
// it was before. A link put in its place is refused, not followed.
Hecho CrearArchivo(const std::string& carpeta, const passwd& usuario) {
    const std::string ruta = carpeta + "/" + ArchivoPolitica(usuario.pw_uid);
    const int fd = open(ruta.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        return Falla("No se pudo escribir el set de permisos por la siguiente causa: " +
                     Causa(errno));
    }
    struct stat st {};
    std::string fallo;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
        fallo = "No se pudo escribir el set de permisos por la siguiente causa: \"" + ruta +
                "\" no es un archivo normal";
    } else if (fchown(fd, usuario.pw_uid, usuario.pw_gid) != 0 || fchmod(fd, 0644) != 0) {
        fallo = "No se pudieron guardar los permisos por la siguiente causa: " + Causa(errno);
    } else if (st.st_size == 0 && write(fd, "{}\n", 3) != 3) {
        fallo = "No se pudieron guardar los permisos por la siguiente causa: " + Causa(errno);
    }
    close(fd);
    if (!fallo.empty()) return Falla(fallo);
    return {};
}

}  // namespace

std::string SidUsuarioActual() {
    return TextoSid({0, 0, 0, 0, 0, 22}, {1, static_cast<std::uint32_t>(getuid())});
}

Hecho DarPermisosSoftwarePolicies(const std::string& sid) {
    std::optional<uid_t> uid;
    const char* pkexec = std::getenv("PKEXEC_UID");
    if (pkexec && pkexec[0]) {
        // Started through pkexec: the user is the one who asked, never one named by the caller.
        uid = Numero(pkexec);
        if (uid && !sid.empty() && UidDeSid(sid) != uid) {
            return Falla("El usuario indicado (" + sid +
                         ") no es el que ha pedido los permisos; no se ha cambiado nada");
        }
    } else if (sid.empty()) {
        uid = getuid();
    } else {
        uid = UidDeSid(sid);
        // Only an administrator acts for someone else.
        if (uid && getuid() != 0 && *uid != getuid()) {
            return Falla("Solo un administrador puede dar permisos a otro usuario (" + sid + ")");
        }
    }
    const passwd* usuario = uid ? getpwuid(*uid) : nullptr;
    if (!usuario) return Falla("No se pudo encontrar la cuenta del usuario en el registro");
    const passwd copia = *usuario;
    for (const auto& carpeta : TodasLasCarpetasPoliticas(RaizPoliticas())) {
        if (auto h = CrearCarpetas(carpeta); !h) return h;
        if (auto h = CrearArchivo(carpeta, copia); !h) return h;
    }
    return {};
}

}  // namespace marlevanta
