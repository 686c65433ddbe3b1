#include "core/plataforma/u_registroUsuario.h"

namespace marlevanta {

std::string TextoErrorTipo(const std::string& nombre) {
    return "Invalid data type for '" + nombre + "'";
}

std::string TextoErrorEscritura(const std::string& nombre) {
    return "Failed to set data for '" + nombre + "'";
}

std::string MayusculasAscii(std::string texto) {
    for (char& c : texto) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return texto;
}

}  // namespace marlevanta
