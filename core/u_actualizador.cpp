#include "core/u_actualizador.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QLocale>
#include <QStandardPaths>
#include <cstdio>
#include <filesystem>

#include "core/u_datosPrograma.h"

namespace marlevanta {

QString VersionPuntos(int n) {
    return QStringLiteral("%1.%2.%3").arg(n / 10000).arg((n % 10000) / 100).arg(n % 100);
}

QString PreguntaActualizacion(int n, const QString& cambios) {
    QString t = QStringLiteral("Existe la versión ") + VersionPuntos(n);
    if (!cambios.isEmpty()) {
        t += QStringLiteral(" que contempla los siguientes cambios: ") + QStringLiteral("\r\r") +
             cambios;
    }
    return t + QStringLiteral("\r\r¿Desea actualizar Marlevanta?");
}

QString TextoDescarga(qint64 recibidos, qint64 total) {
    const QLocale es(QLocale::Spanish, QLocale::Spain);
    // Spanish leaves four-digit numbers ungrouped; "###,###,##0" groups them all.
    const auto miles = [](qint64 v) {
        QString digitos = QString::number(v);
        for (qsizetype i = digitos.size() - 3; i > 0; i -= 3) digitos.insert(i, u'.');
        return digitos;
    };
    return QStringLiteral("Descargando ") + miles(recibidos / 1024) + QStringLiteral(" de ") +
           miles(total / 1024) + QStringLiteral(" Kbytes");
}

QString VersionParaMostrar(const QString& version) {
    QString resto = version;
    const auto parte = [&resto] {
        const qsizetype punto = resto.indexOf(u'.');
        const int valor = (punto < 0 ? resto : resto.left(punto)).toInt();
        if (punto >= 0) resto = resto.mid(punto + 1);
        resto = resto.left(20);
        return valor;
    };
    const int a = parte();
    const int b = parte();
    const int c = resto.toInt();
    return QStringLiteral("%1.%2.%3").arg(a).arg(b).arg(c);
}

QString RutaCarpetaPrivada() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.cache");
    return QDir(base).filePath(QStringLiteral("marlevanta"));
}

QString LeerResultadoActualizador(const QString& carpeta) {
    if (carpeta.isEmpty() || QFileInfo(carpeta).isSymLink()) return {};
    QFile nota(QDir(carpeta).filePath(QString::fromLatin1(kResultadoActualizador)));
    // Only the updater's own file is read, never what a link points at.
    if (QFileInfo(nota.fileName()).isSymLink()) {
        nota.remove();
        return {};
    }
    if (!nota.open(QIODevice::ReadOnly)) return {};
    QString motivo = QString::fromUtf8(nota.read(4096)).trimmed();
    nota.close();
    nota.remove();
    if (motivo.isEmpty()) return {};
    if (!motivo.endsWith(u'.')) motivo += u'.';
    return QStringLiteral("No se ha podido instalar la actualización de Marlevanta: ") + motivo +
           QStringLiteral(" El programa sigue en la versión que tenía.");
}

Resultado<QString> CarpetaPrivada() {
    const QString carpeta = RutaCarpetaPrivada();
    const QFileInfo info(carpeta);
    if (info.isSymLink()) {
        return Falla("La carpeta \"" + carpeta.toStdString() +
                     "\" es un enlace: bórrela y vuelva a intentarlo.");
    }
    if (!QDir().mkpath(carpeta)) {
        return Falla("No se puede crear la carpeta \"" + carpeta.toStdString() + "\".");
    }
    QFileInfo creada(carpeta);
    creada.refresh();
    if (!creada.isDir() || creada.isSymLink() ||
        creada.ownerId() != QFileInfo(QDir::homePath()).ownerId()) {
        return Falla("La carpeta \"" + carpeta.toStdString() + "\" no es del usuario.");
    }
    if (!QFile::setPermissions(
            carpeta, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
        return Falla("No se pueden fijar los permisos de \"" + carpeta.toStdString() + "\".");
    }
    return carpeta;
}

QString RutaPaquete(const QString& carpeta) {
    QString titulo = kTituloAplicacion;
    titulo.remove(u' ');
    return QDir(carpeta).filePath(QStringLiteral("tmp") + titulo + QStringLiteral(".zip"));
}

QStringList ArgumentosTraspaso(const QString& paquete, const QString& programa) {
    return {QStringLiteral("class(TForm)"), paquete, QString(), programa};
}

Hecho DejarClaveTraspaso(const QString& carpeta, const QString& clave) {
    const QString ruta = QDir(carpeta).filePath(QString::fromLatin1(kClaveActualizador));
    // A link or a file in its place goes, never what a link points at.
    QFile::remove(ruta);
    if (clave.isEmpty()) return {};
    const auto fallo = [&ruta] {
        QFile::remove(ruta);
        return Falla("No se puede dejar la clave del paquete en \"" + ruta.toStdString() + "\".");
    };
    std::FILE* f = std::fopen(QFile::encodeName(ruta).constData(), "wbx");
    if (!f) return fallo();
    const QByteArray texto = clave.toUtf8();
    const bool propio =
        QFile::setPermissions(ruta, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const bool escrito =
        propio && std::fwrite(texto.constData(), 1, static_cast<size_t>(texto.size()), f) ==
                      static_cast<size_t>(texto.size());
    if (std::fclose(f) != 0 || !escrito) return fallo();
    return {};
}

namespace {

// Both names as the system takes them: the rename replaces the target in one step where it is
// there.
bool Renombrar(const QString& de, const QString& a) {
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(de.toStdU16String()),
                            std::filesystem::path(a.toStdU16String()), ec);
    return !ec;
}

QString NoSustituido(const QDir& carpeta, const char* nombre, Sistema sistema) {
    const QString fichero =
        QStringLiteral("No se ha podido actualizar correctamente el fichero \"") +
        QString::fromLatin1(nombre) + QStringLiteral("\". ");
    if (sistema == Sistema::Windows) {
        return fichero + QStringLiteral(
                             "Es posible que su usuario de Windows no tenga permisos de "
                             "administrador. Vuelva a ejecutar la aplicación con un usuario "
                             "administrador de Windows para que se actualice correctamente.");
    }
    const QString ruta = QDir::toNativeSeparators(carpeta.absolutePath());
    return fichero +
           QStringLiteral("Es posible que su usuario no pueda escribir en la carpeta \"") + ruta +
           QStringLiteral("\". Compruebe sus permisos (por ejemplo, chmod u+w \"") + ruta +
           QStringLiteral(
               "\") y vuelva a ejecutar la aplicación para que se actualice "
               "correctamente.");
}

void Sustituir(const QDir& carpeta, const char* nombre, Sistema sistema, QStringList& errores) {
    const QString actual = carpeta.filePath(QString::fromLatin1(nombre));
    const QString nuevo = actual + QStringLiteral(".act");
    const QString copia = actual + QStringLiteral(".bak");
    // An earlier version moved the updater aside before putting the new one in: one cut short
    // in between left it only under its backup name.
    if (!QFileInfo::exists(actual) && QFileInfo(copia).isFile()) Renombrar(copia, actual);
    if (QFileInfo::exists(actual) && QFileInfo(copia).isFile()) QFile::remove(copia);
    if (!QFileInfo::exists(nuevo)) return;
    if (!QFileInfo(nuevo).isFile() || QFileInfo(nuevo).isSymLink() || !Renombrar(nuevo, actual)) {
        errores << NoSustituido(carpeta, nombre, sistema);
    }
}

// The updater's library interface (helpers/tqunz/tqunz.h), reached at run time: the library is
// the one beside the program, which updates replace only through the swap above.
using TqunzCarpeta = int (*)(const char*, char*, std::size_t);
constexpr int kTqunzDeshecha = 1;
constexpr int kTqunzCompletada = 2;
constexpr int kTqunzFallo = -1;
constexpr const char* kPreparacionActualizador = ".tqUpd-preparacion";

// Calls `funcion` of the library beside the program, only when an update left its folder there.
// `hecho` gets the library's answer; the failure says why it could not be called.
Hecho LlamarLibreria(const QString& carpeta, const char* funcion, int& hecho, QString& error) {
    hecho = 0;
    const QDir dir(carpeta);
    if (carpeta.isEmpty() ||
        !QFileInfo(dir.filePath(QString::fromLatin1(kPreparacionActualizador))).isDir()) {
        return {};
    }
    QLibrary libreria(dir.filePath(QString::fromLatin1(kLibreriaActualizador)));
    auto llamada = reinterpret_cast<TqunzCarpeta>(libreria.resolve(funcion));
    if (!llamada) return Falla(libreria.errorString().toStdString());
    char texto[512] = "";
    hecho = llamada(QFile::encodeName(carpeta).constData(), texto, sizeof texto);
    error = QString::fromUtf8(texto);
    return {};
}

}  // namespace

QStringList SustituirFicherosActualizador(const QString& carpeta, Sistema sistema) {
    QStringList errores;
    const QDir dir(carpeta);
    const QString viejo = dir.filePath(QStringLiteral("tqupdater.exe"));
    if (QFileInfo(viejo).isFile()) QFile::remove(viejo);
    Sustituir(dir, kActualizador, sistema, errores);
    Sustituir(dir, kLibreriaActualizador, sistema, errores);
    return errores;
}

QStringList RecuperarActualizacion(const QString& carpeta) {
    int hecho = 0;
    QString error;
    const QString cortada = QStringLiteral(
        "La última actualización de Marlevanta se interrumpió antes de terminar (por ejemplo, "
        "porque se cerró la sesión o se apagó el equipo).");
    if (auto h = LlamarLibreria(carpeta, "tqunz_recuperar", hecho, error); !h) {
        return {cortada + QStringLiteral(" No se ha podido terminar ni deshacer porque falta la "
                                         "biblioteca del actualizador (%1): vuelva a instalar "
                                         "Marlevanta.")
                              .arg(QString::fromStdString(h.motivo()))};
    }
    switch (hecho) {
        case kTqunzDeshecha:
            return {cortada + QStringLiteral(" Se ha dejado la versión que había, completa; puede "
                                             "volver a actualizar cuando quiera.")};
        case kTqunzCompletada:
            return {cortada + QStringLiteral(" Se ha terminado de instalar y Marlevanta ya está "
                                             "en la versión nueva.")};
        case kTqunzFallo:
            return {cortada + QStringLiteral(" No se ha podido terminar ni deshacer: %1. Si "
                                             "Marlevanta no funciona bien, vuelva a instalarlo.")
                                  .arg(error)};
        default:
            return {};
    }
}

Hecho ConfirmarActualizacion(const QString& carpeta) {
    int hecho = 0;
    QString error;
    if (auto h = LlamarLibreria(carpeta, "tqunz_confirmar", hecho, error); !h) return h;
    if (hecho != 0) return Falla(error.toStdString());
    return {};
}

}  // namespace marlevanta
