// The permission program: started with administrator rights (through pkexec, which names the
// user who asked in PKEXEC_UID) and that user's SID text as its whole argument, it makes the
// managed-policy folders when missing and in each a policy file of that user's own. A SID naming
// anyone else is refused. It tells its result on standard error and in its exit code.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/u_sistema.h"

namespace {

const char kAyuda[] =
    "Uso: pqrvr SID\n"
    "\n"
    "Programa de permisos de Marlevanta. Marlevanta lo ejecuta como administrador, a través de\n"
    "pkexec, cuando el navegador necesita una política para presentar el certificado elegido\n"
    "sin preguntar: prepara las carpetas de políticas de Chrome, Chromium y Edge para el\n"
    "usuario de SID (\"S-1-22-1-\" seguido de su número de usuario).\n"
    "\n"
    "Dice el resultado en la salida de errores y en el código de salida (0 si lo consigue).\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kAyuda, stdout);
        return 0;
    }
    std::string sid;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) sid += ' ';
        sid += argv[i];
    }
    const auto resultado = marlevanta::DarPermisosSoftwarePolicies(sid);
    if (!resultado) {
        std::fprintf(stderr, "%s\n", resultado.motivo().c_str());
        return 1;
    }
    std::fprintf(stderr, "Permisos establecidos\n");
    return 0;
}
