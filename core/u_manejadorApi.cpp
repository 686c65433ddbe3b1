#include "core/u_manejadorApi.h"

#include <QUrl>

#include "core/plataforma/u_firma.h"

namespace marlevanta {

QStringList LineasRespuesta(const QString& texto) {
    QString t = texto;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    if (t.isEmpty()) return {};
    if (t.endsWith(u'\n')) t.chop(1);
    return t.split(u'\n');
}

QString Encripta(const QString& str) {
    if (str.isEmpty()) return {};
    const qsizetype largo = str.size();
    QString r;
    const auto anadir = [&r](uint valor) {
        r += QString::number(valor, 16).toUpper().rightJustified(3, u'0');
    };
    for (qsizetype i = 1; i <= largo; ++i) anadir(str.at(i - 1).unicode() + 3 * (i % 40) + 12);
    if (r.size() < 420) r += QStringLiteral("fff");
    for (uint pasada = 1; r.size() < 420; ++pasada) {
        for (qsizetype j = largo; j >= 1; --j) {
            anadir(str.at(j - 1).unicode() + static_cast<uint>(j) * (pasada + 5) + 7);
        }
    }
    return r.left(420).toLower();
}

TManejadorApi::TManejadorApi(FabricaClienteHttp fabrica, QString host_, std::function<QDate()> hoy)
    : host(std::move(host_)), fabrica_(std::move(fabrica)), hoy_(std::move(hoy)) {}

QString TManejadorApi::Token() const {
    return Encripta(hoy_().toString(QStringLiteral("yyyyMMdd")) +
                    QString::fromLatin1(kIdentificadorProducto));
}

Resultado<QStringList> TManejadorApi::Preguntar(const QString& ruta) const {
    OpcionesHttp opciones;
    opciones.accept = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
    opciones.cancelar = cancelar;
    opciones.detener = detener;
    opciones.segundosTotal = segundosPregunta;
    auto cliente = fabrica_(opciones);
    auto cuerpo = cliente->Get((host + ruta).toStdString());
    if (!cuerpo) return Fallo{cuerpo.motivo()};
    return LineasRespuesta(
        QString::fromUtf8(cuerpo->data(), static_cast<qsizetype>(cuerpo->size())));
}

Resultado<QString> TManejadorApi::LeerHost() const {
    auto lineas = Preguntar(QStringLiteral("/host"));
    if (!lineas) return Fallo{lineas.motivo()};
    if (lineas->isEmpty() || lineas->front().isEmpty()) return Falla("Respuesta vacía");
    return lineas->front();
}

Resultado<InfoVersion> TManejadorApi::LeerVersion() const {
    auto lineas = Preguntar(QStringLiteral("/version/") + Token());
    if (!lineas) return Fallo{lineas.motivo()};
    if (lineas->isEmpty() || lineas->front().isEmpty()) return Falla("Respuesta vacía");
    bool numero = false;
    InfoVersion info;
    info.numero = lineas->front().toInt(&numero, 10);
    if (!numero) return Falla("La respuesta no es un número de versión");
    for (qsizetype i = 1; i < lineas->size(); ++i) info.cambios += (*lineas)[i] + u'\r';
    return info;
}

Resultado<PaqueteActualizacion> TManejadorApi::LeerUpdateFile() const {
    auto lineas = Preguntar(QStringLiteral("/updatefile/") + Token());
    if (!lineas) return Fallo{lineas.motivo()};
    if (lineas->isEmpty()) return Falla("Respuesta vacía");
    const QString primera = lineas->front().trimmed();
    if (primera.isEmpty() || primera == QLatin1String("KO")) {
        return Falla("Actualización no disponible");
    }
    PaqueteActualizacion p;
    p.url = lineas->front();
    if (lineas->size() > 1) p.clave = (*lineas)[1];
    return p;
}

Resultado<UrlsAyuda> TManejadorApi::LeerUrlsAyuda() const {
    auto lineas = Preguntar(QStringLiteral("/ayudas/") + Token());
    if (!lineas) return Fallo{lineas.motivo()};
    if (lineas->size() != 2) return Falla("Respuesta sin las dos direcciones");
    return UrlsAyuda{(*lineas)[0], (*lineas)[1]};
}

Resultado<std::string> TManejadorApi::LeerFirma(const QString& urlPaquete) const {
    OpcionesHttp opciones;
    opciones.accept = "text/plain, */*";
    opciones.cancelar = cancelar;
    opciones.detener = detener;
    opciones.segundosTotal = segundosPregunta;
    opciones.maximoBytes = kMaximoFirma;
    return fabrica_(opciones)->Get((urlPaquete.trimmed() + QStringLiteral(".sig")).toStdString());
}

std::unique_ptr<ClienteHttp> TManejadorApi::ClienteDescarga() const {
    OpcionesHttp opciones;
    opciones.accept = "text/html, */*";
    opciones.segundosTotal = 0;
    opciones.maximoBytes = maximoDescarga;
    // Slower than 100 bytes a second for a minute is not a download that keeps moving.
    opciones.bytesPorSegundoMinimo = descargaLenta.bytesPorSegundo;
    opciones.segundosSinDatos = descargaLenta.segundos;
    opciones.cancelar = cancelar;
    opciones.detener = detener;
    return fabrica_(opciones);
}

namespace {

bool Https(const QString& direccion) {
    return QUrl(direccion.trimmed()).scheme().toLower() == QLatin1String("https");
}

// "host" or "host:port" as the user reads it.
QString Servidor(const QUrl& u) {
    return u.port() < 0 ? u.host() : u.host() + u':' + QString::number(u.port());
}

}  // namespace

bool HostAceptable(const QString& actual, const QString& nuevo) {
    const QUrl u(nuevo.trimmed(), QUrl::StrictMode);
    return Https(actual) && u.isValid() && Https(nuevo) && !u.host().isEmpty() &&
           u.userInfo().isEmpty() && !u.hasQuery() && !u.hasFragment();
}

Resultado<QString> OrigenPaqueteAceptable(const TManejadorApi& api, const QString& url) {
    if (!Https(api.host)) {
        return Falla(QStringLiteral("La dirección de ApiHost (\"%1\") no usa una conexión segura: "
                                    "no se descarga nada por ella. Corrija ApiHost; debe empezar "
                                    "por https://.")
                         .arg(api.host)
                         .toStdString());
    }
    const QUrl paquete(url.trimmed());
    if (!Https(url) || !paquete.isValid() || paquete.host().isEmpty()) {
        return Falla("El paquete no se ofrece por una conexión segura (https) y no se descarga");
    }
    const QUrl propio(api.host.trimmed());
    const QString servidor = paquete.host().toLower();
    const bool delApi =
        servidor == propio.host().toLower() && paquete.port(443) == propio.port(443);
    const bool permitido =
        paquete.port(443) == 443 && api.servidoresPaquetes.contains(servidor, Qt::CaseInsensitive);
    if (!delApi && !permitido) {
        return Falla(QStringLiteral("El paquete de actualización se ofrece desde \"%1\", que no "
                                    "es un servidor de Velquorin; no se ha descargado nada.")
                         .arg(Servidor(paquete))
                         .toStdString());
    }
    // The address as checked here, so that the download cannot read another server in it.
    return paquete.toString(QUrl::FullyEncoded);
}

}  // namespace marlevanta
