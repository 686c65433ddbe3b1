#include "core/plataforma/u_registroUsuario.h"

namespace marlevanta {

std::string TextoErrorTipo(const std::string& nombre) {
    return "El valor \"" + nombre +
           "\" de los ajustes no es texto y no se puede leer: vuelva a guardarlo desde el "
           "programa, o bórrelo para que se use el valor por defecto";
}

std::string TextoErrorEscritura(const std::string& nombre) {
    return "No se ha podido guardar el valor \"" + nombre + "\" de los ajustes";
}

std::string MayusculasAscii(std::string texto) {
    for (char& c : texto) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return texto;
}

}  // namespace marlevanta
