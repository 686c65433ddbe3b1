// The web client and the update's signature check are loaded at their first use: libcurl, the
// TLS libraries beneath it and OpenSSL's crypto library were over a third of the program's
// start-up, and no request is made before the window shows (they all run on workers).
#include <memory>

#include "core/plataforma/u_clienteHttp.h"
#include "platform/comun/u_firmaOpenssl.h"
#include "platform/linux/u_modulos.h"
#include "platform/u_sistema.h"

namespace marlevanta {

namespace {

constexpr const char* kParaQue = "conectarse a internet y comprobar las actualizaciones";

// Says why there is no client, at every request.
class SinCliente : public ClienteHttp {
public:
    explicit SinCliente(std::string motivo) : motivo_(std::move(motivo)) {}
    Resultado<std::string> Get(const std::string&) override { return Falla(motivo_); }
    Hecho Descargar(const std::string&, std::FILE*, const Progreso&) override {
        return Falla(motivo_);
    }

private:
    std::string motivo_;
};

// Each entry is looked up once, whichever thread asks first.
template <typename Funcion>
struct Entrada {
    Funcion funcion = nullptr;
    std::string motivo;
};

template <typename Funcion>
Entrada<Funcion> Buscar(const char* simbolo) {
    const EntradaModulo e = BuscarEnModulo(kNombreModuloHttp, simbolo, kParaQue);
    return {reinterpret_cast<Funcion>(e.direccion), e.motivo};
}

using Crear = ClienteHttp* (*)(const OpcionesHttp*);
using Comprobar = void (*)(const std::string*, const std::string*, const std::vector<std::string>*,
                           Resultado<FirmaPaquete>*);

Resultado<FirmaPaquete> ComprobarEnModulo(const std::string& paquete, const std::string& firma,
                                          const std::vector<std::string>* claves) {
    static const Entrada<Comprobar> entrada = Buscar<Comprobar>("marlevanta_comprobar_firma");
    // The message goes inside a sentence about the signature.
    if (!entrada.funcion) return Falla("no se ha podido comprobar: " + entrada.motivo);
    Resultado<FirmaPaquete> resultado = Falla("no se ha comprobado");
    entrada.funcion(&paquete, &firma, claves, &resultado);
    return resultado;
}

}  // namespace

std::unique_ptr<ClienteHttp> CrearClienteHttp(const OpcionesHttp& opciones) {
    static const Entrada<Crear> entrada = Buscar<Crear>("marlevanta_cliente_http");
    if (!entrada.funcion) return std::make_unique<SinCliente>(entrada.motivo);
    return std::unique_ptr<ClienteHttp>(entrada.funcion(&opciones));
}

Resultado<FirmaPaquete> ComprobarFirmaPaquete(const std::string& paquete,
                                              const std::string& firma) {
    return ComprobarEnModulo(paquete, firma, nullptr);
}

Resultado<FirmaPaquete> ComprobarFirmaPaqueteCon(const std::string& paquete,
                                                 const std::string& firma,
                                                 const std::vector<std::string>& clavesPem) {
    return ComprobarEnModulo(paquete, firma, &clavesPem);
}

}  // namespace marlevanta
