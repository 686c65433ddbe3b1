#include "core/u_actualizador.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <cstdio>

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

// Like the platform's move: fails when the target exists or the source is missing.
bool Mover(const QString& de, const QString& a) {
    if (!QFileInfo::exists(de) || QFileInfo::exists(a)) return false;
    return QFile::rename(de, a);
}

void Sustituir(const QDir& carpeta, const char* nombre, QStringList& errores) {
    const QString actual = carpeta.filePath(QString::fromLatin1(nombre));
    const QString nuevo = actual + QStringLiteral(".act");
    const QString copia = actual + QStringLiteral(".bak");
    if (!QFileInfo::exists(nuevo)) return;
    bool ok = Mover(actual, copia);
    if (ok) {
        ok = Mover(nuevo, actual);
        if (ok) {
            QFile::remove(copia);
        } else {
            Mover(copia, actual);
        }
    }
    if (!ok) {
        errores << QStringLiteral("No se ha podido actualizar correctamente el fichero \"") +
                       QString::fromLatin1(nombre) +
                       QStringLiteral(
                           "\". Es posible que el usuario windows no tenga permisos de "
                           "administrador.Vuelva a ejecutar la aplicación con un usuario windows "
                           "administrador para que se actualice correctamente.");
    }
}

}  // namespace

QStringList SustituirFicherosActualizador(const QString& carpeta) {
    QStringList errores;
    const QDir dir(carpeta);
    for (const char* viejo : {"tqupdater.exe", "tqUpd.exe.bak", "tqUnz.dll.bak"}) {
        const QString ruta = dir.filePath(QString::fromLatin1(viejo));
        if (QFileInfo(ruta).isFile()) QFile::remove(ruta);
    }
    Sustituir(dir, kActualizador, errores);
    Sustituir(dir, kLibreriaActualizador, errores);
    return errores;
}

}  // namespace marlevanta
