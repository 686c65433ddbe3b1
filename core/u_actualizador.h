// What the program itself does around an update: at start-up, an update cut short settled and the
// swap of the updater's files; the texts of the update question and of the download, and the
// hand-over.
#pragma once

#include <QString>
#include <QStringList>

#include "core/plataforma/u_resultado.h"

namespace marlevanta {

inline constexpr const char* kActualizador = "tqUpd.exe";
inline constexpr const char* kLibreriaActualizador = "tqUnz.dll";
// Left by the external updater beside the package when it could not install it.
inline constexpr const char* kResultadoActualizador = "tqUpd.resultado";
// The package's password for the external updater, beside the package: never on its command
// line, where every user of the machine can read it.
inline constexpr const char* kClaveActualizador = "tqUpd.clave";

// 10005 -> "1.0.5"
QString VersionPuntos(int n);
// "Existe la versión ...", the change notes when there are any, and the question.
QString PreguntaActualizacion(int n, const QString& cambios);
// "Descargando 1.205 de 1.205 Kbytes"
QString TextoDescarga(qint64 recibidos, qint64 total);
// The version text taken apart and put together again: "" -> "0.0.0".
QString VersionParaMostrar(const QString& version);
// A folder of the user's own for the update package: below the user's cache folder, created with
// room for nobody else (0700). The failure says why it cannot be used.
Resultado<QString> CarpetaPrivada();
// The same folder's path, nothing created.
QString RutaCarpetaPrivada();
// Why the external updater could not install the last package, as the user is told it at the
// next start; "" when there is nothing to tell. Told once: the updater's note in `carpeta` is
// removed.
QString LeerResultadoActualizador(const QString& carpeta);
// The package in `carpeta`: tmpMarlevanta-BuscadordecertificadosSSL.zip
QString RutaPaquete(const QString& carpeta);
// The four arguments of the hand-over, in order. The password's place is left empty: the
// external updater then reads it from the file that DejarClaveTraspaso leaves beside the package.
QStringList ArgumentosTraspaso(const QString& paquete, const QString& programa);
// Leaves `clave` for the external updater in `carpeta` (the user's private folder), readable by
// the user only, created anew; an empty password leaves no file, and an older file goes.
Hecho DejarClaveTraspaso(const QString& carpeta, const QString& clave);

// Whose words the messages use: who may write the program's folder differs.
enum class Sistema { Linux, Windows };
#ifdef Q_OS_WIN
inline constexpr Sistema kSistema = Sistema::Windows;
#else
inline constexpr Sistema kSistema = Sistema::Linux;
#endif

// Puts new copies of the updater and of its library, left beside them as ".act", in place, each
// in one rename (the name never lacks a whole updater). `carpeta` is the program's own folder.
// Gives the messages of the files it could not replace.
QStringList SustituirFicherosActualizador(const QString& carpeta, Sistema sistema = kSistema);

// An update of the program's folder `carpeta` that was cut short (the updater killed, the power
// gone) is finished or undone by the updater's library there, before anything else runs: the
// folder then holds the whole old version or the whole new one. Gives what the user must be
// told; nothing when there was no such update.
QStringList RecuperarActualizacion(const QString& carpeta);
// This version has started well: the copies the last update kept of the files it replaced go.
// The failure says why they stay (an update still unfinished, or under way).
Hecho ConfirmarActualizacion(const QString& carpeta);

}  // namespace marlevanta
