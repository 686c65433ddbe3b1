// The NSS module's one entry, looked up by name when the module is loaded.
#include "platform/linux/u_moduloNss.h"

namespace marlevanta {

extern "C" __attribute__((visibility("default"))) const FuncionesNss* marlevanta_nss() {
    static const FuncionesNss funciones{&CrearAlmacenNss, &CrearImportadorNss, &LeerDetallesNss,
                                        &CrearCertificadosFirefoxNss, &PrepararPerfilFirefox};
    return &funciones;
}

}  // namespace marlevanta
