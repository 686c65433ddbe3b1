#include "ui/u_ordenesMenu.h"

#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QLibrary>
#include <QLineEdit>
#include <QPointer>

#include "core/u_actualizacion.h"
#include "core/u_direccionesAyuda.h"
#include "core/u_gemelos.h"
#include "core/u_segundoPlano.h"
#include "core/u_tablaCertificados.h"
#include "ui/u_frmAcercade.h"
#include "ui/u_frmActualizadorInternet.h"
#include "ui/u_frmAyuda.h"
#include "ui/u_frmConfiguracion.h"
#include "ui/u_frmDarPermisos.h"
#include "ui/u_frmEditarAlias.h"
#include "ui/u_frmElegirNavegador.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ui/u_rejillaCertificados.h"

namespace marlevanta {

void UsarCertificado(QWidget* dueno, TfrmMenu::Servicios& servicios,
                     const TTablaCertificados& tabla, const RegistroCertificado& r) {
    if (const QString aviso = AvisoGemelos(tabla, r, QDateTime::currentDateTime());
        !aviso.isEmpty() &&
        servicios.comunes.wmessagedlg(aviso, mtWarning, Botones({mbYes, mbNo}), 0) != 6) {
        return;
    }
    Plataforma& p = servicios.plataforma;
    SesionNavegador::Entorno entorno{&servicios.registro, p.comandoNavegador, p.procesos};
    const auto permisos = [&servicios](QWidget* padre, std::function<void()> hecho) {
        Plataforma& pl = servicios.plataforma;
        const QString pqrvr = QString::fromStdString(pl.carpetaPrograma) + QStringLiteral("/pqrvr");
        TfrmDarPermisos dialogo(
            padre, *pl.procesos, servicios.fondo, servicios.comunes,
            OrdenPermisos(pqrvr, QString::fromStdString(pl.sidUsuarioActual())));
        dialogo.exec();
        hecho();
    };
    TfrmElegirNavegador dialogo(dueno, std::move(entorno), servicios.fondo, servicios.comunes,
                                permisos);
    dialogo.lblCertificado()->setText(DescripcionAislada(r));
    dialogo.certificado = {SujetoReal(r), EmisorReal(r)};
    dialogo.exec();
}

QString PedirAlias(QWidget* dueno, const RegistroCertificado& r) {
    TfrmEditarAlias dialogo(dueno);
    dialogo.lblCertificado()->setText(r.emitido_para);
    dialogo.edtAlias()->setText(r.alias);
    dialogo.exec();
    return Recortar(dialogo.edtAlias()->text());
}

void AbrirOpciones(QWidget* dueno, TfrmMenu::Servicios& servicios, RejillaCertificados& rejilla,
                   std::function<void(QWidget*)> abrirActualizador) {
    TfrmConfiguracion opciones(dueno, servicios.registro, rejilla, std::move(abrirActualizador));
    opciones.exec();
}

void AbrirAyuda(QWidget* dueno, TfrmMenu::Servicios& servicios) {
    QLibrary modulo(QCoreApplication::applicationDirPath() +
                    QStringLiteral("/libmarlevanta_ayuda.so"));
    auto crear = reinterpret_cast<FuncionCrearAyuda>(modulo.resolve("CrearAyuda"));
    if (!crear) {
        servicios.comunes.wmessagedlg(
            QStringLiteral("No se puede mostrar la ayuda: ") + modulo.errorString(), mtError,
            Botones({mbOK}), 0);
        return;
    }
    QDialog* ayuda = crear(dueno);
    TManejadorApi api = servicios.api;
    api.cancelar = servicios.fondo.Cancelacion();
    TManejadorRegistro& registro = servicios.registro;
    servicios.fondo.Ejecutar(
        ayuda, [api] { return api.LeerUrlsAyuda(); },
        [ayuda, &registro](Resultado<UrlsAyuda> r) {
            const DireccionesAyuda d = ResolverDireccionesAyuda(registro, r);
            QMetaObject::invokeMethod(ayuda, "Navegar", Q_ARG(QString, d.uso),
                                      Q_ARG(QString, d.trucos));
        });
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
                                   servicios.solicitarFin};
    Actualizacion actualizacion(std::move(entorno), servicios.fondo);
    TfrmActualizadorInternet ventana(dueno, actualizacion, servicios.comunes, version);
    ventana.exec();
}

}  // namespace marlevanta
