#include "browser/comando_navegador.h"

namespace marlevanta {

// The command interpreter finds the browser through its App Paths registration and expands
// %homepath% itself.
bool BuscarComandoNavegador(Navegador navegador, ComandoNavegador& comando) {
    const bool edge = navegador == Navegador::Edge;
    comando.ejecutable = "cmd.exe";
    comando.argumentos = {"/c", "start", "/wait", edge ? "msedge" : "chrome",
                          std::string("--user-data-dir=\"%homepath%/Marlevanta/") +
                              (edge ? "edge" : "chrome") + "\""};
    return true;
}

}  // namespace marlevanta
