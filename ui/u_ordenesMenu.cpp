#include "ui/u_ordenesMenu.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLibrary>
#include <QLineEdit>
#include <QPointer>

#include "core/u_actualizacion.h"
#include "core/u_aperturaAyuda.h"
#include "core/u_darPermisos.h"
#include "core/u_gemelos.h"
#include "core/u_importacionCertificado.h"
#include "core/u_importacionFirefox.h"
#include "core/u_paginaInicio.h"
#include "core/u_segundoPlano.h"
#include "core/u_sesionesPorCertificado.h"
#include "core/u_tablaCertificados.h"
#include "ui/u_frmAcercade.h"
#include "ui/u_frmActualizadorInternet.h"
#include "ui/u_frmAyuda.h"
#include "ui/u_frmConfiguracion.h"
#include "ui/u_frmDarPermisos.h"
#include "ui/u_frmDetallesCertificado.h"
#include "ui/u_frmEditarAlias.h"
#include "ui/u_frmElegirNavegador.h"
#include "ui/u_frmImportarCertificado.h"
#include "ui/u_frmImportarFirefox.h"
#include "ui/u_frmPerfiles.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ui/u_rejillaCertificados.h"

namespace marlevanta {

void UsarCertificado(QWidget* dueno, TfrmMenu::Servicios& servicios,
                     const TTablaCertificados& tabla, const RegistroCertificado& r,
                     SesionesPorCertificado* aparte) {
    if (const QString aviso = AvisoGemelos(tabla, r, QDateTime::currentDateTime());
        !aviso.isEmpty() &&
        servicios.comunes.wmessagedlg(aviso, mtWarning, Botones({mbYes, mbNo}), 0) != 6) {
        return;
    }
    Plataforma& p = servicios.plataforma;
    // A page that cannot be read leaves the browser on its blank page, as without one.
    const std::string pagina =
        LeerPaginaInicio(servicios.registro, r.key_for_alias.toStdString()).valor_o({});
    SesionNavegador::Entorno entorno{
        &servicios.registro, ConPaginaInicio(p.comandoNavegador, QString::fromStdString(pagina)),
        p.procesos};
    const auto permisos = [&servicios](QWidget* padre, std::function<void()> hecho) {
        Plataforma& pl = servicios.plataforma;
        DarPermisos accion(
            {pl.procesos, pl.elevacionPermisos, pl.carpetaAyudantes, pl.nombrePermisos,
             pl.sidUsuarioActual ? pl.sidUsuarioActual() : std::string()},
            servicios.fondo);
        TfrmDarPermisos dialogo(padre, accion, servicios.comunes);
        dialogo.exec();
        hecho();
    };
    TfrmElegirNavegador dialogo(dueno, std::move(entorno), servicios.fondo, servicios.comunes,
                                permisos);
    dialogo.lblCertificado()->setText(DescripcionAislada(r));
    dialogo.certificado = {SujetoReal(r), EmisorReal(r), r.key_for_alias.toUpper().toStdString()};
    if (aparte) {
        const QString alias = r.alias.trimmed();
        const QString nombre = alias.isEmpty() ? r.emitido_para.trimmed() : alias;
        dialogo.UsarEnPerfilPropio([aparte, base = dialogo.certificado, huella = r.key_for_alias,
                                    nombre, pagina](Navegador n, const std::string& contrasena,
                                                    std::function<void(const Hecho&)> listo) {
            ReglaCertificado regla = base;
            regla.contrasenaAlmacen = contrasena;
            aparte->Usar(n, regla, huella, nombre, QString::fromStdString(pagina),
                         std::move(listo));
            std::fill(regla.contrasenaAlmacen.begin(), regla.contrasenaAlmacen.end(), '\0');
        });
    }
    dialogo.exec();
}

AliasYPagina PedirAlias(QWidget* dueno, const RegistroCertificado& r, const QString& pagina) {
    TfrmEditarAlias dialogo(dueno);
    dialogo.lblCertificado()->setText(r.emitido_para);
    dialogo.edtAlias()->setText(r.alias);
    dialogo.edtPagina()->setText(pagina);
    dialogo.exec();
    return {Recortar(dialogo.edtAlias()->text()), Recortar(dialogo.edtPagina()->text())};
}

std::optional<std::string> ImportarCertificado(QWidget* dueno, TfrmMenu::Servicios& servicios,
                                               const std::function<QString(QWidget*)>& elegir) {
    const QString archivo =
        elegir ? elegir(dueno)
               : QFileDialog::getOpenFileName(
                     dueno, QStringLiteral("Importar certificado"), QDir::homePath(),
                     QStringLiteral("Certificados con clave privada (*.p12 *.pfx *.P12 *.PFX);;"
                                    "Todos los archivos (*)"));
    if (archivo.isEmpty()) return std::nullopt;
    ImportacionCertificado importacion(servicios.plataforma.importadorCertificados,
                                       servicios.fondo);
    if (const Hecho disponible = importacion.Disponible(); !disponible) {
        servicios.comunes.wmessagedlg(QString::fromStdString(disponible.motivo()), mtError,
                                      Botones({mbOK}), 0);
        return std::nullopt;
    }
    TfrmImportarCertificado dialogo(dueno, archivo, importacion);
    if (dialogo.exec() != QDialog::Accepted) return std::nullopt;
    const FinImportacion& fin = importacion.Fin();
    if (!fin.error.isEmpty()) {
        servicios.comunes.wmessagedlg(fin.error, mtError, Botones({mbOK}), 0);
    } else if (!fin.aviso.isEmpty()) {
        servicios.comunes.wmessagedlg(fin.aviso, mtInformation, Botones({mbOK}), 0);
    }
    return fin.huella;
}

std::optional<std::string> ImportarDesdeFirefox(QWidget* dueno, TfrmMenu::Servicios& servicios,
                                                ImportacionFirefox& importacion) {
    if (importacion.Perfiles().empty()) return std::nullopt;
    TfrmImportarFirefox dialogo(dueno, importacion);
    if (dialogo.exec() != QDialog::Accepted) return std::nullopt;
    const FinImportacionFirefox& fin = importacion.Fin();
    if (!fin.error.isEmpty()) {
        servicios.comunes.wmessagedlg(fin.error, mtError, Botones({mbOK}), 0);
    } else if (fin.huella && fin.copiados == 0) {
        servicios.comunes.wmessagedlg(
            QStringLiteral("Esos certificados ya estaban en el almacén: se muestra uno "
                           "seleccionado en la lista."),
            mtInformation, Botones({mbOK}), 0);
    }
    return fin.huella;
}

void VerDetalles(QWidget* dueno, TfrmMenu::Servicios& servicios, const RegistroCertificado& r) {
    TfrmDetallesCertificado ventana(dueno, r.emitido_para);
    const auto leer = servicios.plataforma.detallesCertificado;
    if (!leer) {
        ventana.Mostrar(Falla("En este sistema no se pueden leer los detalles de un certificado."));
    } else {
        servicios.fondo.Ejecutar(
            &ventana, [leer, huella = r.key_for_alias.toStdString()] { return leer(huella); },
            [v = &ventana](Resultado<DetallesCertificado> d) { v->Mostrar(d); });
    }
    ventana.exec();
}

void AbrirOpciones(QWidget* dueno, TfrmMenu::Servicios& servicios, RejillaCertificados& rejilla,
                   std::function<void(QWidget*)> abrirActualizador,
                   const TTablaCertificados& tabla) {
    TfrmConfiguracion opciones(dueno, servicios.registro, rejilla, std::move(abrirActualizador));
    opciones.abrirPerfiles = [&servicios, &tabla](QWidget* padre) {
        TfrmPerfiles perfiles(padre, servicios.registro, tabla);
        perfiles.exec();
    };
    std::unique_ptr<InicioSesion> inicio;
    if (servicios.plataforma.inicioSesion) inicio = servicios.plataforma.inicioSesion();
    opciones.UsarInicioSesion(inicio.get(), servicios.plataforma.rutaPrograma);
    opciones.exec();
}

void AbrirAyuda(QWidget* dueno, TfrmMenu::Servicios& servicios) {
    const Plataforma& p = servicios.plataforma;
    AperturaAyuda apertura({p.administrador, p.carpetaAyudantes, p.nombreModuloAyuda, servicios.api,
                            &servicios.registro},
                           servicios.fondo);
    if (const Hecho permitida = apertura.Permitida(); !permitida) {
        servicios.comunes.wmessagedlg(QString::fromStdString(permitida.motivo()), mtInformation,
                                      Botones({mbOK}), 0);
        return;
    }
    QLibrary modulo(apertura.RutaModulo());
    auto crear = reinterpret_cast<FuncionCrearAyuda>(modulo.resolve("CrearAyuda"));
    if (!crear) {
        servicios.comunes.wmessagedlg(
            QStringLiteral("No se puede mostrar la ayuda: ") + modulo.errorString(), mtError,
            Botones({mbOK}), 0);
        return;
    }
    QDialog* ayuda = crear(dueno);
    QObject::connect(&apertura, &AperturaAyuda::Direcciones, ayuda,
                     [ayuda](const QString& uso, const QString& trucos) {
                         QMetaObject::invokeMethod(ayuda, "Navegar", Q_ARG(QString, uso),
                                                   Q_ARG(QString, trucos));
                     });
    apertura.PedirDirecciones();
    ayuda->exec();
    delete ayuda;
}

void AbrirAcercade(QWidget* dueno, const DatosContacto& contacto, const QString& version,
                   const QString& fecha) {
    TfrmAcercade acercade(dueno, contacto, version, fecha);
    acercade.exec();
}

void AbrirVentanaActualizacion(QWidget* dueno, TfrmMenu::Servicios& servicios, int versionPropia,
                               const QString& version) {
    Plataforma& p = servicios.plataforma;
    Actualizacion::Entorno entorno{servicios.api,
                                   p.procesos,
                                   QString::fromStdString(p.carpetaPrograma),
                                   QString::fromStdString(p.rutaPrograma),
                                   versionPropia,
                                   servicios.solicitarFin,
                                   p.comprobarFirma};
    Actualizacion actualizacion(std::move(entorno), servicios.fondo);
    TfrmActualizadorInternet ventana(dueno, actualizacion, servicios.comunes, version);
    ventana.exec();
}

}  // namespace marlevanta
