#include "platform/comun/u_firmaOpenssl.h"
#include "platform/u_sistema.h"

namespace marlevanta {

Plataforma ServiciosDelSistema() {
    Plataforma p;
    p.registroUsuario = &CrearRegistroUsuario;
    p.almacenCertificados = &CrearAlmacenCertificados;
    p.avisosEscritorio = &CrearAvisosEscritorio;
    p.importadorCertificados = &CrearImportadorCertificados;
    p.certificadosFirefox = &CrearCertificadosFirefox;
    p.inicioSesion = &CrearInicioSesion;
    p.detallesCertificado = &LeerDetallesCertificado;
    p.almacenPoliticas = &CrearAlmacenPoliticas;
    p.clienteHttp = &CrearClienteHttp;
    p.comprobarFirma = &ComprobarFirmaPaquete;
    p.archivoPrograma = [] { return CrearArchivoPrograma(); };
    p.procesos = CrearIniciadorProcesos();
    p.comandoNavegador = [procesos = p.procesos](Navegador n) {
        return BuscarComandoNavegador(n, *procesos);
    };
    p.sidUsuarioActual = &SidUsuarioActual;
    return p;
}

}  // namespace marlevanta
