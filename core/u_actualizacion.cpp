#include "core/u_actualizacion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

#include "core/u_actualizador.h"
#include "core/u_segundoPlano.h"

namespace marlevanta {

QString TextoErrorDescarga(const QString& fallo) {
    if (fallo.contains(QLatin1String("Host not found"))) {
        return QStringLiteral("Servidor no disponible o no encontrado en este momento");
    }
    if (fallo.contains(QLatin1String("404 not found"))) {
        return QStringLiteral("Actualización no disponible o no encontrada en este momento");
    }
    if (fallo == QLatin1String("Timed out")) {
        return QStringLiteral("El servidor no ha respondido a tiempo; inténtelo más tarde");
    }
    return fallo;
}

DecisionVersion DecidirVersion(const Resultado<InfoVersion>& version, int propia, bool cancelada) {
    if (cancelada) return {DecisionVersion::Cancelada, {}};
    if (!version) {
        return {DecisionVersion::Error,
                QStringLiteral("Error: ") +
                    TextoErrorDescarga(QString::fromStdString(version.motivo()))};
    }
    // Only a newer version is offered: the same one again, or an older one a server still
    // announces, would replace the program with what it already is or with less.
    if (version->numero <= propia) {
        return {
            DecisionVersion::AlDia,
            QStringLiteral("El programa no necesita actualización ya que tiene la última versión")};
    }
    return {DecisionVersion::Nueva, PreguntaActualizacion(version->numero, version->cambios)};
}

#ifndef MARLEVANTA_ACTUALIZACION_PROPIA
#define MARLEVANTA_ACTUALIZACION_PROPIA 1
#endif

Hecho ActualizacionPropia(const QString& carpetaPrograma, const QString& carpetaAyudantes,
                          int version) {
    const bool juntos = !carpetaPrograma.isEmpty() && QDir(carpetaPrograma).canonicalPath() ==
                                                          QDir(carpetaAyudantes).canonicalPath();
    if (!MARLEVANTA_ACTUALIZACION_PROPIA || !juntos) {
        const QString cual = version > 0
                                 ? QStringLiteral("La versión %1 de Marlevanta se instala")
                                       .arg(VersionPuntos(version))
                                 : QStringLiteral("Las versiones nuevas de Marlevanta se instalan");
        return Falla(QStringLiteral("%1 con el gestor de paquetes del sistema (por ejemplo, con "
                                    "\"sudo apt update && sudo apt upgrade\"): este programa no "
                                    "se actualiza a sí mismo.")
                         .arg(cual)
                         .toStdString());
    }
    // The updater writes the new files where the program is, as this user.
    if (!QFileInfo(carpetaPrograma).isWritable()) {
        const QString que = version > 0
                                ? QStringLiteral("la versión %1").arg(VersionPuntos(version))
                                : QStringLiteral("las versiones nuevas");
        return Falla(QStringLiteral("Marlevanta no puede actualizarse a sí mismo: su usuario no "
                                    "puede escribir en la carpeta del programa (\"%1\"). Instale "
                                    "%2 con el gestor de paquetes del sistema o pida al "
                                    "administrador del equipo que %3 instale.")
                         .arg(QDir::toNativeSeparators(carpetaPrograma), que,
                              version > 0 ? QStringLiteral("la") : QStringLiteral("las"))
                         .toStdString());
    }
    return {};
}

Actualizacion::Actualizacion(Entorno entorno, SegundoPlano& fondo, QObject* parent)
    : QObject(parent), entorno_(std::move(entorno)), fondo_(fondo) {
    entorno_.api.cancelar = fondo_.Cancelacion();
}

Actualizacion::~Actualizacion() {
    if (cancelar_) cancelar_->store(true);
}

void Actualizacion::Comprobar() {
    // Cancel stops the question at once too, not when its time limit ends it.
    cancelar_ = std::make_shared<std::atomic<bool>>(false);
    auto api = entorno_.api;
    api.detener = cancelar_;
    fondo_.Ejecutar(
        this, [api] { return api.LeerVersion(); },
        [this](Resultado<InfoVersion> r) {
            versionOfrecida_ = r ? r->numero : 0;
            emit Comprobada(r);
        });
}

DecisionVersion Actualizacion::Decidir(const Resultado<InfoVersion>& version) const {
    return DecidirVersion(version, entorno_.versionPropia, cancelar_ && cancelar_->load());
}

namespace {

struct ResultadoDescarga {
    QString error;
    bool cancelada = false;
    bool sinPaquete = false;  // the web API gave no package: nothing to show
    QString paquete;
    QString clave;
};

QString FirmaNoValida(const std::string& motivo) {
    return QStringLiteral(
               "El paquete de actualización no tiene una firma válida de Velquorin "
               "(%1); no se ha instalado nada. Inténtelo más tarde.")
        .arg(QString::fromStdString(motivo));
}

// The signature fetched and checked, then left beside the package for the external updater,
// which checks it again. The failure is the sentence the user reads.
Hecho ComprobarYGuardarFirma(const TManejadorApi& api, const ComprobadorFirma& comprobar,
                             const QString& url, const QString& paquete, int ofrecida, int propia) {
    auto texto = api.LeerFirma(url);
    if (!texto) {
        // No signature published is a package without one; anything else is the network's.
        const QString motivo = QString::fromStdString(texto.motivo());
        if (motivo.startsWith(QLatin1String("HTTP/")) && motivo.contains(QLatin1String(" 404 "))) {
            return Falla(FirmaNoValida("no hay firma").toStdString());
        }
        return Falla(TextoErrorDescarga(motivo).toStdString());
    }
    if (!comprobar) return Falla(FirmaNoValida("no se puede comprobar").toStdString());
    const auto firma = comprobar(QFile::encodeName(paquete).toStdString(), *texto);
    if (!firma) return Falla(FirmaNoValida(firma.motivo()).toStdString());
    // A package signed for another version is an old one served again, or a mistake.
    if ((ofrecida > 0 && firma->version != ofrecida) || firma->version <= propia) {
        return Falla(QStringLiteral("El paquete de actualización está firmado para la versión %1, "
                                    "no para %2; no se ha instalado nada. Inténtelo más tarde.")
                         .arg(VersionPuntos(firma->version),
                              ofrecida > 0
                                  ? QStringLiteral("la ") + VersionPuntos(ofrecida)
                                  : QStringLiteral("una posterior a la ") + VersionPuntos(propia))
                         .toStdString());
    }
    std::FILE* f =
        std::fopen(QFile::encodeName(paquete + QStringLiteral(".sig")).constData(), "wbx");
    const bool escrita = f &&
                         QFile::setPermissions(paquete + QStringLiteral(".sig"),
                                               QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
                         std::fwrite(texto->data(), 1, texto->size(), f) == texto->size();
    if (!f || std::fclose(f) != 0 || !escrita) {
        return Falla(
            ("No se puede guardar la firma del paquete en \"" + paquete + ".sig\"").toStdString());
    }
    return {};
}

ResultadoDescarga Bajar(const TManejadorApi& api, const ComprobadorFirma& comprobar, int ofrecida,
                        int propia, const std::atomic<bool>& cancelar, const Avance& avance) {
    ResultadoDescarga r;
    auto datos = api.LeerUpdateFile();
    if (!datos) {
        r.sinPaquete = true;
        return r;
    }
    r.clave = datos->clave;
    // Only over https, from the maker's servers: a package fetched otherwise could be anybody's.
    const auto url = OrigenPaqueteAceptable(api, datos->url);
    if (!url) {
        r.error = QString::fromStdString(url.motivo());
        return r;
    }
    auto carpeta = CarpetaPrivada();
    if (!carpeta) {
        r.error = QString::fromStdString(carpeta.motivo());
        return r;
    }
    r.paquete = RutaPaquete(*carpeta);
    const QString firma = r.paquete + QStringLiteral(".sig");
    QFile::remove(r.paquete);
    QFile::remove(firma);
    // Created anew and never through a link: nobody else can have put a file or a link there.
    std::FILE* fs = std::fopen(QFile::encodeName(r.paquete).constData(), "wbx");
    if (!fs) {
        r.error = QStringLiteral("No se puede crear \"") + r.paquete + QStringLiteral("\"");
        return r;
    }
    auto cliente = api.ClienteDescarga();
    const auto hecho = cliente->Descargar(
        url->toStdString(), fs, [&](std::uint64_t recibidos, std::uint64_t total) {
            avance(static_cast<qint64>(recibidos), static_cast<qint64>(total));
            return !cancelar.load();
        });
    std::fclose(fs);
    r.cancelada = cancelar.load();
    if (!hecho && !r.cancelada) {
        r.error = hecho.motivo() == "Answer too large"
                      ? QStringLiteral(
                            "El paquete de actualización ocupa más de %1 MiB, lo "
                            "máximo que se descarga; se ha detenido la descarga y no "
                            "se ha guardado nada.")
                            .arg(api.maximoDescarga >> 20)
                      : TextoErrorDescarga(QString::fromStdString(hecho.motivo()));
    }
    if (r.error.isEmpty() && !r.cancelada) {
        if (auto f = ComprobarYGuardarFirma(api, comprobar, *url, r.paquete, ofrecida, propia);
            !f) {
            r.error = QString::fromStdString(f.motivo());
        }
        // Cancelled while the signature was asked for: a cancellation, not a failure.
        if (cancelar.load()) {
            r.cancelada = true;
            r.error.clear();
        }
    }
    if (!r.error.isEmpty() || r.cancelada) {
        QFile::remove(r.paquete);
        QFile::remove(firma);
    }
    return r;
}

}  // namespace

void Actualizacion::Descargar() {
    if (descargando_) return;
    descargando_ = true;
    cancelar_ = std::make_shared<std::atomic<bool>>(false);
    paquete_.clear();
    clave_.clear();
    auto api = entorno_.api;
    api.detener = cancelar_;
    fondo_.EjecutarConAvance(
        this,
        // The program's end stops the download too, through the client's own cancellation.
        [api, comprobar = entorno_.comprobarFirma, ofrecida = versionOfrecida_,
         propia = entorno_.versionPropia, cancelar = cancelar_](const Avance& avance) {
            return Bajar(api, comprobar, ofrecida, propia, *cancelar, avance);
        },
        [this](ResultadoDescarga r) {
            descargando_ = false;
            FinDescarga f;
            if (r.sinPaquete) {
                f.estado = FinDescarga::SinPaquete;
            } else if (!r.error.isEmpty()) {
                f.estado = FinDescarga::Error;
                f.error = r.error;
            } else if (r.cancelada) {
                f.estado = FinDescarga::Cancelada;
            } else {
                f.estado = FinDescarga::Completa;
                paquete_ = r.paquete;
                clave_ = r.clave;
            }
            emit Descargada(f);
        },
        [this](qint64 hecho, qint64 total) { emit Progreso(hecho, total); });
}

void Actualizacion::Cancelar() {
    if (cancelar_) cancelar_->store(true);
}

Hecho Actualizacion::Traspasar() {
    if (paquete_.isEmpty()) return Falla("No hay ningún paquete descargado.");
    std::vector<std::string> argumentos;
    for (const QString& a : ArgumentosTraspaso(paquete_, entorno_.rutaPrograma)) {
        argumentos.push_back(a.toStdString());
    }
    const QString carpetaPaquete = QFileInfo(paquete_).path();
    if (auto h = DejarClaveTraspaso(carpetaPaquete, clave_); !h) return h;
    const QString programa =
        QDir(entorno_.carpetaPrograma).filePath(QString::fromLatin1(kActualizador));
    auto proceso = entorno_.procesos->Iniciar(programa.toStdString(), argumentos);
    if (!proceso) {
        (void)DejarClaveTraspaso(carpetaPaquete, QString());
        return Falla("No se puede ejecutar el programa actualizador.");
    }
    if (entorno_.solicitarFin) entorno_.solicitarFin();
    return {};
}

}  // namespace marlevanta
