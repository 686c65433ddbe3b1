#include "platform/linux/u_modulos.h"

#include <dlfcn.h>

#include <filesystem>

#include "platform/linux/u_carpetaAyudantes.h"

namespace marlevanta {

EntradaModulo BuscarEnModulo(const char* archivo, const char* simbolo, const char* paraQue) {
    const std::string falta =
        std::string("que hace falta para ") + paraQue + ". Vuelva a instalar Marlevanta.";
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    EntradaModulo e;
    // Never by its bare name: that would load whatever the library search path finds.
    if (ec || !exe.has_parent_path()) {
        e.motivo = std::string("No se sabe en qué carpeta está el programa (") + ec.message() +
                   ") para cargar " + archivo + ", " + falta;
        return e;
    }
    const std::string carpeta =
        CarpetaAyudantes(exe.parent_path().string(), MARLEVANTA_AYUDANTES_INSTALADOS);
    const std::string ruta = (std::filesystem::path(carpeta) / archivo).string();
    void* modulo = dlopen(ruta.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!modulo) {
        const char* error = dlerror();
        e.motivo =
            "No se puede cargar " + ruta + " (" + (error ? error : "sin motivo") + "), " + falta;
        return e;
    }
    const auto version = reinterpret_cast<int (*)()>(dlsym(modulo, kEntradaVersionModulo));
    if (!version || version() != kVersionModulos) {
        e.motivo = "El archivo " + ruta + " es de otra versión de Marlevanta, " + falta;
        return e;
    }
    e.direccion = dlsym(modulo, simbolo);
    if (!e.direccion) {
        const char* error = dlerror();
        e.motivo =
            "No se puede usar " + ruta + " (" + (error ? error : "sin motivo") + "), " + falta;
    }
    return e;
}

}  // namespace marlevanta
