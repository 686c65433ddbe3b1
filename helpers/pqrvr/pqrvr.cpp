// The permission program. On Windows, started with administrator rights and the user's SID
// text as its whole argument, it lets that user write the browsers' policy key of their own.
// On Linux it gives nobody anything: run as root (by the package's installation, or by an
// administrator), it takes back the browser policy files that earlier versions handed to users.
// It tells its result on standard error and in its exit code.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/u_sistema.h"

namespace {

#ifdef _WIN32
const char kAyuda[] =
    "Uso: pqrvr SID\n"
    "\n"
    "Programa de permisos de Marlevanta. Marlevanta lo ejecuta como administrador cuando el\n"
    "navegador necesita una política para presentar el certificado elegido sin preguntar:\n"
    "permite al usuario de SID escribir la política de su navegador.\n"
    "\n"
    "Dice el resultado en la salida de errores y en el código de salida (0 si lo consigue).\n";
const char kHecho[] = "Permisos establecidos";
#else
const char kAyuda[] =
    "Uso: pqrvr\n"
    "\n"
    "Programa de permisos de Marlevanta. Ejecutado como administrador, devuelve al\n"
    "administrador los archivos de política de Chrome, Chromium y Edge que versiones\n"
    "anteriores de Marlevanta dejaban a cada usuario (marlevanta-<uid>.json en\n"
    "/etc/opt/chrome, /etc/chromium y /etc/opt/edge): quedan vacíos y solo el administrador\n"
    "puede cambiarlos, porque esos navegadores los aplican a todos los usuarios del equipo.\n"
    "La instalación del paquete lo hace sola.\n"
    "\n"
    "Dice el resultado en la salida de errores y en el código de salida (0 si lo consigue).\n";
const char kHecho[] = "Las políticas de Marlevanta de este equipo son solo del administrador";
#endif

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
    std::fprintf(stderr, "%s\n", kHecho);
    return 0;
}
