// The web API's answers, whatever a hostile server sends: each question gives a value or a
// failure with a reason, and the values it gives are the ones the rules allow.
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
    const auto host = api.LeerHost();
    fallo(host);
    if (host && !HostAceptable(api.host, *host) && host->startsWith(QLatin1String("https://"))) {
        __builtin_trap();  // an https host is always acceptable after an https one
    }
    fallo(api.LeerVersion());
    const auto paquete = api.LeerUpdateFile();
    fallo(paquete);
    if (paquete && PaqueteAceptable(api.host, paquete->url) &&
        !paquete->url.trimmed().startsWith(QLatin1String("https:"), Qt::CaseInsensitive)) {
        __builtin_trap();  // never a package in clear for an https API
    }
    fallo(api.LeerUrlsAyuda());
    (void)LineasRespuesta(QString::fromUtf8(cuerpo.data(), static_cast<qsizetype>(cuerpo.size())));
    return 0;
}
