#include <windows.h>

#include "platform/u_sistema.h"
#include "platform/windows/u_permisosWin.h"
#include "platform/windows/u_utf16.h"

namespace marlevanta {

Plataforma PlataformaDelSistema() {
    Plataforma p = ServiciosDelSistema();
    wchar_t ruta[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, ruta, MAX_PATH);
    p.rutaPrograma = Estrecho(ruta, n);
    const auto barra = p.rutaPrograma.find_last_of("\\/");
    p.carpetaPrograma =
        barra == std::string::npos ? std::string() : p.rutaPrograma.substr(0, barra);
    // Installed or not, the helpers stand beside the program on Windows.
    p.carpetaAyudantes = p.carpetaPrograma;
    p.nombrePermisos = "pqrvr.exe";
    p.nombreModuloAyuda = "marlevanta_ayuda.dll";
    p.elevacionPermisos = CrearElevacionWindows();
    return p;
}

}  // namespace marlevanta
