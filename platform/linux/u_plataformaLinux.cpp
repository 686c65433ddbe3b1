#include <unistd.h>

#include <filesystem>

#include "platform/linux/u_almacenNss.h"
#include "platform/linux/u_carpetaAyudantes.h"
#include "platform/linux/u_certificadosFirefox.h"
#include "platform/linux/u_detallesNss.h"
#include "platform/linux/u_importadorNss.h"
#include "platform/linux/u_permisosPoliticas.h"
#include "platform/linux/u_politicasArchivos.h"
#include "platform/linux/u_registroSqlite.h"
#include "platform/linux/u_reglasLinux.h"
#include "platform/u_sistema.h"

namespace marlevanta {

std::unique_ptr<RegistroUsuario> CrearRegistroUsuario() {
    return CrearRegistroSqlite(RutaRegistroSqlite());
}

std::unique_ptr<AlmacenCertificados> CrearAlmacenCertificados() {
    return CrearAlmacenNss({});
}

std::unique_ptr<ImportadorCertificados> CrearImportadorCertificados() {
    return CrearImportadorNss({});
}

Resultado<DetallesCertificado> LeerDetallesCertificado(const std::string& huella) {
    return LeerDetallesNss({}, huella);
}

std::unique_ptr<CertificadosFirefox> CrearCertificadosFirefox() {
    return CrearCertificadosFirefoxNss({}, {});
}

std::unique_ptr<AlmacenPoliticas> CrearAlmacenPoliticas() {
    return CrearReglasLinux(RaizPoliticas());
}

Plataforma PlataformaDelSistema() {
    Plataforma p = ServiciosDelSistema();
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    p.rutaPrograma = ec ? std::string() : exe.string();
    p.carpetaPrograma = ec ? std::string() : exe.parent_path().string();
    p.carpetaAyudantes = CarpetaAyudantes(p.carpetaPrograma, MARLEVANTA_AYUDANTES_INSTALADOS);
    p.nombrePermisos = kNombrePermisos;
    p.nombreModuloAyuda = kNombreModuloAyuda;
    p.elevacionPermisos = CrearElevacionPkexec();
    p.administrador = geteuid() == 0;
    return p;
}

}  // namespace marlevanta
