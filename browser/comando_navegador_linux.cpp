#include <cstdlib>

#include "browser/comando_navegador.h"
#include "common/ejecutar.h"

namespace marlevanta {

bool BuscarComandoNavegador(Navegador navegador, ComandoNavegador& comando) {
    const bool edge = navegador == Navegador::Edge;
    comando.ejecutable = edge ? BuscarEnPath({"microsoft-edge-stable", "microsoft-edge"})
                              : BuscarEnPath({"google-chrome-stable", "google-chrome", "chromium",
                                              "chromium-browser"});
    const char* home = std::getenv("HOME");
    comando.argumentos = {"--user-data-dir=" + std::string(home ? home : "") + "/Marlevanta/" +
                          (edge ? "edge" : "chrome")};
    return !comando.ejecutable.empty();
}

}  // namespace marlevanta
