// The NSS back-ends as the rest of the program calls them, loaded from their module at the
// first call (on the worker that reads the store, in a normal start-up). Without the module each
// call fails saying which file is missing and that reinstalling mends it.
#include <memory>

#include "platform/linux/u_moduloNss.h"
#include "platform/linux/u_modulos.h"

namespace marlevanta {

namespace {

struct Modulo {
    const FuncionesNss* f = nullptr;
    std::string motivo;
};

const Modulo& Nss() {
    static const Modulo modulo = [] {
        const EntradaModulo e =
            BuscarEnModulo(kNombreModuloNss, kEntradaModuloNss, "leer y guardar los certificados");
        Modulo m;
        if (!e.direccion) {
            m.motivo = e.motivo;
            return m;
        }
        m.f = reinterpret_cast<const FuncionesNss* (*)()>(e.direccion)();
        return m;
    }();
    return modulo;
}

class AlmacenSinModulo : public AlmacenCertificados {
public:
    explicit AlmacenSinModulo(std::string motivo) : motivo_(std::move(motivo)) {}
    Resultado<std::vector<DatosCertificado>> LeerCertificados() override { return Falla(motivo_); }

private:
    std::string motivo_;
};

class ImportadorSinModulo : public ImportadorCertificados {
public:
    explicit ImportadorSinModulo(std::string motivo) : motivo_(std::move(motivo)) {}
    Resultado<CertificadoImportado> Importar(const std::string&, const std::string&) override {
        return Falla(motivo_);
    }

private:
    std::string motivo_;
};

// No profile is offered: there would be nothing to copy it with.
class FirefoxSinModulo : public CertificadosFirefox {
public:
    explicit FirefoxSinModulo(std::string motivo) : motivo_(std::move(motivo)) {}
    std::vector<PerfilFirefox> PerfilesFirefox() override { return {}; }
    Resultado<CertificadosPerfil> Leer(const std::string&) override { return Falla(motivo_); }
    Resultado<std::vector<CertificadoImportado>> Copiar(const std::string&,
                                                        const std::vector<std::string>&,
                                                        const std::string&) override {
        return Falla(motivo_);
    }

private:
    std::string motivo_;
};

}  // namespace

std::unique_ptr<AlmacenCertificados> CrearAlmacenNss(const std::string& directorio, ViaNss via) {
    const Modulo& m = Nss();
    if (!m.f) return std::make_unique<AlmacenSinModulo>(m.motivo);
    return m.f->crearAlmacen(directorio, via);
}

std::unique_ptr<ImportadorCertificados> CrearImportadorNss(const std::string& directorio) {
    const Modulo& m = Nss();
    if (!m.f) return std::make_unique<ImportadorSinModulo>(m.motivo);
    return m.f->crearImportador(directorio);
}

Resultado<DetallesCertificado> LeerDetallesNss(const std::string& directorio,
                                               const std::string& huella, ViaNss via) {
    const Modulo& m = Nss();
    if (!m.f) return Falla(m.motivo);
    return m.f->leerDetalles(directorio, huella, via);
}

std::unique_ptr<CertificadosFirefox> CrearCertificadosFirefoxNss(const std::string& home,
                                                                 const std::string& almacen) {
    const Modulo& m = Nss();
    if (!m.f) return std::make_unique<FirefoxSinModulo>(m.motivo);
    return m.f->crearCertificadosFirefox(home, almacen);
}

Hecho PrepararPerfilFirefox(const std::string& carpeta, const std::string& almacen,
                            const ReglaCertificado& regla, const std::string& nombre) {
    const Modulo& m = Nss();
    if (!m.f) return Falla(m.motivo);
    return m.f->prepararPerfilFirefox(carpeta, almacen, regla, nombre);
}

}  // namespace marlevanta
