// How each browser is started with a profile folder of the program's own.
#pragma once

#include <string>
#include <vector>

#include "store/politicas.h"

namespace marlevanta {

struct ComandoNavegador {
    std::string ejecutable;
    std::vector<std::string> argumentos;
};

// False when the browser is not installed.
bool BuscarComandoNavegador(Navegador navegador, ComandoNavegador& comando);

}  // namespace marlevanta
