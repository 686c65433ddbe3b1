// Everything the program needs from the system it runs on. The program's entry fills it with the
// platform's back-ends; tests fill it with back-ends of their own (a test database, a test
// folder), and the layers above never know which they got.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/plataforma/u_almacenCertificados.h"
#include "core/plataforma/u_almacenPoliticas.h"
#include "core/plataforma/u_archivoPrograma.h"
#include "core/plataforma/u_avisosEscritorio.h"
#include "core/plataforma/u_certificadosFirefox.h"
#include "core/plataforma/u_clienteHttp.h"
#include "core/plataforma/u_comandoNavegador.h"
#include "core/plataforma/u_detallesCertificado.h"
#include "core/plataforma/u_firma.h"
#include "core/plataforma/u_importadorCertificados.h"
#include "core/plataforma/u_inicioSesion.h"
#include "core/plataforma/u_permisos.h"
#include "core/plataforma/u_procesoExterno.h"
#include "core/plataforma/u_registroUsuario.h"

namespace marlevanta {

struct Plataforma {
    std::function<std::unique_ptr<RegistroUsuario>()> registroUsuario;
    std::function<std::unique_ptr<AlmacenCertificados>()> almacenCertificados;
    std::function<std::unique_ptr<ImportadorCertificados>()> importadorCertificados;
    // The certificates kept in Firefox's profiles, to be copied into the user's store.
    std::function<std::unique_ptr<CertificadosFirefox>()> certificadosFirefox;
    // The details of the store's certificate with that thumbprint (upper-case hexadecimal).
    std::function<Resultado<DetallesCertificado>(const std::string& huella)> detallesCertificado;
    std::function<std::unique_ptr<AlmacenPoliticas>()> almacenPoliticas;
    // Notices on the desktop; made on the thread that will hear their answers.
    std::function<std::unique_ptr<AvisosEscritorio>()> avisosEscritorio;
    // The expiry check at the start of the user's desktop session.
    std::function<std::unique_ptr<InicioSesion>()> inicioSesion;
    std::function<std::unique_ptr<ClienteHttp>(const OpcionesHttp&)> clienteHttp;
    // Checks an update package against its signature with the keys built into the program.
    ComprobadorFirma comprobarFirma;
    std::function<std::unique_ptr<ArchivoPrograma>()> archivoPrograma;
    std::shared_ptr<IniciadorProcesos> procesos;
    // How the browser is started; the failure says it is not installed.
    std::function<Resultado<ComandoNavegador>(Navegador)> comandoNavegador;
    // The current user's SID text; "" when it cannot be read.
    std::function<std::string()> sidUsuarioActual;
    // The folder of the program's own file and the file itself.
    std::string carpetaPrograma;
    std::string rutaPrograma;
    // Where the program's helpers are (pqrvr, tqUpd.exe, tqUnz.dll, the help module): beside the
    // program in a build or a copied folder, the private helper folder when installed.
    std::string carpetaAyudantes;
    // The file names, in carpetaAyudantes, of the permission program and of the help module.
    std::string nombrePermisos;
    std::string nombreModuloAyuda;
    // How the permission program gets the administrator's rights on this system.
    std::shared_ptr<const ElevacionPermisos> elevacionPermisos;
    // Whether the program runs with the administrator's rights (root).
    bool administrador = false;
};

}  // namespace marlevanta
