#include "platform/linux/u_reglaPerfil.h"

#include "platform/linux/u_archivoAtomico.h"
#include "platform/linux/u_importadorNss.h"
#include "platform/linux/u_perfilFirefox.h"
#include "platform/linux/u_reglasLinux.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace marlevanta {

namespace fs = std::filesystem;

namespace {

constexpr const char* kClaveRegla = "https://*,*";
const char* const kRuta[] = {"profile", "content_settings", "exceptions",
                             "auto_select_certificate"};

std::string Preferencias(const std::string& carpeta) {
    return carpeta + "/Default/Preferences";
}

std::string Enlace(const std::string& ruta) {
    char destino[PATH_MAX];
    const ssize_t n = readlink(ruta.c_str(), destino, sizeof destino - 1);
    return n > 0 ? std::string(destino, static_cast<size_t>(n)) : std::string();
}

// The process still runs and is a browser (a number handed to another program since does not
// count). Another user's process that we may not look at counts as running.
bool NavegadorVivo(long pid) {
    if (pid <= 0 || pid > INT_MAX) return false;
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return false;
    QFile orden(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!orden.open(QIODevice::ReadOnly)) return true;
    const QByteArray texto = orden.readAll().toLower();
    return texto.contains("chrom") || texto.contains("edge");
}

// The browser that holds the profile answers on its socket; a dead one's socket refuses.
bool SocketResponde(const std::string& carpeta) {
    std::string ruta = carpeta + "/SingletonSocket";
    if (const std::string destino = Enlace(ruta); !destino.empty()) ruta = destino;
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    if (ruta.size() >= sizeof a.sun_path) return false;
    std::memcpy(a.sun_path, ruta.c_str(), ruta.size() + 1);
    const int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return false;
    const bool responde = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return responde;
}

std::string NombreEquipo() {
    char nombre[HOST_NAME_MAX + 1] = {};
    gethostname(nombre, sizeof nombre - 1);
    return nombre;
}

Resultado<QJsonObject> LeerPreferencias(const std::string& ruta, bool& existe) {
    QFile f(QString::fromStdString(ruta));
    existe = f.exists();
    if (!existe) return QJsonObject();
    if (!f.open(QIODevice::ReadOnly)) {
        return Falla("No se pueden leer las preferencias del navegador \"" + ruta +
                     "\": " + f.errorString().toStdString());
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &error);
    // A damaged file is left for the browser to deal with, never overwritten by us.
    if (doc.isNull() || !doc.isObject()) {
        return Falla("Las preferencias del navegador \"" + ruta + "\" están dañadas (" +
                     error.errorString().toStdString() +
                     "). Ábralo una vez sin Marlevanta o borre ese archivo.");
    }
    return doc.object();
}

// The content setting's value naming the certificate. The filter is the one the managed policy
// carries, read back: one text for both places.
QJsonObject ReglaJson(const ReglaCertificado& regla) {
    const QJsonObject filtro =
        QJsonDocument::fromJson(QByteArray::fromStdString(TextoFiltro(regla))).object();
    return {
        {QStringLiteral("setting"), QJsonObject{{QStringLiteral("filters"), QJsonArray{filtro}}}}};
}

// The browser never reads half a file: a temporary file in the same folder, then a rename.
Hecho GuardarPreferencias(const std::string& ruta, const QJsonObject& raiz) {
    const fs::path carpeta = fs::path(ruta).parent_path();
    std::error_code ec;
    fs::create_directories(carpeta, ec);
    // The browser keeps its profile to its user alone.
    fs::permissions(carpeta.parent_path(), fs::perms::owner_all, ec);
    fs::permissions(carpeta, fs::perms::owner_all, ec);
    const QByteArray texto = QJsonDocument(raiz).toJson(QJsonDocument::Compact);
    if (auto h =
            EscribirArchivoAtomico(ruta, std::string_view(texto.constData(), size_t(texto.size())),
                                   ".Preferences.marlevanta.", 0600);
        !h) {
        return Falla("No se pueden guardar las preferencias del navegador \"" + ruta +
                     "\": " + h.motivo());
    }
    return {};
}

}  // namespace

std::string CarpetaPerfil(Navegador navegador) {
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/Marlevanta/" + ClaveNavegador(navegador);
}

UsoPerfil PerfilEnUso(const std::string& carpeta) {
    UsoPerfil uso;
    if (FirefoxTienePerfil(carpeta)) {
        uso.enUso = true;
        return uso;
    }
    const std::string cerrojo = Enlace(carpeta + "/SingletonLock");
    if (!cerrojo.empty()) {
        const auto guion = cerrojo.rfind('-');
        const std::string equipo = cerrojo.substr(0, guion == std::string::npos ? 0 : guion);
        const std::string numero = guion == std::string::npos ? "" : cerrojo.substr(guion + 1);
        if (guion != std::string::npos && equipo != NombreEquipo()) {
            // The browser there refuses the profile too; nothing here can tell if it is stale.
            uso.enUso = true;
            uso.otroEquipo = equipo;
            return uso;
        }
        char* fin = nullptr;
        const long pid = std::strtol(numero.c_str(), &fin, 10);
        if (!numero.empty() && fin && *fin == 0 && NavegadorVivo(pid)) {
            uso.enUso = true;
            return uso;
        }
    }
    // A browser in another process namespace (a sandboxed build) is seen only by its socket.
    uso.enUso = SocketResponde(carpeta);
    return uso;
}

Hecho EscribirReglaPerfil(const std::string& carpeta, const ReglaCertificado& regla) {
    if (!Utf8Valido(regla.sujeto) || !Utf8Valido(regla.emisor)) {
        return Falla("El nombre del certificado no es texto UTF-8 válido.");
    }
    const std::string ruta = Preferencias(carpeta);
    bool existe = false;
    auto raiz = LeerPreferencias(ruta, existe);
    if (!raiz) return Fallo{raiz.motivo()};
    const QJsonObject regla_ = ReglaJson(regla);
    // Down the path, each level kept with everything else it holds.
    QJsonObject niveles[std::size(kRuta) + 1];
    niveles[0] = *raiz;
    for (size_t i = 0; i < std::size(kRuta); ++i) {
        niveles[i + 1] = niveles[i].value(QLatin1String(kRuta[i])).toObject();
    }
    niveles[std::size(kRuta)].insert(QLatin1String(kClaveRegla), regla_);
    for (size_t i = std::size(kRuta); i > 0; --i) {
        niveles[i - 1].insert(QLatin1String(kRuta[i - 1]), niveles[i]);
    }
    return GuardarPreferencias(ruta, niveles[0]);
}

Resultado<bool> QuitarReglaPerfil(const std::string& carpeta) {
    const std::string ruta = Preferencias(carpeta);
    bool existe = false;
    auto raiz = LeerPreferencias(ruta, existe);
    if (!raiz) return Fallo{raiz.motivo()};
    QJsonObject niveles[std::size(kRuta) + 1];
    niveles[0] = *raiz;
    for (size_t i = 0; i < std::size(kRuta); ++i) {
        const QJsonValue v = niveles[i].value(QLatin1String(kRuta[i]));
        if (!v.isObject()) return false;
        niveles[i + 1] = v.toObject();
    }
    if (!niveles[std::size(kRuta)].contains(QLatin1String(kClaveRegla))) return false;
    niveles[std::size(kRuta)].remove(QLatin1String(kClaveRegla));
    for (size_t i = std::size(kRuta); i > 0; --i) {
        niveles[i - 1].insert(QLatin1String(kRuta[i - 1]), niveles[i]);
    }
    if (auto h = GuardarPreferencias(ruta, niveles[0]); !h) return Fallo{h.motivo()};
    return true;
}

std::string CarpetaPerfilesCertificado(Navegador navegador) {
    return CarpetaPerfil(navegador) + "/perfiles";
}

bool IdPerfilValido(const std::string& id) {
    if (id.empty() || id.size() > 64) return false;
    return std::all_of(id.begin(), id.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

namespace {

constexpr unsigned kColores[] = {0xFF1A73E8, 0xFFD93025, 0xFF188038, 0xFFE37400,
                                 0xFF9334E6, 0xFF007B83, 0xFFC5221F, 0xFF5F6368};

// The window frame tells two profiles apart: a new profile takes the colour fewest of the others
// have, so that the first eight clients never share one (a colour from the id alone did).
int ColorNuevo(const std::string& carpetaPerfiles, const std::string& id) {
    int usos[std::size(kColores)] = {};
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(carpetaPerfiles, ec)) {
        if (e.path().filename() == id) continue;
        bool hay = false;
        const auto p = LeerPreferencias(Preferencias(e.path().string()), hay);
        if (!p) continue;
        const auto color = static_cast<unsigned>(
            p->value("browser").toObject().value("theme").toObject().value("user_color").toInt());
        for (size_t i = 0; i < std::size(kColores); ++i) {
            if (kColores[i] == color) ++usos[i];
        }
    }
    size_t menos = 0;
    for (size_t i = 1; i < std::size(kColores); ++i) {
        if (usos[i] < usos[menos]) menos = i;
    }
    return static_cast<int>(kColores[menos]);  // the browser keeps ARGB signed
}

QJsonObject Con(QJsonObject objeto, const QStringList& ruta, const QJsonValue& valor) {
    if (ruta.size() == 1) {
        objeto.insert(ruta[0], valor);
        return objeto;
    }
    objeto.insert(ruta[0], Con(objeto.value(ruta[0]).toObject(), ruta.mid(1), valor));
    return objeto;
}

QJsonValue En(const QJsonObject& objeto, const QStringList& ruta) {
    QJsonValue v = objeto;
    for (const QString& clave : ruta) v = v.toObject().value(clave);
    return v;
}

// Firefox's profile of one certificate gets its copy made again from the store at each start,
// so that it follows the store (a password set since, a certificate removed); a Firefox that
// has the profile open keeps the one it has. Two copies of the program take turns.
Resultado<PerfilCertificado> PrepararFirefoxDeCertificado(const std::string& carpeta,
                                                          const std::string& id,
                                                          const ReglaCertificado& regla,
                                                          const std::string& nombre) {
    auto cerrojos = CarpetaCerrojos();
    if (!cerrojos) return Fallo{cerrojos.motivo()};
    const std::string ruta = *cerrojos + "/marlevanta-firefox-" + id + ".lock";
    const int fd = open(ruta.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return Falla("No se puede abrir \"" + ruta + "\": " + std::strerror(errno));
    flock(fd, LOCK_EX);
    Resultado<PerfilCertificado> r = PerfilCertificado{carpeta, true};
    if (!FirefoxTienePerfil(carpeta)) {
        if (auto h = PrepararPerfilFirefox(carpeta, DirectorioNssPorDefecto(), regla, nombre); h) {
            r = PerfilCertificado{carpeta, false};
        } else {
            // A copy the store no longer backs is not left behind.
            if (h.motivo() != kFaltaContrasenaAlmacen &&
                h.motivo() != kContrasenaAlmacenIncorrecta) {
                (void)VaciarPerfilFirefox(carpeta);
            }
            r = Fallo{h.motivo()};
        }
    }
    close(fd);
    return r;
}

}  // namespace

Resultado<PerfilCertificado> PrepararPerfilDeCertificado(Navegador navegador, const std::string& id,
                                                         const ReglaCertificado& regla,
                                                         const std::string& nombre) {
    if (!IdPerfilValido(id)) return Falla("El identificador del perfil \"" + id + "\" no vale.");
    const std::string carpeta = CarpetaPerfilesCertificado(navegador) + "/" + id;
    // Firefox is handed the certificate itself, whatever its name.
    if (navegador == Navegador::Firefox) {
        return PrepararFirefoxDeCertificado(carpeta, id, regla, nombre);
    }
    if (!Utf8Valido(regla.sujeto) || !Utf8Valido(regla.emisor)) {
        return Falla("El nombre del certificado no es texto UTF-8 válido.");
    }
    std::error_code ec;
    fs::create_directories(carpeta + "/Default", ec);
    if (ec) {
        return Falla("No se puede crear la carpeta del perfil \"" + carpeta +
                     "\": " + ec.message());
    }
    // Whom the user works for shows in these folders: theirs alone.
    for (const std::string& c : {CarpetaPerfil(navegador), CarpetaPerfilesCertificado(navegador),
                                 carpeta, carpeta + "/Default"}) {
        fs::permissions(c, fs::perms::owner_all, ec);
    }
    const UsoPerfil uso = PerfilEnUso(carpeta);
    if (uso.enUso && !uso.otroEquipo.empty()) {
        return Falla("El perfil de este certificado está abierto en el equipo \"" + uso.otroEquipo +
                     "\" (carpeta \"" + carpeta +
                     "\"). Cierre allí el navegador y vuelva a "
                     "intentarlo.");
    }
    // The browser that has it open writes its preferences back when it ends: the rule it was
    // started with is already in them.
    if (uso.enUso) return PerfilCertificado{carpeta, true};

    const std::string ruta = Preferencias(carpeta);
    bool existe = false;
    auto raiz = LeerPreferencias(ruta, existe);
    if (!raiz) return Fallo{raiz.motivo()};
    const QJsonObject esperada = ReglaJson(regla);
    QStringList rutaRegla;
    for (const char* k : kRuta) rutaRegla << QLatin1String(k);
    rutaRegla << QLatin1String(kClaveRegla);
    const QString nombreQt = QString::fromStdString(nombre);
    const QStringList rutaNombre{QStringLiteral("profile"), QStringLiteral("name")};
    const QStringList rutaColor{QStringLiteral("browser"), QStringLiteral("theme"),
                                QStringLiteral("user_color")};
    if (En(*raiz, rutaRegla) != esperada || En(*raiz, rutaNombre).toString() != nombreQt) {
        QJsonObject nueva = Con(*raiz, rutaRegla, esperada);
        nueva = Con(nueva, rutaNombre, nombreQt);
        if (!En(nueva, rutaColor).isDouble()) {
            nueva = Con(nueva, rutaColor, ColorNuevo(CarpetaPerfilesCertificado(navegador), id));
        }
        if (auto h = GuardarPreferencias(ruta, nueva); !h) return Fallo{h.motivo()};
        // The name the browser shows for the profile is kept in the folder's Local State.
        const std::string estado = carpeta + "/Local State";
        bool hay = false;
        auto local = LeerPreferencias(estado, hay);
        if (local) {
            QJsonObject l = Con(*local, {"profile", "info_cache", "Default", "name"}, nombreQt);
            l = Con(l, {"profile", "info_cache", "Default", "is_using_default_name"}, false);
            (void)GuardarPreferencias(estado, l);
        }
    }
    return PerfilCertificado{carpeta, false};
}

std::vector<InfoPerfilCertificado> PerfilesDeCertificado(Navegador navegador) {
    std::vector<InfoPerfilCertificado> r;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(CarpetaPerfilesCertificado(navegador), ec)) {
        const std::string id = e.path().filename().string();
        if (!e.is_directory(ec) || e.is_symlink(ec) || !IdPerfilValido(id)) continue;
        InfoPerfilCertificado info;
        info.id = id;
        info.carpeta = e.path().string();
        bool existe = false;
        if (navegador == Navegador::Firefox) {
            info.nombre = NombrePerfilFirefox(info.carpeta);
        } else if (auto p = LeerPreferencias(Preferencias(info.carpeta), existe)) {
            info.nombre = En(*p, {"profile", "name"}).toString().toStdString();
        }
        struct stat st {};
        if (lstat(info.carpeta.c_str(), &st) == 0) info.ultimoUso = st.st_mtime;
        for (auto i = fs::recursive_directory_iterator(
                 info.carpeta, fs::directory_options::skip_permission_denied, ec);
             i != fs::recursive_directory_iterator(); i.increment(ec)) {
            if (ec) break;
            if (lstat(i->path().c_str(), &st) != 0) continue;
            if (S_ISREG(st.st_mode)) info.bytes += static_cast<std::uintmax_t>(st.st_blocks) * 512;
            info.ultimoUso = std::max<std::int64_t>(info.ultimoUso, st.st_mtime);
        }
        info.abierto = PerfilEnUso(info.carpeta).enUso;
        r.push_back(std::move(info));
    }
    std::sort(r.begin(), r.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
    return r;
}

Hecho BorrarPerfilDeCertificado(Navegador navegador, const std::string& id) {
    if (!IdPerfilValido(id)) return Falla("El identificador del perfil \"" + id + "\" no vale.");
    const std::string carpeta = CarpetaPerfilesCertificado(navegador) + "/" + id;
    if (PerfilEnUso(carpeta).enUso) {
        return Falla("El navegador tiene abierto este perfil (\"" + carpeta +
                     "\"). Ciérrelo y vuelva a intentarlo.");
    }
    std::error_code ec;
    fs::remove_all(carpeta, ec);
    if (ec) return Falla("No se ha podido borrar \"" + carpeta + "\": " + ec.message());
    return {};
}

}  // namespace marlevanta
