#include "platform/linux/u_reglaPerfil.h"

#include "platform/linux/u_archivoAtomico.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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
    return std::string(home ? home : "") + "/Marlevanta/" +
           (navegador == Navegador::Edge ? "edge" : "chrome");
}

UsoPerfil PerfilEnUso(const std::string& carpeta) {
    UsoPerfil uso;
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
    // The filter is the one the managed policy carries, read back: one text for both places.
    const QJsonObject filtro =
        QJsonDocument::fromJson(QByteArray::fromStdString(TextoFiltro(regla))).object();
    QJsonObject regla_{
        {QStringLiteral("setting"), QJsonObject{{QStringLiteral("filters"), QJsonArray{filtro}}}}};
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

}  // namespace marlevanta
