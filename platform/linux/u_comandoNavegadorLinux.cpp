#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/linux/u_reglaPerfil.h"
#include "platform/u_sistema.h"

namespace marlevanta {

namespace {

// A flatpak application installed for this user or for the whole machine.
bool FlatpakInstalado(const std::string& aplicacion) {
    std::error_code ec;
    const char* home = std::getenv("HOME");
    const char* datos = std::getenv("XDG_DATA_HOME");
    const std::string usuario = datos && datos[0] == '/'
                                    ? std::string(datos) + "/flatpak"
                                    : std::string(home ? home : "") + "/.local/share/flatpak";
    for (const std::string& base : {usuario, std::string("/var/lib/flatpak")}) {
        if (std::filesystem::exists(base + "/app/" + aplicacion + "/current/active", ec)) {
            return true;
        }
    }
    return false;
}

// Firefox on a profile of the program's own. Without --no-remote a second start on the same
// profile hands its page to the Firefox that has it, as the Chromium family does; the user's
// own Firefox, on another profile, is left alone.
Resultado<ComandoNavegador> BuscarFirefox(IniciadorProcesos& procesos) {
    const std::string carpeta = CarpetaPerfil(Navegador::Firefox);
    ComandoNavegador comando;
    comando.ejecutable = procesos.BuscarEnPath({"firefox", "firefox-esr", "/snap/bin/firefox"});
    if (!comando.ejecutable.empty()) {
        comando.argumentos = {"--profile", carpeta};
        return comando;
    }
    if (const std::string flatpak = procesos.BuscarEnPath({"flatpak"});
        !flatpak.empty() && FlatpakInstalado("org.mozilla.firefox")) {
        // The sandbox sees the program's profiles only when told to.
        const std::string base = std::filesystem::path(carpeta).parent_path().string();
        comando.ejecutable = flatpak;
        comando.argumentos = {"run", "--filesystem=" + base, "org.mozilla.firefox", "--profile",
                              carpeta};
        return comando;
    }
    return Falla(
        "No se ha encontrado Mozilla Firefox en este equipo. Para usarlo, instale el "
        "paquete firefox-esr.");
}

}  // namespace

Resultado<ComandoNavegador> BuscarComandoNavegador(Navegador navegador,
                                                   IniciadorProcesos& procesos) {
    if (navegador == Navegador::Firefox) return BuscarFirefox(procesos);
    const bool edge = navegador == Navegador::Edge;
    ComandoNavegador comando;
    const std::string perfil = "--user-data-dir=" + CarpetaPerfil(navegador);
    comando.ejecutable =
        edge ? procesos.BuscarEnPath({"microsoft-edge-stable", "microsoft-edge"})
             : procesos.BuscarEnPath({"google-chrome-stable", "google-chrome", "chromium",
                                      "chromium-browser", "/snap/bin/chromium"});
    if (!comando.ejecutable.empty()) {
        comando.argumentos = {perfil};
        return comando;
    }
    // Sandboxed builds are started through their launcher, the profile folder passed on.
    if (const std::string flatpak = procesos.BuscarEnPath({"flatpak"}); !flatpak.empty()) {
        const std::vector<const char*> aplicaciones =
            edge ? std::vector<const char*>{"com.microsoft.Edge"}
                 : std::vector<const char*>{"com.google.Chrome", "org.chromium.Chromium"};
        for (const char* aplicacion : aplicaciones) {
            if (FlatpakInstalado(aplicacion)) {
                comando.ejecutable = flatpak;
                comando.argumentos = {"run", aplicacion, perfil};
                return comando;
            }
        }
    }
    return Falla(edge ? "No se ha encontrado Microsoft Edge en este equipo. Para usarlo, "
                        "instale el paquete microsoft-edge-stable."
                      : "No se ha encontrado Google Chrome ni Chromium en este equipo. Para "
                        "usarlo, instale el paquete google-chrome-stable o chromium.");
}

}  // namespace marlevanta
