// The client of the maker's web API: newest version, update package, help page addresses.
// A request blocks until its answer or its time limit: call it on a worker (SegundoPlano), never
// on the window's thread. Copies are cheap and independent, so each piece of work takes its own.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "core/plataforma/u_clienteHttp.h"

namespace marlevanta {

inline constexpr const char* kApiHostPorDefecto = "https://api.marlevanta.example";
inline constexpr const char* kIdentificadorProducto = "marlevanta";

// Lines of an answer split at CR LF, LF and a lone CR; a final break adds no empty line.
QStringList LineasRespuesta(const QString& texto);

// The web API's request token from an input such as "20261209marlevanta": 420 lower-case
// hexadecimal characters for a non-empty input.
QString Encripta(const QString& str);

struct InfoVersion {
    int numero = 0;   // comparable version number
    QString cambios;  // change notes, each line ended by a carriage return
};

struct PaqueteActualizacion {
    QString url;
    QString clave;
};

struct UrlsAyuda {
    QString uso;
    QString trucos;
};

using FabricaClienteHttp = std::function<std::unique_ptr<ClienteHttp>(const OpcionesHttp&)>;

class TManejadorApi {
public:
    TManejadorApi(FabricaClienteHttp fabrica, QString host,
                  std::function<QDate()> hoy = &QDate::currentDate);

    // The base address below which every question is asked.
    QString host;
    // When set, a request under way stops at once (the program is ending).
    std::shared_ptr<const std::atomic<bool>> cancelar;
    // The same for one piece of work: the user cancelled it.
    std::shared_ptr<const std::atomic<bool>> detener;
    // The longest a question may take, answer included, however slowly the answer keeps coming.
    long segundosPregunta = 30;
    // A download slower than this many bytes a second for this many seconds has stalled.
    struct Lentitud {
        long bytesPorSegundo = 100;
        long segundos = 60;
    } descargaLenta;

    // The first line of "/host": the base address that the maker wants used from now on.
    Resultado<QString> LeerHost() const;
    Resultado<InfoVersion> LeerVersion() const;
    Resultado<PaqueteActualizacion> LeerUpdateFile() const;
    Resultado<UrlsAyuda> LeerUrlsAyuda() const;

    // The token of today's requests.
    QString Token() const;

    // A download client with the same limits and cancellation (no total time: a download that
    // keeps moving is never cut).
    std::unique_ptr<ClienteHttp> ClienteDescarga() const;

private:
    Resultado<QStringList> Preguntar(const QString& ruta) const;

    FabricaClienteHttp fabrica_;
    std::function<QDate()> hoy_;
};

// Whether `nuevo`, given by "/host", may replace `actual`: never from https to anything else.
bool HostAceptable(const QString& actual, const QString& nuevo);
// Whether the package at `url` may be fetched for the API at `host`: over https whenever the
// API itself is.
bool PaqueteAceptable(const QString& host, const QString& url);

}  // namespace marlevanta
