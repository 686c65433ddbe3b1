// The back-ends of the system the program was built for (Linux or Windows, chosen by the build).
#pragma once

#include <memory>
#include <string>

#include "core/plataforma/u_plataforma.h"

namespace marlevanta {

// Every back-end as the running system gives it, for the current user.
Plataforma PlataformaDelSistema();
// The same without the program's own paths, which each system finds its own way.
Plataforma ServiciosDelSistema();

std::unique_ptr<RegistroUsuario> CrearRegistroUsuario();
std::unique_ptr<AlmacenCertificados> CrearAlmacenCertificados();
std::unique_ptr<ImportadorCertificados> CrearImportadorCertificados();
Resultado<DetallesCertificado> LeerDetallesCertificado(const std::string& huella);
std::unique_ptr<AlmacenPoliticas> CrearAlmacenPoliticas();
std::unique_ptr<AvisosEscritorio> CrearAvisosEscritorio();
std::unique_ptr<CertificadosFirefox> CrearCertificadosFirefox();
std::unique_ptr<InicioSesion> CrearInicioSesion();
std::unique_ptr<ArchivoPrograma> CrearArchivoPrograma();
std::shared_ptr<IniciadorProcesos> CrearIniciadorProcesos();
std::unique_ptr<ClienteHttp> CrearClienteHttp(const OpcionesHttp& opciones);
Resultado<ComandoNavegador> BuscarComandoNavegador(Navegador navegador,
                                                   IniciadorProcesos& procesos);

// The current user's SID text; "" when it cannot be read. On Linux "S-1-22-1-" + uid.
std::string SidUsuarioActual();

// Gives the user of `sid` (the current user when empty) the right to write the browsers'
// policies, merged into what is already allowed. The failure names the failing step.
Hecho DarPermisosSoftwarePolicies(const std::string& sid);

}  // namespace marlevanta
