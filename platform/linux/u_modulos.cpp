#include "platform/linux/u_modulos.h"

#include <dlfcn.h>

#include <filesystem>

#include "platform/linux/u_carpetaAyudantes.h"

namespace marlevanta {

EntradaModulo BuscarEnModulo(const char* archivo, const char* simbolo, const char* paraQue) {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::string carpeta = CarpetaAyudantes(ec ? std::string() : exe.parent_path().string(),
                                                 MARLEVANTA_AYUDANTES_INSTALADOS);
    const std::string ruta = (std::filesystem::path(carpeta) / archivo).string();
    EntradaModulo e;
    // By its full path: never whatever the library search path would find under that name.
    void* modulo = dlopen(ruta.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (modulo) e.direccion = dlsym(modulo, simbolo);
    if (!e.direccion) {
        const char* error = dlerror();
        e.motivo = "No se puede cargar " + ruta + " (" + (error ? error : "sin motivo") +
                   "), que hace falta para " + paraQue + ". Vuelva a instalar Marlevanta.";
    }
    return e;
}

}  // namespace marlevanta
