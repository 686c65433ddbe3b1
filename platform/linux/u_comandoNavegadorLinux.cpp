#include <cstdlib>

#include "platform/u_sistema.h"

namespace marlevanta {

Resultado<ComandoNavegador> BuscarComandoNavegador(Navegador navegador,
                                                   IniciadorProcesos& procesos) {
    const bool edge = navegador == Navegador::Edge;
    ComandoNavegador comando;
    comando.ejecutable = edge ? procesos.BuscarEnPath({"microsoft-edge-stable", "microsoft-edge"})
                              : procesos.BuscarEnPath({"google-chrome-stable", "google-chrome",
                                                       "chromium", "chromium-browser"});
    if (comando.ejecutable.empty()) {
        return Falla(edge ? "No se ha encontrado Microsoft Edge en este equipo "
                            "(microsoft-edge-stable o microsoft-edge)."
                          : "No se ha encontrado Google Chrome ni Chromium en este equipo "
                            "(google-chrome-stable, google-chrome, chromium o chromium-browser).");
    }
    const char* home = std::getenv("HOME");
    comando.argumentos = {"--user-data-dir=" + std::string(home ? home : "") + "/Marlevanta/" +
                          (edge ? "edge" : "chrome")};
    return comando;
}

}  // namespace marlevanta
