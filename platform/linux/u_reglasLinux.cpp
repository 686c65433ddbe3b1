#include "platform/linux/u_reglasLinux.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/linux/u_importadorNss.h"
#include "platform/linux/u_perfilFirefox.h"
#include "platform/linux/u_politicasArchivos.h"
#include "platform/linux/u_reglaPerfil.h"

namespace marlevanta {

namespace {

const char* Nombre(Navegador navegador) {
    return Nombres(navegador).nombre;
}

// A folder of ours that nobody else can enter.
bool Privada(const std::string& ruta) {
    struct stat st {};
    return lstat(ruta.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
           (st.st_mode & 077) == 0;
}

class Turno : public TurnoNavegador {
public:
    explicit Turno(int fd) : fd_(fd) {}
    ~Turno() override { close(fd_); }  // closing lets the lock go

private:
    int fd_;
};

class ReglasLinux : public AlmacenPoliticas {
public:
    explicit ReglasLinux(std::string raiz) : raiz_(std::move(raiz)) {}

    bool AdmitePerfil() const override { return true; }

    // Chrome, Chromium and Edge obey every file of their managed-policy folders for every user
    // of the machine: only the administrator decides what goes there. Below a root of the
    // caller's own (MARLEVANTA_POLICY_ROOT) no browser reads it, and anyone may.
    Hecho PoliticaSistemaPermitida() const override {
        if (geteuid() == 0 || raiz_ != "/") return {};
        return Falla(
            "Solo un administrador puede aplicar la regla como política del sistema: Chrome, "
            "Chromium y Edge la aplicarían a todos los usuarios de este equipo. Sin ella, el "
            "navegador que abre Marlevanta presenta igualmente el certificado elegido.");
    }

    Resultado<std::unique_ptr<TurnoNavegador>> Reservar(Navegador navegador) override {
        return ReservarTurno(navegador);
    }

    // Here nothing is handed to a user: the policy is the administrator's alone.
    bool PermisosAyudan() const override { return false; }

    Hecho Escribir(Navegador navegador, LugarRegla lugar, const ReglaCertificado& r) override {
        if (navegador == Navegador::Firefox) {
            if (lugar == LugarRegla::PoliticaSistema) {
                return Falla("Firefox no tiene una política para elegir el certificado.");
            }
            const std::string carpeta = CarpetaPerfil(navegador);
            if (auto h = Libre(navegador, carpeta); !h) return h;
            return PrepararPerfilFirefox(carpeta, DirectorioNssPorDefecto(), r);
        }
        if (lugar == LugarRegla::PoliticaSistema) {
            if (auto h = PoliticaSistemaPermitida(); !h) return h;
            return EscribirPoliticaArchivos(raiz_, navegador, r);
        }
        const std::string carpeta = CarpetaPerfil(navegador);
        // The browser would write back what it loaded when it ends, and the rule with it.
        if (auto h = Libre(navegador, carpeta); !h) return h;
        return EscribirReglaPerfil(carpeta, r);
    }

    Resultado<bool> Eliminar(Navegador navegador, LugarRegla lugar) override {
        if (lugar == LugarRegla::PoliticaSistema) {
            if (navegador == Navegador::Firefox) return false;
            return EliminarPoliticaArchivos(raiz_, navegador);
        }
        const std::string carpeta = CarpetaPerfil(navegador);
        // Taken out now, it would come back when the browser that holds the profile ends.
        if (auto h = Libre(navegador, carpeta); !h) return Fallo{h.motivo()};
        if (navegador == Navegador::Firefox) return VaciarPerfilFirefox(carpeta);
        return QuitarReglaPerfil(carpeta);
    }

    Resultado<PerfilCertificado> PrepararPerfilCertificado(Navegador navegador,
                                                           const std::string& id,
                                                           const ReglaCertificado& regla,
                                                           const std::string& nombre) override {
        return PrepararPerfilDeCertificado(navegador, id, regla, nombre);
    }
    std::vector<InfoPerfilCertificado> PerfilesCertificado(Navegador navegador) override {
        return PerfilesDeCertificado(navegador);
    }
    Hecho BorrarPerfilCertificado(Navegador navegador, const std::string& id) override {
        return BorrarPerfilDeCertificado(navegador, id);
    }

private:
    static Hecho Libre(Navegador navegador, const std::string& carpeta) {
        const UsoPerfil uso = PerfilEnUso(carpeta);
        if (!uso.enUso) return {};
        if (!uso.otroEquipo.empty()) {
            return Falla(std::string(Nombre(navegador)) + " tiene abierta la carpeta \"" + carpeta +
                         "\" en el equipo \"" + uso.otroEquipo +
                         "\". Ciérrelo allí y vuelva a intentarlo.");
        }
        return Falla(std::string(Nombre(navegador)) + " ya está abierto con la carpeta \"" +
                     carpeta + "\". Ciérrelo y vuelva a intentarlo.");
    }

    std::string raiz_;
};

}  // namespace

Resultado<std::string> CarpetaCerrojos() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && Privada(runtime)) return std::string(runtime);
    const char* cache = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    std::string base = cache && cache[0] == '/' ? cache : std::string(home ? home : "") + "/.cache";
    mkdir(base.c_str(), 0700);
    const std::string carpeta = base + "/marlevanta";
    if (mkdir(carpeta.c_str(), 0700) != 0 && errno != EEXIST) {
        return Falla("No se puede crear la carpeta \"" + carpeta + "\": " + std::strerror(errno));
    }
    struct stat st {};
    if (lstat(carpeta.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid()) {
        chmod(carpeta.c_str(), 0700);
    }
    if (!Privada(carpeta)) {
        return Falla("La carpeta \"" + carpeta + "\" no es solo de este usuario.");
    }
    return carpeta;
}

Resultado<std::unique_ptr<TurnoNavegador>> ReservarTurno(Navegador navegador) {
    auto carpeta = CarpetaCerrojos();
    if (!carpeta) return Fallo{carpeta.motivo()};
    const std::string ruta = *carpeta + "/marlevanta-" + ClaveNavegador(navegador) + ".lock";
    // Never inherited by the browser: the turn ends with this program, not with its children.
    const int fd = open(ruta.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return Falla("No se puede abrir \"" + ruta + "\": " + std::strerror(errno));
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int causa = errno;
        close(fd);
        if (causa == EWOULDBLOCK) {
            return Falla("Otra ventana de Marlevanta está usando " +
                         std::string(Nombre(navegador)) +
                         ". Cierre ese navegador y vuelva a intentarlo.");
        }
        return Falla("No se puede reservar \"" + ruta + "\": " + std::strerror(causa));
    }
    return std::unique_ptr<TurnoNavegador>(std::make_unique<Turno>(fd));
}

std::unique_ptr<AlmacenPoliticas> CrearReglasLinux(const std::string& raizPoliticas) {
    return std::make_unique<ReglasLinux>(raizPoliticas);
}

}  // namespace marlevanta
