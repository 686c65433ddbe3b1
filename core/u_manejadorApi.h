// The client of the maker's web API: newest version, update package, help page addresses.
// A request blocks until its answer or its time limit: call it on a worker (SegundoPlano), never
// on the window's thread. Copies are cheap and independent, so each piece of work takes its own.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

#include "core/plataforma/u_clienteHttp.h"
#include "core/u_ajustes.h"

namespace marlevanta {

inline constexpr const char* kApiHostPorDefecto = ajuste::ApiHost.porDefecto;
inline constexpr const char* kIdentificadorProducto = "marlevanta";
// The servers besides the API's own from which update packages are taken.
inline constexpr const char* kServidoresPaquetes[] = {"descargas.marlevanta.example"};

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
    // The largest download: a longer announced length is refused before anything is written, and
    // a download that grows past it is stopped.
    std::uint64_t maximoDescarga = std::uint64_t{200} << 20;
    // Where packages may come from besides the API's own server (host names, https port 443).
    QStringList servidoresPaquetes = {QString::fromLatin1(kServidoresPaquetes[0])};

    // The first line of "/host": the base address that the maker wants used from now on.
    Resultado<QString> LeerHost() const;
    Resultado<InfoVersion> LeerVersion() const;
    Resultado<PaqueteActualizacion> LeerUpdateFile() const;
    Resultado<UrlsAyuda> LeerUrlsAyuda() const;
    // The package's signature: the text at the package's address with ".sig" added.
    Resultado<std::string> LeerFirma(const QString& urlPaquete) const;

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

// Whether `nuevo`, given by "/host", may replace `actual`: only an https address with a host and
// nothing else (no user, query or fragment), and only when `actual` is https itself: an answer
// that came in clear could have been written by anybody on the way.
bool HostAceptable(const QString& actual, const QString& nuevo);
// Whether the package at `url` may be fetched for `api`: only when the API is https itself, over
// https, from the API's own server (host and port) or one of `servidoresPaquetes`. Gives the
// address to fetch, as it was read for this check; the failure is the sentence the user reads.
Resultado<QString> OrigenPaqueteAceptable(const TManejadorApi& api, const QString& url);

}  // namespace marlevanta
