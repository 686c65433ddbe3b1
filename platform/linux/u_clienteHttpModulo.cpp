// The web client is loaded at its first use: libcurl and the TLS libraries beneath it were a
// third of the program's start-up, and no request is made before the window shows (they all run
// on workers).
#include <dlfcn.h>

#include <filesystem>
#include <mutex>

#include "core/plataforma/u_clienteHttp.h"
#include "platform/linux/u_carpetaAyudantes.h"
#include "platform/u_sistema.h"

namespace marlevanta {

namespace {

using Crear = ClienteHttp* (*)(const OpcionesHttp*);

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

struct Modulo {
    Crear crear = nullptr;
    std::string motivo;
};

Modulo Cargar() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::string carpeta = CarpetaAyudantes(ec ? std::string() : exe.parent_path().string(),
                                                 MARLEVANTA_AYUDANTES_INSTALADOS);
    const std::string ruta = (std::filesystem::path(carpeta) / kNombreModuloHttp).string();
    Modulo m;
    // Never unloaded: the clients it makes live in it.
    void* modulo = dlopen(ruta.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (modulo) m.crear = reinterpret_cast<Crear>(dlsym(modulo, "marlevanta_cliente_http"));
    if (!m.crear) {
        const char* error = dlerror();
        m.motivo = "No se puede cargar " + ruta + " (" + (error ? error : "sin motivo") +
                   "), que hace falta para conectarse a internet. Vuelva a instalar Marlevanta.";
    }
    return m;
}

}  // namespace

std::unique_ptr<ClienteHttp> CrearClienteHttp(const OpcionesHttp& opciones) {
    static const Modulo modulo = Cargar();  // once, whichever thread asks first
    if (!modulo.crear) return std::make_unique<SinCliente>(modulo.motivo);
    return std::unique_ptr<ClienteHttp>(modulo.crear(&opciones));
}

}  // namespace marlevanta
