// The client of the maker's web API: newest version, update package, help page addresses.
// Failures never reach the user from here: the caller gets false and empty texts.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

#include "online/cliente_http.h"

namespace marlevanta {

class TManejadorRegistro;

inline constexpr const char* kApiHostPorDefecto = "https://api.marlevanta.example";
inline constexpr const char* kIdentificadorProducto = "marlevanta";

// Lines of an answer split at CR LF, LF and a lone CR; a final break adds no empty line.
QStringList LineasRespuesta(const QString& texto);

class TManejadorApi {
public:
    // Create: reads ApiHost (writing the default when empty) and follows the host question.
    explicit TManejadorApi(TManejadorRegistro& registro,
                           std::function<QDate()> hoy = &QDate::currentDate);

    bool LeerVersion(QString& ppversion, QString& ppcambios);
    bool LeerUpdateFile(QString& ppurl, QString& pppwd);
    bool LeerUrlsAyuda(QString& ppurluso, QString& ppurltrucos);

    // The token of today's requests.
    QString Token() const;

    QString host;
    QString url;          // the last request sent
    QString ultimoError;  // why the last request failed, "" when it did not

private:
    QString LeerHost();
    QStringList Preguntar(const QString& ruta);

    TManejadorRegistro& registro_;
    std::function<QDate()> hoy_;
    ClienteHttp IdHttp;
};

}  // namespace marlevanta
