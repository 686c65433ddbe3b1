// How each browser is started with a profile folder of the program's own.
#pragma once

#include <string>
#include <vector>

#include "core/plataforma/u_almacenPoliticas.h"

namespace marlevanta {

struct ComandoNavegador {
    std::string ejecutable;
    std::vector<std::string> argumentos;
};

}  // namespace marlevanta
