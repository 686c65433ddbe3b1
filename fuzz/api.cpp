// The web API's answers, whatever a hostile server sends: each question gives a value or a
// failure with a reason, and the values it gives are the ones the rules allow.
#include <QUrl>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/plataforma/u_clienteHttp.h"
#include "core/u_manejadorApi.h"

using namespace marlevanta;

namespace {

class ClienteFijo : public ClienteHttp {
public:
    explicit ClienteFijo(std::string cuerpo) : cuerpo_(std::move(cuerpo)) {}
    Resultado<std::string> Get(const std::string&) override { return cuerpo_; }
    Hecho Descargar(const std::string&, std::FILE*, const Progreso&) override {
        return Falla("sin descargas");
    }

private:
    std::string cuerpo_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t n) {
    const std::string cuerpo(reinterpret_cast<const char*>(datos), n);
    TManejadorApi api(
        [&cuerpo](const OpcionesHttp&) { return std::make_unique<ClienteFijo>(cuerpo); },
        QStringLiteral("https://api.example"), [] { return QDate(2026, 12, 9); });
    const auto fallo = [](const auto& r) {
        if (!r && r.motivo().empty()) __builtin_trap();
    };
    const auto https = [](const QString& direccion) {
        const QUrl u(direccion.trimmed());
        return u.scheme().toLower() == QLatin1String("https") && !u.host().isEmpty();
    };
    const auto host = api.LeerHost();
    fallo(host);
    if (host && HostAceptable(api.host, *host) &&
        (!https(*host) || !QUrl(host->trimmed()).userInfo().isEmpty())) {
        __builtin_trap();  // only an https server's address replaces the API's
    }
    fallo(api.LeerVersion());
    const auto paquete = api.LeerUpdateFile();
    fallo(paquete);
    const auto origen = paquete ? OrigenPaqueteAceptable(api, paquete->url) : Falla("sin paquete");
    fallo(origen);
    if (origen) {
        // Never a package in clear, nor from a server that is neither the API's nor listed.
        const QUrl u(*origen);
        const QString servidor = u.host().toLower();
        if (!https(*origen) || (!(servidor == QLatin1String("api.example") && u.port(443) == 443) &&
                                !api.servidoresPaquetes.contains(servidor, Qt::CaseInsensitive))) {
            __builtin_trap();
        }
    }
    fallo(api.LeerUrlsAyuda());
    (void)LineasRespuesta(QString::fromUtf8(cuerpo.data(), static_cast<qsizetype>(cuerpo.size())));
    return 0;
}
