// The Linux back-end of the rule in the program's own browser profile: the content setting
// profile.content_settings.exceptions.auto_select_certificate of <profile>/Default/Preferences.
// The browser reads that file when it starts and writes back what it holds when it ends, so the
// rule is written only while no browser has the profile open and taken out after it has ended.
#pragma once

#include <string>
#include <vector>

#include "core/plataforma/u_almacenPoliticas.h"

namespace marlevanta {

// $HOME/Marlevanta/edge or $HOME/Marlevanta/chrome: the folder the program starts the browser
// with (--user-data-dir).
std::string CarpetaPerfil(Navegador navegador);

// Whether a browser has the profile open, here or on another machine sharing the folder.
struct UsoPerfil {
    bool enUso = false;
    std::string otroEquipo;  // the other machine's name when the lock is held there
};
// A lock "<host>-<pid>" of this machine whose browser process is gone is left over by a
// browser that did not end normally: the next browser takes it over, so it counts as free.
UsoPerfil PerfilEnUso(const std::string& carpeta);

// Adds or replaces the key "https://*,*" (every HTTPS site) naming the certificate; keeps the
// rest of the file as it was. The file is replaced at once (a temporary file beside it, then a
// rename), and made with its folders when it does not exist.
Hecho EscribirReglaPerfil(const std::string& carpeta, const ReglaCertificado& regla);
// Takes the key out again; true when it was there.
Resultado<bool> QuitarReglaPerfil(const std::string& carpeta);

// One profile per certificate: <CarpetaPerfil>/perfiles/<id>, the id being lower-case hex digits
// of the certificate's fingerprint.
std::string CarpetaPerfilesCertificado(Navegador navegador);
bool IdPerfilValido(const std::string& id);
Resultado<PerfilCertificado> PrepararPerfilDeCertificado(Navegador navegador, const std::string& id,
                                                         const ReglaCertificado& regla,
                                                         const std::string& nombre);
std::vector<InfoPerfilCertificado> PerfilesDeCertificado(Navegador navegador);
Hecho BorrarPerfilDeCertificado(Navegador navegador, const std::string& id);

}  // namespace marlevanta
