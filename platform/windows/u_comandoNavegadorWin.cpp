#include "platform/u_sistema.h"

namespace marlevanta {

inline constexpr const char* kSinFirefoxWindows =
    "En Windows, Marlevanta aún no abre Mozilla Firefox con un certificado. Use Microsoft "
    "Edge o Google Chrome.";

// The command interpreter finds the browser through its App Paths registration and expands
// %homepath% itself. The profile argument goes without quotes of its own: the process starter
// quotes it whole, which keeps it one argument for the browser whatever the home folder's name.
Resultado<ComandoNavegador> BuscarComandoNavegador(Navegador navegador, IniciadorProcesos&) {
    if (navegador == Navegador::Firefox) return Falla(kSinFirefoxWindows);
    const bool edge = navegador == Navegador::Edge;
    ComandoNavegador comando;
    comando.ejecutable = "cmd.exe";
    comando.argumentos = {
        "/c", "start", "/wait", edge ? "msedge" : "chrome",
        std::string("--user-data-dir=%homepath%/Marlevanta/") + (edge ? "edge" : "chrome")};
    return comando;
}

}  // namespace marlevanta
