#include "online/u_manejadorApi.h"

#include "common/u_manejadorFuncionesComunes.h"
#include "store/u_manejadorRegistro.h"

namespace marlevanta {

QStringList LineasRespuesta(const QString& texto) {
    QString t = texto;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    if (t.isEmpty()) return {};
    if (t.endsWith(u'\n')) t.chop(1);
    return t.split(u'\n');
}

TManejadorApi::TManejadorApi(TManejadorRegistro& registro, std::function<QDate()> hoy)
    : registro_(registro),
      hoy_(std::move(hoy)),
      IdHttp(OpcionesHttp{"text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8"}) {
    host = QString::fromStdString(registro_.LeerValor("ApiHost"));
    if (host.isEmpty()) {
        host = QString::fromLatin1(kApiHostPorDefecto);
        registro_.EscribirValor("ApiHost", host.toStdString());
    }
    const QString nuevo = LeerHost();
    if (!nuevo.isEmpty() && nuevo != host) {
        host = nuevo;
        registro_.EscribirValor("ApiHost", host.toStdString());
    }
}

QString TManejadorApi::Token() const {
    return TmanejadorFuncionesComunes::Encripta(hoy_().toString(QStringLiteral("yyyyMMdd")) +
                                                QString::fromLatin1(kIdentificadorProducto));
}

QStringList TManejadorApi::Preguntar(const QString& ruta) {
    url = host + ruta;
    std::string cuerpo;
    std::string error;
    if (!IdHttp.Get(url.toStdString(), cuerpo, error)) {
        ultimoError = QString::fromStdString(error);
        return {};
    }
    ultimoError.clear();
    return LineasRespuesta(QString::fromUtf8(cuerpo.data(), static_cast<qsizetype>(cuerpo.size())));
}

QString TManejadorApi::LeerHost() {
    const QStringList lineas = Preguntar(QStringLiteral("/host"));
    return lineas.isEmpty() ? QString() : lineas.front();
}

bool TManejadorApi::LeerVersion(QString& ppversion, QString& ppcambios) {
    ppversion.clear();
    ppcambios.clear();
    const QStringList lineas = Preguntar(QStringLiteral("/version/") + Token());
    if (lineas.isEmpty() || lineas.front().isEmpty()) return false;
    bool numero = false;
    lineas.front().toInt(&numero, 10);
    if (!numero) return false;
    ppversion = lineas.front();
    for (qsizetype i = 1; i < lineas.size(); ++i) ppcambios += lineas[i] + u'\r';
    return true;
}

bool TManejadorApi::LeerUpdateFile(QString& ppurl, QString& pppwd) {
    ppurl.clear();
    pppwd.clear();
    const QStringList lineas = Preguntar(QStringLiteral("/updatefile/") + Token());
    if (lineas.isEmpty()) return false;
    const QString primera = lineas.front().trimmed();
    if (primera.isEmpty() || primera == QLatin1String("KO")) return false;
    ppurl = lineas.front();
    if (lineas.size() > 1) pppwd = lineas[1];
    return true;
}

bool TManejadorApi::LeerUrlsAyuda(QString& ppurluso, QString& ppurltrucos) {
    ppurluso.clear();
    ppurltrucos.clear();
    const QStringList lineas = Preguntar(QStringLiteral("/ayudas/") + Token());
    if (lineas.size() != 2) return false;
    ppurluso = lineas[0];
    ppurltrucos = lineas[1];
    return true;
}

}  // namespace marlevanta
