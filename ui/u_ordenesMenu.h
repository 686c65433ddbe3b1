// The main window's commands that open another window: each builds what that window needs from
// the run's services, shows it modally and carries its outcome back.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "core/u_registroCertificado.h"
#include "ui/u_frmMenu.h"

class QWidget;

namespace marlevanta {

class RejillaCertificados;
class SesionesPorCertificado;

// The browser choice for the row `r` of `tabla`, and the browser run it leads to, on the row's
// start page when it has one. When the rule cannot tell `r` from another certificate of the table
// the user is told first, and may stop.
// With `aparte` (a profile per certificate), the browser starts beside any others and the dialog
// closes at once.
void UsarCertificado(QWidget* dueno, TfrmMenu::Servicios& servicios,
                     const TTablaCertificados& tabla, const RegistroCertificado& r,
                     SesionesPorCertificado* aparte = nullptr);

struct AliasYPagina {
    QString alias;
    QString pagina;
};
// The alias editor for the row `r`, opened with its alias and `pagina`: both as typed, without
// surrounding blanks (the page is one the browser can be given, or empty).
AliasYPagina PedirAlias(QWidget* dueno, const RegistroCertificado& r, const QString& pagina);

// Asks for a .p12 or .pfx file (`elegirArchivo`, a file dialog when empty) and its password and
// imports it; any failure but a wrong password is told to the user. The thumbprint of the
// certificate to select afterwards, or nothing.
std::optional<std::string> ImportarCertificado(
    QWidget* dueno, TfrmMenu::Servicios& servicios,
    const std::function<QString(QWidget*)>& elegirArchivo = {});

class ImportacionFirefox;

// The choice of a Firefox profile among those `importacion` found, and the copy of what it holds
// that the store lacks; a failure is told to the user. The thumbprint of the certificate to
// select afterwards, or nothing.
std::optional<std::string> ImportarDesdeFirefox(QWidget* dueno, TfrmMenu::Servicios& servicios,
                                                ImportacionFirefox& importacion);

// The details of the row `r`, read on a worker while the window shows.
void VerDetalles(QWidget* dueno, TfrmMenu::Servicios& servicios, const RegistroCertificado& r);

void AbrirOpciones(QWidget* dueno, TfrmMenu::Servicios& servicios, RejillaCertificados& rejilla,
                   std::function<void(QWidget*)> abrirActualizador,
                   const TTablaCertificados& tabla);

// The help window opens at once; its pages load when the web API has said where they are.
void AbrirAyuda(QWidget* dueno, TfrmMenu::Servicios& servicios);

void AbrirAcercade(QWidget* dueno, const DatosContacto& contacto, const QString& version,
                   const QString& fecha);

// The updater window, over `dueno` or, without one, centred on the screen.
void AbrirVentanaActualizacion(QWidget* dueno, TfrmMenu::Servicios& servicios, int versionPropia,
                               const QString& version);

}  // namespace marlevanta
