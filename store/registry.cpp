#include "store/registry.h"

namespace marlevanta {

std::string TextoErrorTipo(const std::string& nombre) {
    return "Invalid data type for '" + nombre + "'";
}

std::string TextoErrorEscritura(const std::string& nombre) {
    return "Failed to set data for '" + nombre + "'";
}

}  // namespace marlevanta
