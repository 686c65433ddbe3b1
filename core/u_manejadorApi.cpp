#include "core/u_manejadorApi.h"

#include <QUrl>

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

std::unique_ptr<ClienteHttp> TManejadorApi::ClienteDescarga() const {
    OpcionesHttp opciones;
    opciones.accept = "text/html, */*";
    opciones.segundosTotal = 0;
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

}  // namespace

bool HostAceptable(const QString& actual, const QString& nuevo) {
    return !Https(actual) || Https(nuevo);
}

bool PaqueteAceptable(const QString& host, const QString& url) {
    return !Https(host) || Https(url);
}

}  // namespace marlevanta
